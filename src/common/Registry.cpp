#include "Registry.h"

#include "ErrorReport.h"
#include "OwnerOnly.h"
#include "Values.h"

#include <QFileInfo>
#include <QSettings>

#include <memory>
#include <optional>

#ifdef Q_OS_WIN
#include "WindowsAccess.h"
#endif

namespace tavrel {

namespace {

struct ValuePath {
    QString key;   // "Software\Tavrel"
    QString value; // "Database"
};

std::optional<ValuePath> splitName(const QString& fullName) {
    for (const QLatin1String root :
         {QLatin1String("HKCU\\"), QLatin1String("HKEY_CURRENT_USER\\")}) {
        if (!fullName.startsWith(root, Qt::CaseInsensitive))
            continue;
        const QString rest = fullName.mid(root.size());
        const qsizetype cut = rest.lastIndexOf(QLatin1Char('\\'));
        if (cut <= 0 || cut == rest.size() - 1)
            return std::nullopt;
        return ValuePath{rest.left(cut), rest.mid(cut + 1)};
    }
    return std::nullopt;
}

QString& redirectedKey() {
    static QString key;
    return key;
}

#ifdef Q_OS_WIN
// The key below HKEY_CURRENT_USER that holds path's value.
QString storeKey(const ValuePath& path) {
    const QLatin1String real("Software\\Tavrel");
    const bool redirected = !redirectedKey().isEmpty() &&
                            (path.key.compare(real, Qt::CaseInsensitive) == 0 ||
                             path.key.startsWith(real + QLatin1Char('\\'), Qt::CaseInsensitive));
    return redirected ? redirectedKey() + path.key.mid(real.size()) : path.key;
}

// The key holds the FTP password: it is made, or narrowed, for the user
// alone (and what is made below it inherits that) before anything is written.
void keepKeyToUser(const QString& key) {
    windows::OwnerOnlyAccess access(KEY_ALL_ACCESS, CONTAINER_INHERIT_ACE);
    HKEY handle = nullptr;
    if (!access.ok() || RegCreateKeyExW(HKEY_CURRENT_USER, windows::wide(key), 0, nullptr, 0,
                                        KEY_WRITE | READ_CONTROL | WRITE_DAC, access.attributes(),
                                        &handle, nullptr) != ERROR_SUCCESS)
        return;
    // Set again even on a key just made: not every registry keeps the list
    // given at creation.
    RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                      access.descriptor());
    RegCloseKey(handle);
}
#endif

std::unique_ptr<QSettings> openStore(const ValuePath& path) {
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\") + storeKey(path),
                                       QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       path.key.section(QLatin1Char('\\'), -1));
#endif
}

void reportWrite(qint32 number, const QString& description) {
    ReportError(QStringLiteral("WriteRegValue"), {number, kErrorSource, description});
}

} // namespace

void redirectSettingsKey(const QString& key) {
    redirectedKey() = key;
}

QString settingName(const QString& valueName) {
    return QStringLiteral("HKCU\\Software\\Tavrel\\") + valueName;
}

QVariant ReadRegValue(const QString& fullName) {
    const auto path = splitName(fullName);
    if (!path)
        return {};
    const auto store = openStore(*path);
    if (store->status() != QSettings::NoError)
        return {};
    return store->value(path->value);
}

void WriteRegValue(const QString& fullName, const QVariant& value, const QVariant& type) {
    const auto path = splitName(fullName);
    if (!path) {
        reportWrite(ErrorNumber::InvalidArgument,
                    QStringLiteral("Ongeldige naam van instelling: ") + fullName);
        return;
    }
    if (!isNullValue(type) && type.toString() != QLatin1String("REG_SZ")) {
        reportWrite(ErrorNumber::InvalidArgument,
                    QStringLiteral("Ongeldig type van instelling: ") + type.toString());
        return;
    }
    const auto store = openStore(*path);
#ifdef Q_OS_WIN
    keepKeyToUser(storeKey(*path));
#else
    // The store holds the FTP password: the file, and a folder made for it,
    // are the user's alone before anything is written into them.
    makeOwnerOnlyFolder(QFileInfo(store->fileName()).path());
    narrowToOwner(store->fileName());
#endif
    store->setValue(path->value, Nz(value, QString()).toString());
    store->sync();
    if (store->status() != QSettings::NoError || !store->isWritable())
        reportWrite(ErrorNumber::PermissionDenied,
                    QStringLiteral("Instelling kon niet worden opgeslagen: ") + fullName);
}

} // namespace tavrel
