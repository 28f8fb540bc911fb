#include "JetImpl.h"
#include "JetValues.h"

#include <set>

namespace tavrel::jet {

void File::Impl::crackRow(const Table& t, const std::uint8_t* row, std::size_t size,
                          const std::vector<int>& wanted, std::vector<Value>& out,
                          Walk& walk) const {
    const bool jet4 = format.jet4;
    const std::size_t countSize = jet4 ? 2 : 1;
    if (size < countSize)
        damaged("een rij is te kort");
    const std::size_t rowColumns = jet4 ? u16(row) : row[0];
    const std::size_t maskSize = (rowColumns + 7) / 8;
    if (size < countSize + maskSize)
        damaged("een rij is te kort voor haar lijst van lege velden");
    const std::uint8_t* mask = row + size - maskSize;
    auto present = [&](int number) {
        return std::size_t(number) < rowColumns && (mask[number / 8] & (1u << (number % 8))) != 0;
    };

    // Offsets of the variable columns, the last one the end of their data.
    std::vector<std::size_t> offsets;
    std::size_t varCount = 0;
    if (t.varColumnCount > 0) {
        if (jet4) {
            if (size < countSize + maskSize + 2)
                damaged("een rij is te kort");
            varCount = u16(row + size - maskSize - 2);
            const std::size_t tableEnd = size - maskSize - 2;
            if (2 * (varCount + 1) + countSize > tableEnd)
                damaged("een rij noemt meer velden dan ze bevat");
            for (std::size_t i = 0; i <= varCount; ++i)
                offsets.push_back(u16(row + tableEnd - 2 * (i + 1)));
        } else {
            if (size < countSize + maskSize + 1)
                damaged("een rij is te kort");
            const std::size_t last = size - 1;
            varCount = row[last - maskSize];
            // One-byte offsets grow past 255 through a table of jumps.
            std::size_t jumps = (size - 1) / 256;
            if (last < maskSize + jumps + 1)
                damaged("een rij is te kort");
            const std::size_t table = last - maskSize - jumps - 1;
            // The table may end in a dummy jump that leads nowhere.
            if (jumps > 0 && table >= varCount && (table - varCount) / 256 < jumps)
                --jumps;
            if (table < varCount + 1)
                damaged("een rij noemt meer velden dan ze bevat");
            std::size_t used = 0;
            for (std::size_t i = 0; i <= varCount; ++i) {
                while (used < jumps && i == row[last - maskSize - used - 1])
                    ++used;
                offsets.push_back(row[table - i] + used * 256);
            }
        }
        for (std::size_t i = 0; i + 1 < offsets.size(); ++i)
            if (offsets[i] > offsets[i + 1] || offsets[i + 1] > size - maskSize)
                damaged("een veld ligt buiten zijn rij");
    }

    out.assign(wanted.size(), Value{});
    for (std::size_t w = 0; w < wanted.size(); ++w) {
        const Column& col = t.columns[std::size_t(wanted[w])];
        Value& v = out[w];
        if (col.type == Type::Bool) {
            v.kind = Value::Kind::Integer;
            v.integer = present(col.number) ? -1 : 0;
            continue;
        }
        if (!present(col.number))
            continue;
        const std::uint8_t* data;
        std::size_t length;
        if (col.fixed) {
            length = fixedSize(col);
            const std::size_t begin = countSize + std::size_t(col.fixedOffset);
            if (begin + length > size - maskSize)
                damaged("een veld ligt buiten zijn rij");
            data = row + begin;
        } else {
            if (std::size_t(col.varIndex) >= varCount)
                continue; // added after the row was stored
            const std::size_t begin = offsets[std::size_t(col.varIndex)];
            data = row + begin;
            length = offsets[std::size_t(col.varIndex) + 1] - begin;
        }
        if (col.type == Type::Memo || col.type == Type::Ole) {
            const Bytes bytes = longValue(data, length, walk);
            decode(col, bytes.data(), bytes.size(), jet4, v);
        } else {
            decode(col, data, length, jet4, v);
        }
        if ((col.type == Type::Memo || col.type == Type::Text) && v.bytes.size() > kLongestText)
            damaged("de kolom " + col.name + " bevat een tekst van meer dan 64 KiB");
        // Access keeps dates from the year 100 to 9999; anything else
        // (not a number, infinite, or out of range) is no date.
        if (v.kind == Value::Kind::Date && !(v.real >= kFirstDay && v.real < kLastDay))
            damaged("de kolom " + col.name + " bevat een datum die geen datum kan zijn");
    }
}

File::~File() = default;

bool File::readRows(const Table& table, const std::vector<int>& wanted, const RowFunction& row,
                    std::string* error) {
    const Impl& impl = *impl_;
    for (int w : wanted)
        if (w < 0 || std::size_t(w) >= table.columns.size()) {
            *error = "onbekende kolom";
            return false;
        }
    try {
        std::vector<Value> values;
        Impl::Walk walk;
        std::set<std::pair<std::uint32_t, int>> moved;
        std::uint64_t delivered = 0;
        for (const std::uint32_t number : impl.dataPages(table)) {
            const Bytes p = impl.page(number);
            // Every page the map names holds this table's rows: one that
            // does not is damage, not a page to pass over.
            if (p[0] != kDataPage || u32(p.data() + 4) != table.definitionPage)
                damaged("pagina " + std::to_string(number) + " hoort niet bij de tabel");
            const int rows = u16(span(p, std::size_t(impl.format.dataRowCount), 2,
                                      "de rijtelling van een pagina ontbreekt"));
            for (int r = 0; r < rows; ++r) {
                std::uint16_t flags = 0;
                const auto [begin, end] = impl.rowBounds(p, r, &flags);
                if (flags & kDeletedRow)
                    continue;
                if (flags & kPointerRow) {
                    // The row moved: what stands here points to where it is now.
                    if (end - begin < 4)
                        damaged("een verwijzing naar een verplaatste rij is te kort");
                    const RowRef to = rowRef(u32(p.data() + begin));
                    if (!moved.insert({to.page, to.row}).second)
                        damaged("twee rijen wijzen naar dezelfde verplaatste rij");
                    const Bytes at = impl.rowAt(to);
                    impl.crackRow(table, at.data(), at.size(), wanted, values, walk);
                } else {
                    impl.crackRow(table, p.data() + begin, end - begin, wanted, values, walk);
                }
                ++delivered;
                if (!row(values))
                    return true;
            }
        }
        // The definition counts the table's rows: a walk that found other
        // than that many passed over damage.
        if (delivered != table.rowCount)
            damaged(std::to_string(delivered) + " van de " + std::to_string(table.rowCount) +
                    " rijen zijn leesbaar");
    } catch (const Damaged& d) {
        *error = "is beschadigd of onvolledig (tabel " + table.name + ": " + d.what + ")";
        return false;
    }
    return true;
}

} // namespace tavrel::jet
