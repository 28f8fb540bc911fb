#include "MeetTexts.h"

#include "FieldText.h"
#include "common/Windows1252.h"
#include "common/db/Cursor.h"

namespace tavrel {

void MeetTexts::setColumns(int place, int date, int name) {
    columns_[0] = place;
    columns_[1] = date;
    columns_[2] = name;
    known_.clear();
    last_ = nullptr;
    lastRecord_ = -1;
}

const MeetTexts::Meet& MeetTexts::of(const Cursor& records) {
    if (last_ && records.walked() == lastRecord_)
        return *last_;
    lastRecord_ = records.walked();
    // The three values as stored, each with its type and length.
    key_.clear();
    for (const int column : columns_) {
        const int type = records.type(column);
        const std::string_view bytes = storedBytes(type, records.raw(column), number_);
        const auto size = quint32(bytes.size());
        key_ += char(type);
        key_.append(reinterpret_cast<const char*>(&size), sizeof size);
        key_ += bytes;
    }
    if (last_ && key_ == lastKey_)
        return *last_;
    auto known = known_.find(key_);
    if (known == known_.end()) {
        if (known_.size() >= 4096)
            known_.clear(); // bounded, whatever the file holds
        Meet meet;
        meet.text = toWindows1252(fieldText(records.value(columns_[0]))) + ';' +
                    toWindows1252(dateField(records.value(columns_[1]))) + ';' +
                    toWindows1252(fieldText(records.value(columns_[2]))) + ';';
        meet.rank = ranks_ ? ranks_->of(records, columns_[1]) : -1;
        known = known_.emplace(key_, std::move(meet)).first;
    }
    lastKey_ = known->first;
    last_ = &known->second;
    return *last_;
}

} // namespace tavrel
