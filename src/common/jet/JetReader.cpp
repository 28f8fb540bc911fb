#include "JetReader.h"

#include "JetValues.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

namespace tavrel::jet {

namespace {

using Bytes = std::vector<std::uint8_t>;

// The layout constants that differ between Jet 3 and Jet 4.
struct Format {
    bool jet4;
    std::uint32_t pageSize;
    int dataRowCount;  // number of rows on a data page
    int tdefRowCount;  // number of rows of a table
    int tdefTableType; // user or system table
    int tdefVarCols;
    int tdefCols;
    int tdefRealIndexes;
    int tdefUsedPages;
    int tdefColumns; // where the real index entries start
    int realIndexSize;
    int columnSize;
    int colNumber, colVarIndex, colPrecision, colFlags, colFixedOffset, colLength;
};

constexpr Format kJet3{false, 2048, 8,  0x0c, 0x14, 0x17, 0x19, 0x1f, 0x23,
                       0x2b,  8,    18, 1,    3,    9,    13,   14,   16};
constexpr Format kJet4{true, 4096, 12, 0x10, 0x28, 0x2b, 0x2d, 0x33, 0x37,
                       0x3f, 12,   25, 5,    7,    11,   15,   21,   23};

constexpr std::uint8_t kDataPage = 0x01;
constexpr std::uint8_t kTablePage = 0x02;
constexpr std::uint8_t kMapPage = 0x05;
constexpr std::uint16_t kDeletedRow = 0x8000;
constexpr std::uint16_t kPointerRow = 0x4000;
constexpr std::uint16_t kOffsetMask = 0x1fff;
constexpr std::uint32_t kCatalogPage = 2;
// More text than a club's files sensibly hold in one field; a value this
// long would be carried through every sort of a run.
constexpr std::size_t kLongestText = 64 * 1024;
// Days from 1899-12-30 to 100-01-01 and to 10000-01-01.
constexpr double kFirstDay = -657434;
constexpr double kLastDay = 2958466;

struct Damaged {
    std::string what;
};

[[noreturn]] void damaged(std::string what) {
    throw Damaged{std::move(what)};
}

std::uint16_t u16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}
std::uint32_t u24(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
}
std::uint32_t u32(const std::uint8_t* p) {
    return u24(p) | (std::uint32_t(p[3]) << 24);
}

// Bytes at [at, at + n) of buffer, or damage.
const std::uint8_t* span(const Bytes& buffer, std::size_t at, std::size_t n, const char* what) {
    if (at > buffer.size() || n > buffer.size() - at)
        damaged(what);
    return buffer.data() + at;
}

// The key the first page is scrambled with, from offset 0x18.
void rc4(std::uint8_t* data, std::size_t size) {
    const std::uint8_t key[4] = {0xc7, 0xda, 0x39, 0x6b};
    std::uint8_t s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = std::uint8_t(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) & 0xff;
        std::swap(s[i], s[j]);
    }
    for (std::size_t n = 0, i = 0, j = 0; n < size; ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        data[n] ^= s[(s[i] + s[j]) & 0xff];
    }
}

// A data pointer: the row number in its low byte, the page above it.
struct RowRef {
    std::uint32_t page;
    int row;
};
RowRef rowRef(std::uint32_t pointer) {
    return {pointer >> 8, int(pointer & 0xff)};
}

} // namespace

Kind kindOf(const unsigned char* b, std::size_t size) {
    if (size < 0x15)
        return Kind::Other;
    if (std::memcmp(b + 4, "Standard ACE DB", 15) == 0)
        return Kind::Ace;
    if (std::memcmp(b + 4, "Standard Jet DB", 15) != 0)
        return Kind::Other;
    switch (b[0x14]) {
    case 0:
        return Kind::Jet3;
    case 1:
        return Kind::Jet4;
    default:
        return Kind::Ace;
    }
}

namespace {

// A file opened by its own name, wide on Windows (no code page in between),
// with 64-bit places, so a file past 2 GiB reads as well.
std::FILE* openForReading(const std::filesystem::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

bool seekTo(std::FILE* file, std::uint64_t at) {
#ifdef _WIN32
    return _fseeki64(file, std::int64_t(at), SEEK_SET) == 0;
#else
    return fseeko(file, off_t(at), SEEK_SET) == 0;
#endif
}

std::int64_t sizeOf(std::FILE* file) {
#ifdef _WIN32
    return _fseeki64(file, 0, SEEK_END) == 0 ? _ftelli64(file) : -1;
#else
    return fseeko(file, 0, SEEK_END) == 0 ? std::int64_t(ftello(file)) : -1;
#endif
}

} // namespace

struct File::Impl {
    std::FILE* file = nullptr;
    std::string memory; // the file's bytes, when it is read from memory
    Format format = kJet4;
    std::uint32_t pageCount = 0;

