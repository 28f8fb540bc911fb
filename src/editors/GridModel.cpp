#include "GridModel.h"

#include "common/Ui.h"
#include "common/Values.h"
#include "common/db/Connection.h"

#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

namespace tavrel {

namespace {

const QVariant kNull = QVariant(QMetaType::fromType<QString>());

bool isNumberType(QMetaType type) {
    switch (type.id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

} // namespace

QVariant GridRecord::value(const QString& column) const {
    const qsizetype i = names_.indexOf(column, 0);
    return i >= 0 ? values_[i] : QVariant();
}

void GridRecord::setValue(const QString& column, const QVariant& value) {
    const qsizetype i = names_.indexOf(column);
    if (i >= 0)
        values_[i] = value;
}

GridModel::GridModel(QObject* parent)
    : QAbstractTableModel(parent) {}

bool GridModel::select(Connection& connection, const QString& table, const QString& where,
                       const QVariantList& values, const QString& orderBy) {
    beginResetModel();
    rows_.clear();
    connection_ = &connection;
    table_ = table;
    where_ = where;
    whereValues_ = values;
    orderBy_ = orderBy;
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    ErrorInfo error;
    // The rowid, which every table has, finds the row again to store it.
    const bool ok =
        connection.run(query,
                       QStringLiteral("SELECT rowid, * FROM ") + table + QStringLiteral(" WHERE ") +
                           where + QStringLiteral(" ORDER BY ") + orderBy,
                       values, &error);
    if (ok) {
        const QSqlRecord record = query.record();
        names_.clear();
        numeric_.clear();
        for (int i = 1; i < record.count(); ++i) {
            names_ << record.fieldName(i);
            numeric_.push_back(isNumberType(record.field(i).metaType()));
        }
        while (query.next()) {
            Row row;
            row.rowid = query.value(0).toLongLong();
            for (int i = 1; i < record.count(); ++i)
                row.stored << query.value(i);
            row.edited = row.stored;
            rows_.push_back(std::move(row));
        }
    }
    captions_.resize(names_.size());
    centred_.resize(size_t(names_.size()), false);
    endResetModel();
    if (!ok)
        ReportError(QStringLiteral("OpenRecordSet"), error);
    return ok;
}

void GridModel::clear() {
    beginResetModel();
    rows_.clear();
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
    if (!index.isValid())
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
    if (!index.isValid() || role != Qt::EditRole)
        return false;
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
        // Typing in the empty last line starts a new row.
        beginInsertRows({}, int(rows_.size()) + 1, int(rows_.size()) + 1);
        Row row;
        for (int i = 0; i < names_.size(); ++i)
            row.stored << kNull;
        row.edited = row.stored;
        rows_.push_back(std::move(row));
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

bool GridModel::commitRow(int row) {
    if (row < 0 || row >= int(rows_.size()) || !rows_[size_t(row)].dirty)
        return true;
    Row& r = rows_[size_t(row)];
    ChangeStatus status = ChangeStatus::Ok;
    QVariantList values = r.edited;
    GridRecord record(names_, values);
    if (willChange_)
        willChange_(ChangeReason::Update, record, status);
    if (status == ChangeStatus::Cancel) {
        revertRow(row);
        return false;
    }
    Row candidate = r;
    candidate.edited = values;
    ErrorInfo error;
    bool stale = false;
    if (!store(candidate, &error, &stale)) {
        reportNotStored(error);
        if (stale) {
            reload();
        } else if (isBusy(error)) {
            // Another program holds the database: what was typed stays, to
            // be stored on the next try.
        } else {
            revertRow(row);
        }
        return false;
    }
    r = candidate;
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
    return true;
}

bool GridModel::reload() {
    return connection_ && select(*connection_, table_, where_, whereValues_, orderBy_);
}

bool GridModel::commitAll() {
    bool ok = true;
    for (int row = int(rows_.size()) - 1; row >= 0; --row)
        ok = commitRow(row) && ok;
    return ok;
}

namespace {

// "a IS ? AND b IS ?": the row still holds what the window loaded (IS also
// matches nulls).
QString unchanged(const QStringList& names) {
    QStringList tests;
    for (const QString& name : names)
        tests << name + QStringLiteral(" IS ?");
    return tests.join(QStringLiteral(" AND "));
}

const QString kStale = QStringLiteral(
    "De rij is intussen door een ander programma gewijzigd. Het venster toont nu wat er is "
    "opgeslagen; er is niets anders veranderd.");

} // namespace

bool GridModel::store(Row& row, ErrorInfo* error, bool* stale) {
    QStringList assignments, marks;
    for (const QString& name : names_) {
        assignments << name + QStringLiteral(" = ?");
        marks << QStringLiteral("?");
    }
    QVariantList values = row.edited;
    QSqlQuery query(connection_->database());
    bool ok;
    if (row.rowid < 0) {
        ok = connection_->run(query,
                              QStringLiteral("INSERT INTO ") + table_ + QStringLiteral(" (") +
                                  names_.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                                  marks.join(QStringLiteral(", ")) + QLatin1Char(')'),
                              values, error);
        if (ok)
            row.rowid = query.lastInsertId().toLongLong();
    } else {
        values << row.rowid << row.stored;
        ok = connection_->run(query,
                              QStringLiteral("UPDATE ") + table_ + QStringLiteral(" SET ") +
                                  assignments.join(QStringLiteral(", ")) +
                                  QStringLiteral(" WHERE rowid = ? AND ") + unchanged(names_),
                              values, error);
        if (ok && query.numRowsAffected() != 1) {
            *stale = true;
            *error = {0, kErrorSource, kStale};
            return false;
        }
    }
    if (ok) {
        refetch(row);
        row.dirty = false;
    }
    return ok;
}

// The row as the database now holds it, so the next comparison is exact.
void GridModel::refetch(Row& row) {
    QSqlQuery query(connection_->database());
    ErrorInfo error;
    if (connection_->run(
            query, QStringLiteral("SELECT * FROM ") + table_ + QStringLiteral(" WHERE rowid = ?"),
            {row.rowid}, &error) &&
        query.next()) {
        row.stored.clear();
        for (int i = 0; i < names_.size(); ++i)
            row.stored << query.value(i);
    } else {
        row.stored = row.edited;
    }
    row.edited = row.stored;
}

void GridModel::revertRow(int row) {
    Row& r = rows_[size_t(row)];
    if (r.rowid < 0) {
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
    ChangeStatus status = ChangeStatus::Ok;
    QVariantList values = rows_[size_t(row)].edited;
    GridRecord record(names_, values);
    if (willChange_)
        willChange_(ChangeReason::Delete, record, status);
    if (status == ChangeStatus::Cancel)
        return false;
    if (rows_[size_t(row)].rowid >= 0) {
        ErrorInfo error;
        QSqlQuery query(connection_->database());
        if (!connection_->run(query,
                              QStringLiteral("DELETE FROM ") + table_ +
                                  QStringLiteral(" WHERE rowid = ? AND ") + unchanged(names_),
                              QVariantList{rows_[size_t(row)].rowid} + rows_[size_t(row)].stored,
                              &error)) {
            reportNotStored(error);
            return false;
        }
        if (query.numRowsAffected() != 1) {
            reportNotStored({0, kErrorSource, kStale});
            reload();
            return false;
        }
    }
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
    // As a record set does, the deletion is followed by an update
    // notification for the deleted row, which ends the deletion; its
    // outcome changes nothing.
    if (willChange_) {
        ChangeStatus ignored = ChangeStatus::Ok;
        willChange_(ChangeReason::Update, record, ignored);
    }
    return true;
}

void GridModel::reportNotStored(const ErrorInfo& error) {
    Ui::current().messageBox(QStringLiteral("De wijziging is niet opgeslagen.\r\n\r\n") +
                                 error.Description,
                             kProgramTitle, Buttons::Ok, Icon::Critical);
}

} // namespace tavrel
