#include "SettingsStore.h"

#include "WindowsAccess.h"

namespace tavrel::settings_store {

namespace {

// The key below HKEY_CURRENT_USER that holds path's value.
QString storeKey(const ValuePath& path) {
    const QLatin1String real("Software\\Tavrel");
    const bool redirected = !redirectedKey().isEmpty() &&
                            (path.key.compare(real, Qt::CaseInsensitive) == 0 ||
                             path.key.startsWith(real + QLatin1Char('\\'), Qt::CaseInsensitive));
    return redirected ? redirectedKey() + path.key.mid(real.size()) : path.key;
}

} // namespace

std::unique_ptr<QSettings> open(const ValuePath& path) {
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\") + storeKey(path),
                                       QSettings::NativeFormat);
}

// The key is made, or narrowed, for the user alone, and what is made below
// it inherits that.
void keepToUser(const ValuePath& path, const QSettings&) {
    windows::OwnerOnlyAccess access(KEY_ALL_ACCESS, CONTAINER_INHERIT_ACE);
    HKEY handle = nullptr;
    if (!access.ok() || RegCreateKeyExW(HKEY_CURRENT_USER, windows::wide(storeKey(path)), 0,
                                        nullptr, 0, KEY_WRITE | READ_CONTROL | WRITE_DAC,
                                        access.attributes(), &handle, nullptr) != ERROR_SUCCESS)
        return;
    // Set again even on a key just made: not every registry keeps the list
    // given at creation.
    RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                      access.descriptor());
    RegCloseKey(handle);
}

QString describe(const ValuePath& path, const QSettings&) {
    return QStringLiteral("de registersleutel HKEY_CURRENT_USER\\") + storeKey(path);
}

} // namespace tavrel::settings_store