    ~Impl() {
        if (file)
            std::fclose(file);
    }

    Bytes page(std::uint32_t number) const {
        if (number >= pageCount)
            damaged("pagina " + std::to_string(number) + " ligt buiten het bestand");
        Bytes bytes(format.pageSize);
        const std::uint64_t at = std::uint64_t(number) * format.pageSize;
        if (!file) {
            std::memcpy(bytes.data(), memory.data() + at, bytes.size());
        } else if (!seekTo(file, at) ||
                   std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
            damaged("pagina " + std::to_string(number) + " kan niet worden gelezen");
        }
        return bytes;
    }

    // The bytes of a row on a data page: [begin, end).
    std::pair<std::size_t, std::size_t> rowBounds(const Bytes& p, int row,
                                                  std::uint16_t* flags) const {
        const int count = u16(
            span(p, std::size_t(format.dataRowCount), 2, "de rijtelling van een pagina ontbreekt"));
        if (row < 0 || row >= count)
            damaged("verwijzing naar een rij die er niet is");
        const std::size_t table = std::size_t(format.dataRowCount) + 2;
        const std::uint16_t raw = u16(
            span(p, table + 2 * std::size_t(row), 2, "de rijtabel van een pagina is afgebroken"));
        const std::size_t begin = raw & kOffsetMask;
        const std::size_t end = row == 0 ? p.size()
                                         : (u16(span(p, table + 2 * std::size_t(row - 1), 2,
                                                     "de rijtabel van een pagina is afgebroken")) &
                                            kOffsetMask);
        if (begin < table + 2 * std::size_t(count) || end > p.size() || begin > end)
            damaged("een rij ligt buiten haar pagina");
        if (flags)
            *flags = raw;
        return {begin, end};
    }

    // The bytes of the row a data pointer names.
    Bytes rowAt(RowRef ref) const {
        const Bytes p = page(ref.page);
        if (p[0] != kDataPage)
            damaged("een verwijzing wijst niet naar een gegevenspagina");
        const auto [begin, end] = rowBounds(p, ref.row, nullptr);
        return Bytes(p.begin() + std::ptrdiff_t(begin), p.begin() + std::ptrdiff_t(end));
    }

    Bytes tableDefinition(std::uint32_t first) const {
        Bytes all;
        std::set<std::uint32_t> seen;
        for (std::uint32_t next = first; next != 0;) {
            if (!seen.insert(next).second || seen.size() > pageCount)
                damaged("de tabeldefinitie loopt in een kring");
            const Bytes p = page(next);
            if (p[0] != kTablePage)
                damaged("pagina " + std::to_string(next) + " is geen tabeldefinitie");
            all.insert(all.end(), p.begin() + (all.empty() ? 0 : 8), p.end());
            next = u32(p.data() + 4);
        }
        return all;
    }

    Table readTable(const std::string& name, std::uint32_t first) const {
        const Format& f = format;
        const Bytes d = tableDefinition(first);
        Table t;
        t.name = name;
        t.definitionPage = first;
        span(d, std::size_t(f.tdefColumns), 0, "een tabeldefinitie is te kort");
        t.rowCount = u32(d.data() + f.tdefRowCount);
        t.varColumnCount = u16(d.data() + f.tdefVarCols);
        const int columns = u16(d.data() + f.tdefCols);
        const std::uint32_t realIndexes = u32(d.data() + f.tdefRealIndexes);
        t.usageRow = u32(d.data() + f.tdefUsedPages);
        if (realIndexes > d.size())
            damaged("een tabeldefinitie noemt meer indexen dan ze bevat");
        std::size_t at = std::size_t(f.tdefColumns) + realIndexes * std::size_t(f.realIndexSize);
        for (int i = 0; i < columns; ++i, at += std::size_t(f.columnSize)) {
            const std::uint8_t* c =
                span(d, at, std::size_t(f.columnSize), "een kolomdefinitie is afgebroken");
            Column col;
            col.type = Type(c[0]);
            col.number = u16(c + f.colNumber);
            col.varIndex = u16(c + f.colVarIndex);
            col.precision = c[f.colPrecision];
            col.scale = c[f.colPrecision + 1];
            col.fixed = (c[f.colFlags] & 0x01) != 0;
            col.fixedOffset = u16(c + f.colFixedOffset);
            col.size = u16(c + f.colLength);
            t.columns.push_back(col);
        }
        for (Column& col : t.columns) {
            std::size_t length = 0;
            if (f.jet4) {
                length = u16(span(d, at, 2, "een kolomnaam is afgebroken"));
                at += 2;
            } else {
                length = *span(d, at, 1, "een kolomnaam is afgebroken");
                at += 1;
            }
            const std::uint8_t* n = span(d, at, length, "een kolomnaam is afgebroken");
            col.name = f.jet4 ? jet4Text(n, length) : jet3Text(n, length);
            at += length;
        }
        std::stable_sort(t.columns.begin(), t.columns.end(),
                         [](const Column& a, const Column& b) { return a.number < b.number; });
        checkColumns(t);
        return t;
    }

