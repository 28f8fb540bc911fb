#include "OwnerOnlyCheck.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_WIN
#include "common/WindowsAccess.h"

#include <aclapi.h>

#include <vector>
#else
#include <sys/stat.h>
#endif

namespace tavrel::test {

#ifdef Q_OS_WIN
namespace {

// Rights that only describe the object (its attributes, its access list)
// give nothing of what it holds.
constexpr ACCESS_MASK kHarmless = SYNCHRONIZE | READ_CONTROL | FILE_READ_ATTRIBUTES;

bool grantsOthers(PSECURITY_DESCRIPTOR sd) {
    BOOL present = FALSE, defaulted = FALSE;
    PACL list = nullptr;
    if (!GetSecurityDescriptorDacl(sd, &present, &list, &defaulted) || !present || !list)
        return true; // no list at all lets everyone in
    for (DWORD i = 0; i < list->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(list, i, &ace))
            return true;
        const auto* header = static_cast<ACE_HEADER*>(ace);
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        // The system itself (which Wine lists on every file) is no other user.
        PSID sid = &allowed->SidStart;
        if (!windows::isOwnSid(sid) && !IsWellKnownSid(sid, WinLocalSystemSid) &&
            (allowed->Mask & ~kHarmless))
            return true;
    }
    return false;
}

} // namespace

bool othersMayOpen(const QString& path) {
    std::wstring name(windows::wide(QDir::toNativeSeparators(path)));
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, nullptr, nullptr, &sd) != ERROR_SUCCESS)
        return true;
    const bool others = grantsOthers(sd);
    LocalFree(sd);
    return others;
}

bool othersMayOpenKey(const QString& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, windows::wide(key), 0, READ_CONTROL, &handle) !=
        ERROR_SUCCESS)
        return true;
    DWORD size = 0;
    RegGetKeySecurity(handle, DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<BYTE> sd(size);
    const bool read = size > 0 && RegGetKeySecurity(handle, DACL_SECURITY_INFORMATION, sd.data(),
                                                    &size) == ERROR_SUCCESS;
    RegCloseKey(handle);
    return !read || grantsOthers(sd.data());
}
#else
bool othersMayOpen(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) != 0 || (st.st_mode & 077) != 0;
}
#endif

} // namespace tavrel::test
