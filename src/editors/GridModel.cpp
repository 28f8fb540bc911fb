#include "GridModel.h"

#include "Deferred.h"
#include "StoreMessages.h"
#include "common/Ui.h"
#include "common/Values.h"

namespace tavrel {

namespace {

const QVariant kNull = QVariant(QMetaType::fromType<QString>());

qsizetype find(const QStringList& names, const QString& column) {
    for (qsizetype i = 0; i < names.size(); ++i)
        if (names[i].compare(column, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// Holds the model's changing mark while rows are added, removed or replaced.
class Changing {
public:
    explicit Changing(int& depth)
        : depth_(depth) {
        ++depth_;
    }
    ~Changing() { --depth_; }
    Changing(const Changing&) = delete;
    Changing& operator=(const Changing&) = delete;

private:
    int& depth_;
};

} // namespace

QVariant GridRecord::value(const QString& column) const {
    const qsizetype i = find(names_, column);
    return i >= 0 ? values_[i] : QVariant();
}

void GridRecord::setValue(const QString& column, const QVariant& value) {
    const qsizetype i = find(names_, column);
    if (i >= 0)
        values_[i] = value;
}

GridModel::GridModel(LimitsStore& store, Deferred& deferred, QObject* parent)
    : QAbstractTableModel(parent)
    , store_(store)
    , deferred_(deferred) {}

GridModel::Row GridModel::fromStored(StoredRow stored) {
    Row row;
    row.serial = nextSerial_++;
    row.rowid = stored.rowid;
    row.stored = std::move(stored.values);
    row.edited = row.stored;
    return row;
}

void GridModel::show(std::vector<Row> rows, const LoadedRows& loaded) {
    const Changing changing(changing_);
    beginResetModel();
    rows_ = std::move(rows);
    names_ = loaded.columns;
    numeric_ = loaded.numeric;
    captions_.resize(names_.size());
    centred_.resize(size_t(names_.size()), false);
    endResetModel();
}

StoreResult GridModel::select(const RowSelection& selection) {
    const Deferred::Guard busy(deferred_);
    LoadedRows loaded = store_.loadRows(selection);
    if (!loaded.result.ok())
        return loaded.result;
    selection_ = selection;
    selected_ = true;
    std::vector<Row> rows;
    for (StoredRow& r : loaded.rows)
        rows.push_back(fromStored(std::move(r)));
    show(std::move(rows), loaded);
    return {};
}

StoreResult GridModel::reload() {
    if (!selected_)
        return {};
    const Deferred::Guard busy(deferred_);
    LoadedRows loaded = store_.loadRows(selection_);
    if (!loaded.result.ok())
        return loaded.result;
    std::vector<Row> rows;
    for (StoredRow& r : loaded.rows)
        rows.push_back(fromStored(std::move(r)));
    // Pending edits stay, still checked against what was loaded before.
    for (const Row& pending : rows_) {
        if (!pending.dirty)
            continue;
        auto same = std::find_if(rows.begin(), rows.end(),
                                 [&](const Row& r) { return r.rowid == pending.rowid; });
        if (pending.rowid >= 0 && same != rows.end())
            *same = pending;
        else
            rows.push_back(pending);
    }
    show(std::move(rows), loaded);
    return {};
}

void GridModel::clear() {
    const Changing changing(changing_);
    beginResetModel();
    rows_.clear();
    selected_ = false;
    endResetModel();
}

void GridModel::setCaption(int column, const QString& caption) {
    if (column >= 0 && column < captions_.size()) {
        captions_[column] = caption;
        Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
    }
}

void GridModel::setCentred(int column, bool centred) {
    if (column >= 0 && size_t(column) < centred_.size())
        centred_[size_t(column)] = centred;
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || names_.isEmpty() ? 0 : int(rows_.size()) + 1;
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(names_.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= names_.size())
        return {};
    if (role == Qt::TextAlignmentRole)
        return centred_[size_t(index.column())] ? QVariant(Qt::AlignCenter)
                                                : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    if (index.row() >= int(rows_.size()))
        return QString();
    const QVariant v = rows_[size_t(index.row())].edited[index.column()];
    return isNullValue(v) ? QString() : v.toString();
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || index.row() > int(rows_.size()) ||
        index.column() >= names_.size())
        return false;
    const Deferred::Guard busy(deferred_); // the box below runs the event loop
    QVariant v = value;
    if (numeric_[size_t(index.column())]) {
        const QString text = value.toString().trimmed();
        bool ok = true;
        const qlonglong n = text.toLongLong(&ok);
        if (text.isEmpty()) {
            v = kNull;
        } else if (!ok) {
            Ui::current().messageBox(QStringLiteral("Vul een geheel getal in."), kProgramTitle,
                                     Buttons::Ok, Icon::Exclamation);
            return false;
        } else {
            v = n;
        }
    } else {
        v = value.toString();
    }
    if (index.row() == int(rows_.size())) {
        // Typing in the empty last line starts a new row; a new empty line
        // follows it.
        if (isNullValue(v) || v.toString().isEmpty())
            return true;
        const Changing changing(changing_);
        beginInsertRows({}, int(rows_.size()) + 1, int(rows_.size()) + 1);
        QVariantList nulls;
        for (int i = 0; i < names_.size(); ++i)
            nulls << kNull;
        rows_.push_back(fromStored({-1, nulls}));
        endInsertRows();
    }
    Row& row = rows_[size_t(index.row())];
    if (row.edited[index.column()] == v &&
        !isNullValue(v) == !isNullValue(row.edited[index.column()]))
        return true;
    row.edited[index.column()] = v;
    row.dirty = true;
    Q_EMIT dataChanged(index, index);
    return true;
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable
                           : Qt::NoItemFlags;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < names_.size())
        return captions_[section].isEmpty() ? names_[section] : captions_[section];
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section == int(rows_.size()) ? QStringLiteral("*") : QString();
    return QAbstractTableModel::headerData(section, orientation, role);
}

quint64 GridModel::serialAt(int row) const {
    return row >= 0 && row < int(rows_.size()) ? rows_[size_t(row)].serial : 0;
}

int GridModel::indexOf(quint64 serial) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].serial == serial)
            return int(i);
    return -1;
}

