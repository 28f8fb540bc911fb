#include "MeetSource.h"

#include "common/Ui.h"
#include "common/db/Connection.h"
#include "common/db/Recordset.h"

#include <QSqlQuery>

namespace tavrel {

const QStringList& MeetSource::fieldNames() {
    static const QStringList names = {QStringLiteral("code"),      QStringLiteral("datum1"),
                                      QStringLiteral("datum2"),    QStringLiteral("wedstrijd"),
                                      QStringLiteral("opmerking"), QStringLiteral("badlengte")};
    return names;
}

bool MeetSource::open() {
    records_.clear();
    current_ = -1;
    Recordset rs =
        OpenRecordSet(QStringLiteral("SELECT * FROM wedstrijden ORDER BY code"), connection_);
    if (!rs.isOpen())
        return false;
    for (; !rs.atEnd(); rs.MoveNext()) {
        Record r;
        for (const QString& name : fieldNames())
            r.values << rs[name];
        r.saved = r.values;
        r.stored = true;
        records_.push_back(std::move(r));
    }
    return true;
}

QStringList MeetSource::codes() const {
    QStringList list;
    for (const Record& r : records_)
        list << r.values[0].toString();
    return list;
}

void MeetSource::leaveCurrent() {
    update();
    // A meet made with "Nieuw" and left without anything stored is dropped;
    // it stands last, so no other position moves.
    if (hasCurrent() && !records_[size_t(current_)].stored && !records_[size_t(current_)].dirty)
        records_.erase(records_.begin() + current_);
    current_ = -1;
}

void MeetSource::moveTo(int position) {
    leaveCurrent();
    current_ = position >= 0 && position < recordCount() ? position : -1;
    if (onReposition)
        onReposition();
}

bool MeetSource::findFirst(const QString& code) {
    for (int i = 0; i < recordCount(); ++i)
        if (records_[size_t(i)].values[0].toString() == code) {
            moveTo(i);
            return true;
        }
    return false;
}

void MeetSource::addNew() {
    leaveCurrent();
    Record r;
    for (int i = 0; i < fieldNames().size(); ++i)
        r.values << QVariant(QMetaType::fromType<QString>());
    r.saved = r.values;
    records_.push_back(std::move(r));
    current_ = recordCount() - 1;
    if (onReposition)
        onReposition();
}

bool MeetSource::deleteCurrent() {
    if (!hasCurrent())
        return false;
    Record& r = records_[size_t(current_)];
    if (r.stored) {
        ErrorInfo error;
        if (!connection_.Execute(QStringLiteral("DELETE * FROM wedstrijden WHERE code = ?"),
                                 {r.saved[0]}, &error)) {
            Ui::current().messageBox(QStringLiteral("De wedstrijd is niet verwijderd.\r\n\r\n") +
                                         error.Description,
                                     kProgramTitle, Buttons::Ok, Icon::Critical);
            return false;
        }
    }
    records_.erase(records_.begin() + current_);
    current_ = -1;
    return true;
}

QVariant MeetSource::field(const QString& name) const {
    const qsizetype i = fieldNames().indexOf(name);
    return hasCurrent() && i >= 0 ? records_[size_t(current_)].values[i] : QVariant();
}

void MeetSource::setField(const QString& name, const QVariant& value) {
    const qsizetype i = fieldNames().indexOf(name);
    if (!hasCurrent() || i < 0)
        return;
    Record& r = records_[size_t(current_)];
    r.values[i] = value;
    r.dirty = true;
}

bool MeetSource::update() {
    if (!hasCurrent() || !records_[size_t(current_)].dirty)
        return true;
    ErrorInfo error;
    bool stale = false;
    if (store(records_[size_t(current_)], &error, &stale))
        return true;
    // What another program holds may be stored when tried again: the typed
    // values stay. Any other refusal (a code that exists, an empty code)
    // would come back at every move, so the meet shows what is stored.
    const bool keep = isBusy(error);
    Ui::current().messageBox(
        QStringLiteral("De wedstrijd is niet opgeslagen.\r\n\r\n") + error.Description +
            (keep || stale
                 ? QString()
                 : QStringLiteral("\r\n\r\nHet venster toont weer wat er is opgeslagen.")),
        kProgramTitle, Buttons::Ok, Icon::Critical);
    if (stale && onStale) {
        onStale();
    } else if (!keep) {
        Record& r = records_[size_t(current_)];
        r.values = r.saved;
        r.dirty = false;
        if (onReposition)
            onReposition();
    }
    return false;
}

bool MeetSource::store(Record& r, ErrorInfo* error, bool* stale) {
    bool ok;
    if (r.stored) {
        // Only what the user changed is written, and only while the meet
        // still holds what the window loaded.
        QStringList assignments, unchanged;
        QVariantList values;
        for (int i = 0; i < fieldNames().size(); ++i)
            if (r.values[i] != r.saved[i] || r.values[i].isNull() != r.saved[i].isNull()) {
                assignments << fieldNames()[i] + QStringLiteral(" = ?");
                values << r.values[i];
            }
        for (int i = 0; i < fieldNames().size(); ++i) {
            unchanged << fieldNames()[i] + QStringLiteral(" IS ?");
            values << r.saved[i];
        }
        if (assignments.isEmpty()) {
            r.dirty = false;
            return true;
        }
        QSqlQuery query(connection_.database());
        ok = connection_.run(
            query,
            QStringLiteral("UPDATE wedstrijden SET ") + assignments.join(QStringLiteral(", ")) +
                QStringLiteral(" WHERE ") + unchanged.join(QStringLiteral(" AND ")),
            values, error);
        if (ok && query.numRowsAffected() != 1) {
            *stale = true;
            *error = {0, kErrorSource,
                      QStringLiteral("De wedstrijd is intussen door een ander programma "
                                     "gewijzigd. Het venster toont nu wat er is opgeslagen.")};
            return false;
        }
    } else {
        ok = connection_.Execute(
            QStringLiteral("INSERT INTO wedstrijden (code, datum1, datum2, wedstrijd, "
                           "opmerking, badlengte) VALUES (?, ?, ?, ?, ?, ?)"),
            r.values, error);
    }
    if (ok) {
        r.saved = r.values;
        r.stored = true;
        r.dirty = false;
    }
    return ok;
}

} // namespace tavrel
