#include "JetImpl.h"

#include <algorithm>
#include <set>

namespace tavrel::jet {

std::vector<std::uint32_t> File::Impl::dataPages(const Table& t) const {
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

} // namespace tavrel::jet
