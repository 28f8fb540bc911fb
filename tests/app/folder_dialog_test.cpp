#include "app/DialogTraces.h"
#include "app/FolderDialog.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>

#include <gtest/gtest.h>

#include <memory>

using namespace tavrel;

namespace {

QLabel* statusPath(FolderDialog& d) {
    return d.findChild<QLabel*>(QStringLiteral("statusPath"));
}

void type(FolderDialog& d, const QString& text) {
    auto* edit = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(text);
}

TEST(FolderDialog, OpensAtTheStartFolderWithItsPathShown) {
    test::TempDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("csv"));
    const QString start =
        QDir::toNativeSeparators(dir.file(QStringLiteral("csv"))) + QDir::separator();
    FolderDialog d(QStringLiteral("Zoek folder voor opslag csv bestanden"), start);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Zoek folder voor opslag csv bestanden"));
    EXPECT_EQ(d.directory().absolutePath(), QDir(dir.file(QStringLiteral("csv"))).absolutePath());
    EXPECT_EQ(statusPath(d)->text(), QDir::toNativeSeparators(dir.file(QStringLiteral("csv"))));
    EXPECT_EQ(d.fileMode(), QFileDialog::Directory);
    EXPECT_TRUE(d.testOption(QFileDialog::ShowDirsOnly));
}

TEST(FolderDialog, ShowsTheFullPathOfTheFolderSelectedWhileBrowsing) {
    test::TempDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("a/b"));
    FolderDialog d(QStringLiteral("t"), dir.path());
    d.show();
    d.setDirectory(dir.file(QStringLiteral("a")));
    Q_EMIT d.currentChanged(dir.file(QStringLiteral("a/b")));
    EXPECT_EQ(statusPath(d)->text(), QDir::toNativeSeparators(dir.file(QStringLiteral("a/b"))));
}

TEST(FolderDialog, ReturnsTheChosenFolder) {
    test::TempDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("uit"));
    test::ScriptedUi ui;
    FolderDialog d(QStringLiteral("t"), dir.path());
    d.show();
    type(d, QStringLiteral("uit"));
    d.accept();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.chosenFolder(), QDir::toNativeSeparators(dir.file(QStringLiteral("uit"))));
}

TEST(FolderDialog, ATypedFolderThatDoesNotExistIsMadeForTheUserWhenAsked) {
    test::TempDir dir;
    dir.write(QStringLiteral("a file"), "x");
    struct Case {
        const char* typed;
        std::vector<Answer> answers;
        bool chosen;
        const char* asked; // the start of the first box's text
    };
    const Case cases[] = {
        {"nieuw/csv", {Answer::Yes}, true, "De map "},
        {"niet maken", {Answer::No}, false, "De map "},
        {"a file", {Answer::Ok}, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        test::ScriptedUi ui;
        for (Answer a : c.answers)
            ui.answer(a);
        FolderDialog d(QStringLiteral("t"), dir.path());
        d.show();
        type(d, QLatin1String(c.typed));
        d.accept();
        const QString path = dir.file(QLatin1String(c.typed));
        EXPECT_EQ(d.isVisible(), !c.chosen) << "otherwise it stays open for another name";
        ASSERT_EQ(ui.messages().size(), 1u);
        const auto box = ui.messages()[0]; // a copy: messages() makes a new list
        EXPECT_EQ(box.title, QStringLiteral("UploadTavrel"));
        if (QFileInfo(path).isFile()) {
            EXPECT_TRUE(box.text.contains(QStringLiteral("is een bestand, geen map")));
            continue;
        }
        EXPECT_EQ(box.text, QStringLiteral("De map ") + QDir::toNativeSeparators(path) +
                                QStringLiteral(" bestaat niet.\r\nWilt u deze map maken?"));
        EXPECT_EQ(box.buttons, Buttons::YesNo);
        EXPECT_EQ(QFileInfo(path).isDir(), c.chosen);
        if (c.chosen) {
            EXPECT_EQ(d.chosenFolder(), QDir::toNativeSeparators(path));
#ifndef Q_OS_WIN
            EXPECT_EQ(QFileInfo(path).permissions() & 0x0077, 0) << "for the user only";
#endif
        }
    }
}

TEST(FolderDialog, TheStatusLineFollowsAFolderRenamedInPlace) {
    test::TempDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("Nieuwe map"));
    FolderDialog d(QStringLiteral("t"), dir.path());
    d.show();
    Q_EMIT d.currentChanged(dir.file(QStringLiteral("Nieuwe map")));
    auto* model = d.findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    const QModelIndex folder = model->index(dir.file(QStringLiteral("Nieuwe map")));
    ASSERT_TRUE(model->setData(folder, QStringLiteral("csv")));
    EXPECT_EQ(statusPath(d)->text(), QDir::toNativeSeparators(dir.file(QStringLiteral("csv"))));
}

} // namespace

namespace {

// Qt's file dialog writes its state into a store all Qt programs share; the
// program leaves that store as it found it, absent or with another
// program's keys.
TEST(FolderDialog, LeavesNoTraceInTheStoreQtProgramsShare) {
    test::TempDir dir;
    auto store = [] {
        return std::make_unique<QSettings>(QSettings::UserScope, QStringLiteral("QtProject"));
    };
    store()->clear();
    {
        FolderDialog d(QStringLiteral("t"), dir.path());
        d.show();
        d.reject();
    }
    ASSERT_FALSE(store()->allKeys().isEmpty()) << "Qt's dialog keeps its state there";
    store()->clear();
    const QString file = store()->fileName();

    for (const bool otherProgram : {false, true}) {
        SCOPED_TRACE(otherProgram ? "another program's keys" : "no store");
        if (otherProgram) {
            auto s = store();
            s->setValue(QStringLiteral("FileDialog/lastVisited"), QStringLiteral("file:///elders"));
            s->setValue(QStringLiteral("Ander/sleutel"), 7);
        }
        const QStringList before = store()->allKeys();
        {
            const DialogTraces traces;
            FolderDialog d(QStringLiteral("t"), dir.path());
            d.show();
            d.reject();
        }
        auto after = store();
        EXPECT_EQ(after->allKeys(), before);
        if (otherProgram) {
            EXPECT_EQ(after->value(QStringLiteral("FileDialog/lastVisited")).toString(),
                      QStringLiteral("file:///elders"));
        } else {
#ifndef Q_OS_WIN
            EXPECT_FALSE(QFile::exists(file)) << file.toStdString();
#endif
        }
    }
    store()->clear();
}

} // namespace