    // A definition whose columns cannot all be what it says is damage: an
    // unknown type, or two columns in one place of a row.
    static void checkColumns(const Table& t) {
        std::set<int> numbers, places;
        for (const Column& c : t.columns) {
            switch (c.type) {
            case Type::Bool:
            case Type::Byte:
            case Type::Int:
            case Type::Long:
            case Type::Money:
            case Type::Float:
            case Type::Double:
            case Type::DateTime:
            case Type::Binary:
            case Type::Text:
            case Type::Ole:
            case Type::Memo:
            case Type::Guid:
            case Type::Numeric:
            case Type::Complex:
                break;
            default:
                damaged("de kolom " + c.name + " is van een onbekende soort");
            }
            if (!numbers.insert(c.number).second ||
                (!c.fixed && c.type != Type::Bool && !places.insert(c.varIndex).second))
                damaged("twee kolommen staan op dezelfde plaats");
        }
    }

    // The table's pages, in page order, from its usage map.
    std::vector<std::uint32_t> dataPages(const Table& t) const {
        const Bytes map = rowAt(rowRef(t.usageRow));
        std::vector<std::uint32_t> pages;
        auto addBits = [&](const std::uint8_t* bits, std::size_t size, std::uint64_t base) {
            for (std::size_t i = 0; i < size; ++i)
                for (int b = 0; b < 8; ++b)
                    if (bits[i] & (1u << b)) {
                        const std::uint64_t n = base + i * 8 + std::uint64_t(b);
                        // A page the table owns but the file lacks: cut short.
                        if (n >= pageCount)
                            damaged("de tabel " + t.name +
                                    " loopt door tot na het einde van het bestand");
                        pages.push_back(std::uint32_t(n));
                    }
        };
        if (map.empty())
            damaged("de paginakaart van een tabel is leeg");
        if (map[0] == 0) {
            if (map.size() < 5)
                damaged("de paginakaart van een tabel is te kort");
            addBits(map.data() + 5, map.size() - 5, u32(map.data() + 1));
        } else if (map[0] == 1) {
            const std::uint64_t perPage = (std::uint64_t(format.pageSize) - 4) * 8;
            std::set<std::uint32_t> mapPages;
            for (std::size_t j = 0; 1 + 4 * j + 4 <= map.size(); ++j) {
                const std::uint32_t mapPage = u32(map.data() + 1 + 4 * j);
                // A map page named again is read once: a hostile map could
                // name one page a thousand times.
                if (mapPage == 0 || !mapPages.insert(mapPage).second)
                    continue;
                const Bytes p = page(mapPage);
                if (p[0] != kMapPage)
                    damaged("pagina " + std::to_string(mapPage) + " is geen paginakaart");
                addBits(p.data() + 4, p.size() - 4, j * perPage);
            }
        } else {
            damaged("de paginakaart van een tabel is van een onbekende soort");
        }
        std::sort(pages.begin(), pages.end());
        pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
        return pages;
    }

    // What one walk through a table has delivered so far: no walk yields
    // more long-value bytes than the file holds, however its rows point.
    struct Walk {
        std::uint64_t longBytes = 0;
    };

    std::uint64_t fileSize() const { return std::uint64_t(pageCount) * format.pageSize; }

