#include "EditorFixture.h"

#include "common/Registry.h"
#include "common/db/Connection.h"
#include "editors/frmLimieten.h"
#include "editors/frmNiveaus.h"
#include "support/OwnerOnlyCheck.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

using namespace tavrel;
using namespace tavrel::test;

namespace {

const QString kTables[] = {QStringLiteral("SELECT * FROM wedstrijden ORDER BY rowid"),
                           QStringLiteral("SELECT * FROM limieten ORDER BY rowid"),
                           QStringLiteral("SELECT * FROM niveaus ORDER BY rowid")};

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// The editors opened on a Jet limits database, which this program can
// only read: the offer of an editable copy, and the copy itself.
struct EditableCopy : EditorFixture {
    QString jet;
    QByteArray jetBytes;
    TempDir twinDir;
    QString twin; // the SQLite database the Jet file was made from

    void SetUp() override {
        EditorFixture::SetUp();
        jet = dir.write(QStringLiteral("limieten.mdb"),
                        bytesOf(QStringLiteral(TAVREL_TEST_DATA "/jet-club/limieten.mdb")));
        jetBytes = bytesOf(jet);
        twin = makeLimitsDatabase(twinDir, true);
        main->tbDB[1]->setText(jet);
    }
    QString copyPath() const { return dir.file(QStringLiteral("limieten.sqlite")); }
    QString storedSetting() const {
        return ReadRegValue(settingName(QStringLiteral("Limieten Database"))).toString();
    }
};

TEST_F(EditableCopy, ACopyIsMadeCheckedAndUsedAndTheJetFileStaysAsItWas) {
    for (int editor : {0, 1}) {
        SCOPED_TRACE(editor == 0 ? "limits editor" : "levels editor");
        QFile::remove(copyPath());
        main->tbDB[1]->setText(jet);
        ui.answer(Answer::Yes).saveAs(copyPath()).answer(Answer::Ok);
        const size_t before = ui.prompts().size();
        main->cmdLimiet[editor]->click();

        const std::vector<Prompt> p(ui.prompts().begin() + long(before), ui.prompts().end());
        ASSERT_EQ(p.size(), 3u);
        EXPECT_TRUE(p[0].text.contains(QLatin1String("is een Access-database")));
        EXPECT_EQ(p[0].buttons, Buttons::YesNo);
        EXPECT_EQ(p[1].kind, Prompt::Kind::SaveFile);
        EXPECT_EQ(p[1].text, QDir::toNativeSeparators(copyPath())) << "the same name, .sqlite";
        EXPECT_TRUE(p[2].text.contains(QLatin1String("4 wedstrijden, 480 limieten en 720 niveaus")))
            << p[2].text.toStdString();

        // Every row as in the database the Jet file was made from, nulls included.
        for (const QString& table : kTables)
            EXPECT_EQ(sqlRows(copyPath(), table), sqlRows(twin, table)) << table.toStdString();
        EXPECT_EQ(bytesOf(jet), jetBytes);
        EXPECT_FALSE(test::othersMayOpen(copyPath())) << "readable by its user only";
        EXPECT_EQ(main->tbDB[1]->text(), QDir::toNativeSeparators(copyPath()));
        EXPECT_EQ(storedSetting(), QDir::toNativeSeparators(copyPath()));
        EXPECT_EQ(QDir(dir.path()).entryList(QStringList{QStringLiteral("*.deel")}).size(), 0);

        QWidget* open = editor == 0 ? static_cast<QWidget*>(this->editor<frmLimieten>())
                                    : this->editor<frmNiveaus>();
        ASSERT_NE(open, nullptr);
        if (editor == 0) { // the copy takes an edit
            auto* e = this->editor<frmLimieten>();
            e->tbWedstrijd->setFocus();
            QTest::keyClick(e->tbWedstrijd, Qt::Key_End);
            QTest::keyClicks(e->tbWedstrijd, QStringLiteral(" 's avonds"));
        }
        open->close();
        if (editor == 0) {
            EXPECT_EQ(sqlRows(copyPath(), QStringLiteral("SELECT wedstrijd FROM wedstrijden WHERE "
                                                         "code = 'DKJ2010'")),
                      (QList<QVariantList>{{QStringLiteral("Districtskampioenschappen junioren 's "
                                                           "avonds")}}));
        }
    }
    // The copy is a limits database like any other: the cascades hold.
    Connection copy;
    ASSERT_TRUE(ConnectJetDB(copyPath(), copy));
    ASSERT_TRUE(copy.canChange());
    ASSERT_TRUE(copy.Execute(QStringLiteral("UPDATE wedstrijden SET code = 'DKJ2011' WHERE code = "
                                            "'DKJ2010'")));
    EXPECT_EQ(sqlRows(copyPath(),
                      QStringLiteral("SELECT COUNT(*) FROM limieten WHERE wcode = 'DKJ2010'")),
              (QList<QVariantList>{{0}}));
}

// A club's own Jet file may hold limits whose meet is gone (the export never
// wrote them): they stay behind, and the box says how many.
TEST_F(EditableCopy, LimitsOfNoMeetAreLeftOutAndCounted) {
    // Three limits of MASTERS09 renamed to a meet that does not exist: the
    // meet's own row comes first in the file, on a page of another table.
    const QByteArray code("\xff\xfeMASTERS09", 11);
    QList<qsizetype> at;
    for (qsizetype i = jetBytes.indexOf(code); i >= 0; i = jetBytes.indexOf(code, i + 1))
        at << i;
    ASSERT_GT(at.size(), 4);
    const auto owner = [&](qsizetype i) { return jetBytes.mid(i / 4096 * 4096 + 4, 4); };
    ASSERT_NE(owner(at[0]), owner(at[1]));
    QByteArray patched = jetBytes;
    for (int k = 1; k <= 3; ++k)
        patched.replace(at[k] + 2, 9, "GHOST2009");
    main->tbDB[1]->setText(dir.write(QStringLiteral("club.mdb"), patched));
    ui.answer(Answer::Yes).saveAs(copyPath()).answer(Answer::Ok);
    main->cmdLimiet[0]->click();
    ASSERT_NE(editor<frmLimieten>(), nullptr) << "editable at last";
    const QString said = ui.prompts().back().text;
    EXPECT_TRUE(said.contains(QLatin1String("4 wedstrijden, 477 limieten en 720 niveaus")) &&
                said.contains(QLatin1String(
                    "3 limieten horen bij geen wedstrijd en zijn niet overgenomen: GHOST2009.")))
        << said.toStdString();
    EXPECT_EQ(sqlRows(copyPath(), QStringLiteral("SELECT count(*) FROM limieten WHERE wcode NOT "
                                                 "IN (SELECT code FROM wedstrijden)")),
              (QList<QVariantList>{{0}}));
    EXPECT_EQ(sqlRows(copyPath(), kTables[2]), sqlRows(twin, kTables[2])) << "the levels whole";
    editor<frmLimieten>()->close();
}

TEST_F(EditableCopy, WithoutACopyTheFileIsShownReadOnly) {
    const struct {
        const char* name;
        Answer question;
        const char* saveAs; // nullptr: no save dialog
        const char* says;   // the last box, if any
    } cases[] = {
        {"no copy wanted", Answer::No, nullptr, nullptr},
        {"the save dialog cancelled", Answer::Yes, "", nullptr},
        {"the Jet file itself chosen", Answer::Yes, "limieten.mdb", "dezelfde naam"},
        {"a folder that is not there", Answer::Yes, "weg/kopie.sqlite", "bestaat niet"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ui.answer(c.question);
        if (c.saveAs)
            ui.saveAs(*c.saveAs ? dir.file(QLatin1String(c.saveAs)) : QString());
        if (c.says)
            ui.answer(Answer::Ok);
        main->cmdLimiet[0]->click();
        auto* e = editor<frmLimieten>();
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->lstCode->count(), 4) << "the Jet file's meets, shown";
        if (c.says) {
            EXPECT_TRUE(ui.prompts().back().text.contains(QLatin1String(c.says)))
                << ui.prompts().back().text.toStdString();
            EXPECT_TRUE(ui.prompts().back().text.contains(QLatin1String("niet veranderd")));
        }
        EXPECT_EQ(main->tbDB[1]->text(), jet);
        EXPECT_EQ(bytesOf(jet), jetBytes);
        EXPECT_FALSE(QFile::exists(copyPath()));
        EXPECT_EQ(ui.pending(), 0u);
        e->close();
    }
}

TEST_F(EditableCopy, ACopyThatCannotBeMadeLeavesNothingBehind) {
    // A meet code twice: MASTERS09 renamed to KRING2009 in the file's bytes.
    QByteArray twice = jetBytes;
    ASSERT_EQ(twice.mid(147116, 9), QByteArray("MASTERS09"));
    twice.replace(147116, 9, "KRING2009");
    QFile::remove(jet);
    jet = dir.write(QStringLiteral("limieten.mdb"), twice);
    // A file already at the chosen name stays as it was.
    dir.write(QStringLiteral("limieten.sqlite"), "van mij");

    ui.answer(Answer::Yes).saveAs(copyPath()).answer(Answer::Ok);
    main->cmdLimiet[0]->click();
    ASSERT_NE(editor<frmLimieten>(), nullptr);
    const QString said = ui.prompts().back().text;
    EXPECT_TRUE(said.contains(QLatin1String("(KRING2009): die code bestaat al")))
        << said.toStdString();
    EXPECT_EQ(bytesOf(copyPath()), QByteArray("van mij"));
    EXPECT_EQ(QDir(dir.path()).entryList(QStringList{QStringLiteral("*.deel")}).size(), 0);
    EXPECT_EQ(main->tbDB[1]->text(), jet);
}

TEST_F(EditableCopy, AJetFileWithoutLimitsTablesIsSaidAndNoEditorOpens) {
    main->tbDB[1]->setText(
        dir.write(QStringLiteral("team2009.mdb"),
                  bytesOf(QStringLiteral(TAVREL_TEST_DATA "/jet-club/team2009.mdb"))));
    ui.answer(Answer::Ok);
    main->cmdLimiet[1]->click();
    EXPECT_EQ(editor<frmNiveaus>(), nullptr);
    ASSERT_EQ(ui.prompts().size(), 1u);
    EXPECT_TRUE(ui.prompts()[0].text.contains(
        QLatin1String("kan niet als limieten- en niveaudatabase worden geopend")));
    EXPECT_TRUE(ui.prompts()[0].text.contains(QLatin1String("ontbreekt de tabel niveaus")));
    EXPECT_EQ(main->Message->toPlainText(),
              QStringLiteral("Openen Limieten en niveaus database mislukt"));
}

} // namespace
