// The Jet reader on mutated files: open, list, read every column of every table.
#include "common/jet/JetReader.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrel::jet;
    std::string error;
    auto file = File::fromBytes(std::string(reinterpret_cast<const char*>(data), size), &error);
    if (!file)
        return 0;
    for (const std::string& name : file->tableNames()) {
        Table table;
        if (!file->table(name, &table, &error))
            continue;
        std::vector<int> all(table.columns.size());
        for (std::size_t i = 0; i < all.size(); ++i)
            all[i] = int(i);
        file->readRows(
            table, all, [](const std::vector<Value>&) { return true; }, &error);
    }
    return 0;
}
