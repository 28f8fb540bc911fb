#pragma once

#include "LimitsStore.h"

#include <QStringList>
#include <QVariant>

#include <functional>
#include <vector>

namespace tavrel {

// The meets of the limits editor: a current record over the meets ordered
// by code, whose field edits are stored when the current record changes.
// Records added with addNew stand after all the others; the order is not
// sorted again until the source is opened anew. Every read and change goes
// through the LimitsStore; answers are results the window shows.
class MeetSource {
public:
    explicit MeetSource(LimitsStore& store)
        : store_(store) {}

    // Reads the meets afresh, with no record current. When they cannot be
    // read the source keeps what it had.
    StoreResult open();
    int recordCount() const { return int(records_.size()); }
    // The current record's position, -1 when there is none.
    int position() const { return current_; }
    bool hasCurrent() const { return current_ >= 0 && current_ < recordCount(); }
    bool currentIsNew() const { return hasCurrent() && !records_[size_t(current_)].stored; }
    // The current record has edits that are not stored yet.
    bool isDirty() const { return hasCurrent() && records_[size_t(current_)].dirty; }

    // Every code, in the source's order.
    QStringList codes() const;

    // Each move first stores the edits of the record it leaves; when they
    // cannot be stored the source stays where it is and says why. A new
    // record left without any edit goes away.
    StoreResult moveTo(int position);
    // Makes current the first record whose code is code; Gone when none.
    StoreResult findFirst(const QString& code);
    StoreResult addNew();
    // Deletes the current record (its limits go with it) while it still
    // holds what was loaded; no record is current afterwards.
    StoreResult deleteCurrent();

    QVariant field(const QString& name) const;
    // The field as it was loaded (or last stored).
    QVariant storedField(const QString& name) const;
    void setField(const QString& name, const QVariant& value);
    // Stores the current record's edits now, only while the meet still
    // holds what was loaded.
    StoreResult update();
    // Drops the current record's edits; a new record never stored goes away
    // (no record is then current). True when there were any.
    bool revert();
    // Moves the current meet's dates and its limits' birth years by step years.
    StoreResult shiftYear(int step);

    // Called whenever the current record changes.
    std::function<void()> onReposition;

private:
    struct Record {
        QVariantList values;
        QVariantList saved;
        bool stored = false; // in the database
        bool dirty = false;
    };
    void notify();
    // Stores the current record's edits and lets go of it.
    StoreResult leave();

    LimitsStore& store_;
    std::vector<Record> records_;
    int current_ = -1;
};

} // namespace tavrel
