#include "JetImpl.h"

#include <algorithm>
#include <cstring>

namespace tavrel::jet {

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

} // namespace

File::Impl::~Impl() {
    if (file)
        std::fclose(file);
}

Bytes File::Impl::page(std::uint32_t number) const {
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

std::pair<std::size_t, std::size_t> File::Impl::rowBounds(const Bytes& p, int row,
                                                          std::uint16_t* flags) const {
    const int count =
        u16(span(p, std::size_t(format.dataRowCount), 2, "de rijtelling van een pagina ontbreekt"));
    if (row < 0 || row >= count)
        damaged("verwijzing naar een rij die er niet is");
    const std::size_t table = std::size_t(format.dataRowCount) + 2;
    const std::uint16_t raw =
        u16(span(p, table + 2 * std::size_t(row), 2, "de rijtabel van een pagina is afgebroken"));
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

Bytes File::Impl::rowAt(RowRef ref) const {
    const Bytes p = page(ref.page);
    if (p[0] != kDataPage)
        damaged("een verwijzing wijst niet naar een gegevenspagina");
    const auto [begin, end] = rowBounds(p, ref.row, nullptr);
    return Bytes(p.begin() + std::ptrdiff_t(begin), p.begin() + std::ptrdiff_t(end));
}

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

std::size_t File::Impl::readHead(Bytes& head) const {
    if (file)
        return std::fread(head.data(), 1, head.size(), file);
    const std::size_t got = std::min(head.size(), memory.size());
    std::memcpy(head.data(), memory.data(), got);
    return got;
}

void File::Impl::descramble(Bytes& head) const {
    rc4(head.data() + 0x18, format.jet4 ? 128 : 126);
}

std::int64_t File::Impl::size() const {
    return file ? sizeOf(file) : std::int64_t(memory.size());
}

} // namespace tavrel::jet
