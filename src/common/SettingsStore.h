#pragma once

// Where the settings live, one file per platform (SettingsStorePosix.cpp:
// an INI file in the user's configuration folder; SettingsStoreWindows.cpp:
// HKEY_CURRENT_USER); Registry.cpp reads and writes through it.
#include <QSettings>
#include <QString>

#include <memory>

namespace tavrel::settings_store {

struct ValuePath {
    QString key;   // "Software\Tavrel"
    QString value; // "Database"
};

// The key the tests use instead of Software\Tavrel; empty: the real one.
QString& redirectedKey();

std::unique_ptr<QSettings> open(const ValuePath& path);
// The store holds the FTP password: before anything is written, it (and a
// folder or key made for it) is the user's alone.
void keepToUser(const ValuePath& path, const QSettings& store);
// Where the store is, as a volunteer finds it: "het instellingenbestand
// /home/…/Tavrel.ini" or "de registersleutel HKEY_CURRENT_USER\Software\Tavrel".
QString describe(const ValuePath& path, const QSettings& store);

} // namespace tavrel::settings_store
