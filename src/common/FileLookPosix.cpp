#include "FileLook.h"

#include "Files.h"

#include <QFile>

#include <filesystem>

namespace tavrel::files {

Look look(const QString& path) {
    std::error_code ec;
    const std::filesystem::path p(QFile::encodeName(path).toStdString());
    const auto status = std::filesystem::status(p, ec);
    if (ec && status.type() != std::filesystem::file_type::not_found)
        return {Look::NoAnswer, ec == std::errc::permission_denied, systemReason(ec)};
    switch (status.type()) {
    case std::filesystem::file_type::not_found:
        return {};
    case std::filesystem::file_type::regular:
        return {Look::File, false, {}};
    default:
        return {Look::Other, false, {}};
    }
}

} // namespace tavrel::files