bool GridModel::hasPending() const {
    return std::any_of(rows_.begin(), rows_.end(), [](const Row& r) { return r.dirty; });
}

void GridModel::commitLater(quint64 serial) {
    deferred_.post([this, serial] {
        if (const int row = indexOf(serial); row >= 0)
            commitRow(row);
    });
}

void GridModel::commitRow(int row) {
    if (row < 0 || row >= int(rows_.size()) || !rows_[size_t(row)].dirty)
        return;
    const Deferred::Guard busy(deferred_);
    const quint64 serial = rows_[size_t(row)].serial;
    QVariantList values = rows_[size_t(row)].edited;
    ChangeStatus status = ChangeStatus::Ok;
    GridRecord record(names_, values);
    if (willChange_)
        willChange_(ChangeReason::Update, record, status);
    // A warning box ran the event loop: find the row again.
    row = indexOf(serial);
    if (row < 0)
        return;
    if (status == ChangeStatus::Cancel) {
        revertRow(row); // refused without a word
        return;
    }
    Row& r = rows_[size_t(row)];
    qint64 rowid = r.rowid;
    const StoreResult result =
        r.rowid < 0 ? store_.insertRow(selection_.table, names_, values, &rowid)
                    : store_.updateRow(selection_.table, names_, r.rowid, r.stored, values);
    if (result.ok()) {
        r.rowid = rowid;
        r.stored = values;
        r.edited = values;
        r.dirty = false;
        Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
        return;
    }
    if (result.outcome != Outcome::Busy)
        revertRow(row);
    answerRefusal(result, false);
}

bool GridModel::commitAll() {
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (!rows_[i].dirty)
            continue;
        const quint64 serial = rows_[i].serial;
        commitRow(int(i));
        const int now = indexOf(serial);
        if (now >= 0 && rows_[size_t(now)].dirty)
            return false; // kept for another try; said once
        // Rows may have gone or come back: start again from the top.
        i = size_t(-1);
    }
    return true;
}

bool GridModel::revertAll() {
    bool any = false;
    for (int row = int(rows_.size()) - 1; row >= 0; --row)
        if (rows_[size_t(row)].dirty) {
            any = true;
            revertRow(row);
        }
    return any;
}

void GridModel::revertRow(int row) {
    Row& r = rows_[size_t(row)];
    if (r.rowid < 0) {
        const Changing changing(changing_);
        beginRemoveRows({}, row, row);
        rows_.erase(rows_.begin() + row);
        endRemoveRows();
        return;
    }
    r.edited = r.stored;
    r.dirty = false;
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
}

bool GridModel::deleteRow(int row) {
    if (row < 0 || row >= int(rows_.size()))
        return false;
    const Deferred::Guard busy(deferred_);
    const quint64 serial = rows_[size_t(row)].serial;
    QVariantList values = rows_[size_t(row)].edited;
    GridRecord record(names_, values);
    ChangeStatus status = ChangeStatus::Ok;
    if (willChange_)
        willChange_(ChangeReason::Delete, record, status);
    if (status == ChangeStatus::Cancel)
        return false;
    row = indexOf(serial);
    StoreResult result;
    if (row >= 0 && rows_[size_t(row)].rowid >= 0)
        result = store_.deleteRow(selection_.table, names_, rows_[size_t(row)].rowid,
                                  rows_[size_t(row)].stored);
    // As a record set does, the deletion is followed by an update
    // notification, which ends it whatever became of it; its outcome
    // changes nothing.
    if (willChange_) {
        ChangeStatus ignored = ChangeStatus::Ok;
        willChange_(ChangeReason::Update, record, ignored);
    }
    row = indexOf(serial);
    if (row < 0)
        return false;
    if (!result.ok()) {
        answerRefusal(result, true);
        return false;
    }
    const Changing changing(changing_);
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
    return true;
}

void GridModel::answerRefusal(const StoreResult& result, bool deleting) {
    sayRefusal(result, {deleting ? QStringLiteral("De rij is niet verwijderd")
                                 : QStringLiteral("De wijziging is niet opgeslagen"),
                        QStringLiteral("de rij"), !deleting});
    switch (result.outcome) {
    case Outcome::Stale:
    case Outcome::Gone:
        deferred_.post([this] {
            if (const StoreResult again = reload(); !again.ok())
                sayNotRefreshed(again);
        });
        break;
    case Outcome::MeetGone:
        if (meetGone_)
            deferred_.post(meetGone_);
        break;
    default:
        break;
    }
}

} // namespace tavrel