    // A memo or OLE value: inline, in one long-value row, or in a chain.
    Bytes longValue(const std::uint8_t* field, std::size_t size, Walk& walk) const {
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

    // Splits one row into its columns and converts the wanted ones.
    void crackRow(const Table& t, const std::uint8_t* row, std::size_t size,
                  const std::vector<int>& wanted, std::vector<Value>& out, Walk& walk) const {
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
            return std::size_t(number) < rowColumns &&
                   (mask[number / 8] & (1u << (number % 8))) != 0;
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
};

File::~File() = default;

std::unique_ptr<File> File::open(const std::filesystem::path& path, std::string* error) {
    auto impl = std::make_unique<Impl>();
    impl->file = openForReading(path);
    if (!impl->file) {
        *error = "kan niet worden geopend";
        return nullptr;
    }
    return start(std::move(impl), error);
}

std::unique_ptr<File> File::fromBytes(std::string bytes, std::string* error) {
    auto impl = std::make_unique<Impl>();
    impl->memory = std::move(bytes);
    return start(std::move(impl), error);
}

std::unique_ptr<File> File::start(std::unique_ptr<Impl> started, std::string* error) {
    std::unique_ptr<File> f(new File);
    f->impl_ = std::move(started);
    Impl& impl = *f->impl_;
    Bytes head(kJet3.pageSize);
    std::size_t got = 0;
    std::int64_t size = 0;
    if (impl.file) {
        got = std::fread(head.data(), 1, head.size(), impl.file);
        size = sizeOf(impl.file);
    } else {
        got = std::min(head.size(), impl.memory.size());
        std::memcpy(head.data(), impl.memory.data(), got);
        size = std::int64_t(impl.memory.size());
    }
    switch (kindOf(head.data(), got)) {
    case Kind::Jet3:
        impl.format = kJet3;
        break;
    case Kind::Jet4:
        impl.format = kJet4;
        break;
    case Kind::Ace:
        *error = "is een Access-bestand van 2007 of later (.accdb), dat dit programma niet leest";
        return nullptr;
    case Kind::Other:
        *error = "is geen Jet-database";
        return nullptr;
    }
    f->jet4_ = impl.format.jet4;
    if (size < std::int64_t(impl.format.pageSize) * 3) {
        *error = "is beschadigd of onvolledig (te kort)";
        return nullptr;
    }
    // Beyond 2^32 pages (16 TB) a page number cannot reach: the rest is unread.
    impl.pageCount = std::uint32_t(
        std::min<std::int64_t>(size / std::int64_t(impl.format.pageSize), UINT32_MAX));
    rc4(head.data() + 0x18, impl.format.jet4 ? 128 : 126);
    if (u32(head.data() + 0x3e) != 0) {
        *error = "is versleuteld en kan hier niet worden gelezen";
        return nullptr;
    }
    try {
        // The catalog: MSysObjects, whose definition is always on page 2.
        Table catalog = impl.readTable("MSysObjects", kCatalogPage);
        std::vector<int> wanted(4, -1);
        const char* names[4] = {"Id", "Name", "Type", "Flags"};
        for (std::size_t c = 0; c < catalog.columns.size(); ++c)
            for (int n = 0; n < 4; ++n)
                if (catalog.columns[c].name == names[n])
                    wanted[std::size_t(n)] = int(c);
        if (std::count(wanted.begin(), wanted.end(), -1) != 0)
            damaged("de lijst van tabellen is onleesbaar");
        std::string why;
        const bool ok = f->readRows(
            catalog, wanted,
            [&](const std::vector<Value>& v) {
                constexpr std::int64_t kSystem = 0x80000002;
                const std::int64_t type = v[2].integer;
                if (type == 1 && !(v[3].integer & kSystem) && v[1].bytes.rfind("MSys", 0) != 0) {
                    f->userTables_.push_back(v[1].bytes);
                    f->pagesOf_.push_back(std::uint32_t(v[0].integer) & 0x00ffffff);
                } else if (type == 4 || type == 6) {
                    f->others_.emplace_back(v[1].bytes, "een gekoppelde tabel");
                } else if (type == 5) {
                    f->others_.emplace_back(v[1].bytes, "een query");
                }
                return true;
            },
            &why);
        if (!ok) {
            *error = why;
            return nullptr;
        }
        // Every table's definition and page map, so that a file copied only
        // in part is refused at once, before any run depends on it.
        for (std::size_t i = 0; i < f->userTables_.size(); ++i)
            impl.dataPages(impl.readTable(f->userTables_[i], f->pagesOf_[i]));
    } catch (const Damaged& d) {
        *error = "is beschadigd of onvolledig (" + d.what + ")";
        return nullptr;
    }
    return f;
}

namespace {
std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}
} // namespace

std::string File::otherObject(const std::string& name) const {
    for (const auto& [other, kind] : others_)
        if (lower(other) == lower(name))
            return kind;
    return {};
}

bool File::table(const std::string& name, Table* table, std::string* error) {
    for (std::size_t i = 0; i < userTables_.size(); ++i) {
        if (lower(userTables_[i]) != lower(name))
            continue;
        try {
            *table = impl_->readTable(userTables_[i], pagesOf_[i]);
            return true;
        } catch (const Damaged& d) {
            *error = "is beschadigd of onvolledig (tabel " + userTables_[i] + ": " + d.what + ")";
            return false;
        }
    }
    *error = "bevat geen tabel " + name;
    return false;
}

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
