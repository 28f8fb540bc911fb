#include "MeetSource.h"

namespace tavrel {

namespace {

const QVariant kNull = QVariant(QMetaType::fromType<QString>());

qsizetype columnOf(const QString& name) {
    return LimitsStore::meetColumns().indexOf(name);
}

} // namespace

void MeetSource::notify() {
    if (onReposition)
        onReposition();
}

StoreResult MeetSource::open() {
    std::vector<QVariantList> meets;
    const StoreResult result = store_.loadMeets(meets);
    if (!result.ok())
        return result;
    records_.clear();
    for (QVariantList& meet : meets)
        records_.push_back({meet, meet, true, false});
    current_ = -1;
    return result;
}

QStringList MeetSource::codes() const {
    QStringList list;
    for (const Record& r : records_)
        list << r.values[0].toString();
    return list;
}

StoreResult MeetSource::leave() {
    if (const StoreResult stored = update(); !stored.ok())
        return stored;
    // A meet made with "Nieuw" and left without anything typed is dropped;
    // it stands last, so no other position moves.
    if (hasCurrent() && !records_[size_t(current_)].stored && !records_[size_t(current_)].dirty)
        records_.erase(records_.begin() + current_);
    current_ = -1;
    return {};
}

StoreResult MeetSource::moveTo(int position) {
    if (const StoreResult left = leave(); !left.ok())
        return left;
    current_ = position >= 0 && position < recordCount() ? position : -1;
    notify();
    return {};
}

StoreResult MeetSource::findFirst(const QString& code) {
    for (int i = 0; i < recordCount(); ++i)
        if (records_[size_t(i)].values[0].toString() == code)
            return moveTo(i);
    return {Outcome::Gone, {}};
}

StoreResult MeetSource::addNew() {
    if (const StoreResult left = leave(); !left.ok())
        return left;
    QVariantList nulls;
    for (int i = 0; i < LimitsStore::meetColumns().size(); ++i)
        nulls << kNull;
    records_.push_back({nulls, nulls, false, false});
    current_ = recordCount() - 1;
    notify();
    return {};
}

StoreResult MeetSource::deleteCurrent() {
    if (!hasCurrent())
        return {Outcome::Gone, {}};
    Record& r = records_[size_t(current_)];
    if (r.stored) {
        if (const StoreResult result = store_.deleteMeet(r.saved); !result.ok())
            return result;
    }
    records_.erase(records_.begin() + current_);
    current_ = -1;
    return {};
}

QVariant MeetSource::field(const QString& name) const {
    const qsizetype i = columnOf(name);
    return hasCurrent() && i >= 0 ? records_[size_t(current_)].values[i] : QVariant();
}

QVariant MeetSource::storedField(const QString& name) const {
    const qsizetype i = columnOf(name);
    return hasCurrent() && i >= 0 ? records_[size_t(current_)].saved[i] : QVariant();
}

void MeetSource::setField(const QString& name, const QVariant& value) {
    const qsizetype i = columnOf(name);
    if (!hasCurrent() || i < 0)
        return;
    Record& r = records_[size_t(current_)];
    r.values[i] = value;
    r.dirty = true;
}

StoreResult MeetSource::update() {
    if (!isDirty())
        return {};
    Record& r = records_[size_t(current_)];
    const StoreResult result =
        r.stored ? store_.updateMeet(r.saved, r.values) : store_.insertMeet(r.values);
    if (result.ok()) {
        r.saved = r.values;
        r.stored = true;
        r.dirty = false;
    }
    return result;
}

bool MeetSource::revert() {
    if (!isDirty() && !currentIsNew())
        return false;
    Record& r = records_[size_t(current_)];
    if (!r.stored) {
        records_.erase(records_.begin() + current_);
        current_ = -1;
    } else {
        r.values = r.saved;
        r.dirty = false;
    }
    notify();
    return true;
}

StoreResult MeetSource::shiftYear(int step) {
    if (!hasCurrent() || currentIsNew())
        return {};
    Record& r = records_[size_t(current_)];
    QVariantList shifted;
    const StoreResult result = store_.shiftYear(r.saved, step, shifted);
    if (result.ok()) {
        r.saved = shifted;
        r.values = shifted;
        r.dirty = false;
    }
    return result;
}

} // namespace tavrel
