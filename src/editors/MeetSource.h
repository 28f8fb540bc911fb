#pragma once

#include "common/ErrorReport.h"

#include <QStringList>
#include <QVariant>

#include <functional>
#include <vector>

namespace tavrel {

class Connection;

// The meets of the limits editor: a current record over
// "SELECT * FROM wedstrijden ORDER BY code", whose field edits are stored when
// the current record changes. Records added with addNew stand after all the
// others; the order is not sorted again until the source is opened anew.
class MeetSource {
public:
    explicit MeetSource(Connection& connection)
        : connection_(connection) {}

    bool open();
    int recordCount() const { return int(records_.size()); }
    // The current record's position, -1 when there is none.
    int position() const { return current_; }
    bool hasCurrent() const { return current_ >= 0 && current_ < recordCount(); }
    bool currentIsNew() const { return hasCurrent() && !records_[size_t(current_)].stored; }

    // Every code, in the source's order.
    QStringList codes() const;

    // Each move stores the edits of the record it leaves, then notifies.
    void moveTo(int position);
    // Makes current the first record whose code is code; false when none.
    bool findFirst(const QString& code);
    void addNew();
    // Deletes the current record (its limits go with it); no record is
    // current afterwards.
    bool deleteCurrent();

    QVariant field(const QString& name) const;
    void setField(const QString& name, const QVariant& value);
    // Stores the current record's edits now. False when the database
    // refused them; the refusal has been shown. The edits stay only when
    // another program held the database; otherwise the record shows what is
    // stored again.
    bool update();

    // Called whenever the current record changes.
    std::function<void()> onReposition;
    // Called after a store was refused because another program changed the
    // meet meanwhile: the window reloads.
    std::function<void()> onStale;

    static const QStringList& fieldNames();

private:
    struct Record {
        QVariantList values;
        QVariantList saved;
        bool stored = false; // in the database
        bool dirty = false;
    };
    void leaveCurrent();
    bool store(Record& record, ErrorInfo* error, bool* stale);

    Connection& connection_;
    std::vector<Record> records_;
    int current_ = -1;
};

} // namespace tavrel
