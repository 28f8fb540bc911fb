// Entry point of every test program: a headless QApplication, and a settings
// store and data folder of its own for every test, so no test reads what
// another wrote and none touches the user's settings.
#include "TestSettings.h"
#include "common/Files.h"
#include "common/Registry.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

class FreshSettings : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        dir_ = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_->path());
#ifdef Q_OS_WIN
        // The store is the registry there: a key of this test's own, never
        // the user's HKCU\Software\Tavrel.
        key_ = tavrel::test::testSettingsKey();
        tavrel::redirectSettingsKey(key_);
#endif
        // The kept FTP log and the last run's line live in the user's data
        // folder.
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir_->filePath(QStringLiteral("data"))));
        tavrel::redirectLogFolder(dir_->filePath(QStringLiteral("data/UploadTavrel")));
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
#ifdef Q_OS_WIN
        QSettings(QStringLiteral("HKEY_CURRENT_USER\\") + key_, QSettings::NativeFormat)
            .remove(QString());
        tavrel::redirectSettingsKey(QString());
#endif
        tavrel::redirectLogFolder(QString());
        dir_.reset();
    }

    std::unique_ptr<QTemporaryDir> dir_;
    QString key_;
};

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshSettings);
    return RUN_ALL_TESTS();
}
