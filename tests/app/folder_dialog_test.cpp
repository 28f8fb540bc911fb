#include "app/FolderDialog.h"
#include "common/BrowseFolder.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

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

TEST(FolderDialog, ATypedNameThatIsNoFolderAsksToTryAgain) {
    test::TempDir dir;
    dir.write(QStringLiteral("a file"), "x");
    test::ScriptedUi ui;
    ui.answer(Answer::Yes).answer(Answer::No);
    FolderDialog d(QStringLiteral("t"), dir.path());
    d.show();
    type(d, QStringLiteral("does not exist"));
    d.accept();
    EXPECT_TRUE(d.isVisible()) << "Yes keeps the dialog open";
    type(d, QStringLiteral("a file"));
    d.accept();
    EXPECT_FALSE(d.isVisible()) << "No closes it";
    EXPECT_EQ(d.result(), QDialog::Rejected);
    ASSERT_EQ(ui.messages().size(), 2u);
    const auto q = ui.messages()[0];
    EXPECT_EQ(q.text,
              QStringLiteral("The directory selected is invalid.\r\nDo you want to try again"));
    EXPECT_EQ(q.title, QStringLiteral("UploadTavrel"));
    EXPECT_EQ(q.buttons, Buttons::YesNo);
    EXPECT_EQ(q.icon, Icon::None);
}

} // namespace
