#include "JetImpl.h"

#include <set>

namespace tavrel::jet {

Bytes File::Impl::longValue(const std::uint8_t* field, std::size_t size, Walk& walk) const {
    if (size < 12)
        damaged("een lange tekst mist haar kop");
    const std::uint32_t head = u32(field);
    const std::size_t length = head & 0x3fffffff;
    const std::uint32_t kind = head & 0xc0000000;
    if (kind == 0x80000000) {
        if (length > size - 12)
            damaged("een lange tekst is langer dan haar rij");
        return Bytes(field + 12, field + 12 + length);
    }
    walk.longBytes += length;
    if (walk.longBytes > fileSize())
        damaged("de lange teksten van een tabel zijn samen groter dan het bestand");
    RowRef ref = rowRef(u32(field + 4));
    if (kind == 0x40000000) {
        Bytes row = rowAt(ref);
        if (row.size() < length)
            damaged("een lange tekst is korter dan opgegeven");
        row.resize(length);
        return row;
    }
    if (kind != 0)
        damaged("een lange tekst is van een onbekende soort");
    Bytes value;
    std::set<std::pair<std::uint32_t, int>> seen;
    while (value.size() < length) {
        if (ref.page == 0 || !seen.insert({ref.page, ref.row}).second ||
            seen.size() > std::size_t(pageCount) * 256)
            damaged("de keten van een lange tekst is onderbroken of loopt in een kring");
        const Bytes row = rowAt(ref);
        if (row.size() < 4)
            damaged("een schakel van een lange tekst is te kort");
        ref = rowRef(u32(row.data()));
        value.insert(value.end(), row.begin() + 4, row.end());
    }
    value.resize(length);
    return value;
}

} // namespace tavrel::jet
