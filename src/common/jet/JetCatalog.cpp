#include "JetImpl.h"
#include "JetValues.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace tavrel::jet {

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

Bytes File::Impl::tableDefinition(std::uint32_t first) const {
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

Table File::Impl::readTable(const std::string& name, std::uint32_t first) const {
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

void File::Impl::checkColumns(const Table& t) {
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

std::unique_ptr<File> File::start(std::unique_ptr<Impl> started, std::string* error) {
    std::unique_ptr<File> f(new File);
    f->impl_ = std::move(started);
    Impl& impl = *f->impl_;
    Bytes head(kJet3.pageSize);
    const std::size_t got = impl.readHead(head);
    const std::int64_t size = impl.size();
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
    if (size < std::int64_t(impl.format.pageSize) * 3) {
        *error = "is beschadigd of onvolledig (te kort)";
        return nullptr;
    }
    // Beyond 2^32 pages (16 TB) a page number cannot reach: the rest is unread.
    impl.pageCount = std::uint32_t(
        std::min<std::int64_t>(size / std::int64_t(impl.format.pageSize), UINT32_MAX));
    impl.descramble(head);
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

} // namespace tavrel::jet
