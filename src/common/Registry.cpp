#include "Registry.h"

#include "ErrorReport.h"
#include "SettingsStore.h"
#include "Values.h"

#include <optional>

namespace tavrel {

using settings_store::ValuePath;

namespace {

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

void reportWrite(qint32 number, const QString& description) {
    ReportError(QStringLiteral("WriteRegValue"), {number, kErrorSource, description});
}

} // namespace

QString& settings_store::redirectedKey() {
    static QString key;
    return key;
}

void redirectSettingsKey(const QString& key) {
    settings_store::redirectedKey() = key;
}

QString settingName(const QString& valueName) {
    return QStringLiteral("HKCU\\Software\\Tavrel\\") + valueName;
}

QVariant ReadRegValue(const QString& fullName) {
    const auto path = splitName(fullName);
    if (!path)
        return {};
    const auto store = settings_store::open(*path);
    if (store->status() != QSettings::NoError)
        return {};
    return store->value(path->value);
}

Result<void> checkStoredSettings(const QStringList& valueNames) {
    const auto path = splitName(settingName(QStringLiteral("Domain"))); // names the key
    const auto store = settings_store::open(*path);
    const QString where = settings_store::describe(*path, *store);
    const QString fix = QStringLiteral(
        " Open UploadTavrel, vul de gegevens in en doe \u00e9\u00e9n upload met de hand: dan "
        "slaat het programma ze op.");
    if (store->status() != QSettings::NoError)
        return failure(where.left(1).toUpper() + where.mid(1) +
                       QStringLiteral(" kan niet worden gelezen.") + fix);
    QStringList missing;
    for (const QString& name : valueNames)
        if (store->value(name).toString().isEmpty())
            missing << name;
    if (!missing.isEmpty())
        return failure(QStringLiteral("In ") + where + QStringLiteral(" ontbreekt: ") +
                       missing.join(QStringLiteral(", ")) + QLatin1Char('.') + fix);
    return {};
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
    const auto store = settings_store::open(*path);
    settings_store::keepToUser(*path, *store);
    store->setValue(path->value, Nz(value, QString()).toString());
    store->sync();
    if (store->status() != QSettings::NoError || !store->isWritable())
        reportWrite(ErrorNumber::PermissionDenied,
                    QStringLiteral("Instelling kon niet worden opgeslagen: ") + fullName);
}

} // namespace tavrel
