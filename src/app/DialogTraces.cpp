#include "DialogTraces.h"

#include <QFile>
#include <QSettings>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace tavrel {

namespace {

const QString kStore = QStringLiteral("QtProject");
const QString kGroup = QStringLiteral("FileDialog");

} // namespace

DialogTraces::DialogTraces() {
    QSettings store(QSettings::UserScope, kStore);
    storeWasEmpty_ = store.allKeys().isEmpty();
    store.beginGroup(kGroup);
    for (const QString& key : store.allKeys())
        dialogKeys_.insert(key, store.value(key));
}

DialogTraces::~DialogTraces() {
    QString file;
    {
        QSettings store(QSettings::UserScope, kStore);
        store.remove(kGroup);
        store.beginGroup(kGroup);
        for (auto it = dialogKeys_.cbegin(); it != dialogKeys_.cend(); ++it)
            store.setValue(it.key(), it.value());
        store.endGroup();
        store.sync();
        if (!storeWasEmpty_ || !store.allKeys().isEmpty())
            return; // another program's keys stay as they are
        file = store.fileName();
    }
    // The store was not there before: neither is it now.
#ifdef Q_OS_WIN
    // Each only when it holds no other key.
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\QtProject\\OrganizationDefaults");
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\QtProject");
    Q_UNUSED(file);
#else
    QFile::remove(file);
#endif
}

} // namespace tavrel
