#include "SettingsStore.h"

#include "OwnerOnly.h"

#include <QDir>
#include <QFileInfo>

namespace tavrel::settings_store {

std::unique_ptr<QSettings> open(const ValuePath& path) {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       path.key.section(QLatin1Char('\\'), -1));
}

void keepToUser(const ValuePath&, const QSettings& store) {
    makeOwnerOnlyFolder(QFileInfo(store.fileName()).path());
    narrowToOwner(store.fileName());
}

QString describe(const ValuePath&, const QSettings& store) {
    return QStringLiteral("het instellingenbestand ") + QDir::toNativeSeparators(store.fileName());
}

} // namespace tavrel::settings_store
