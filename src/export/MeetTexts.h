#pragma once

#include "ColumnRanks.h"

#include <QByteArray>

namespace tavrel {

class Cursor;

// What a times line takes from its meet: the place, date and name with
// their separators, and the date's rank. Made once per distinct meet: the
// meets are few, and results come in the order they are stored, mostly but
// not always meet by meet.
class MeetTexts {
public:
    struct Meet {
        QByteArray text;
        int rank = -1; // -1 without ranks
    };
    void setColumns(int place, int date, int name);
    void setRanks(ColumnRanks* ranks) { ranks_ = ranks; }
    // The meet of the current record, made once per record.
    const Meet& of(const Cursor& records);

private:
    int columns_[3] = {-1, -1, -1};
    ColumnRanks* ranks_ = nullptr;
    ByBytes<Meet> known_;
    std::string key_;
    std::array<char, 8> number_{};
    std::string_view lastKey_;
    const Meet* last_ = nullptr;
    qint64 lastRecord_ = -1;
};

} // namespace tavrel
