#include "EditorFixture.h"

#include "editors/frmNiveaus.h"

#include <QHeaderView>
#include <QLabel>
#include <QTest>

using namespace tavrel;
using namespace tavrel::test;

namespace {

struct LevelsEditor : EditorFixture {
    frmNiveaus* e = nullptr;

    void SetUp() override {
        EditorFixture::SetUp();
        sqlExec(limits, QStringLiteral("INSERT INTO niveaus VALUES "
                                       "(100, 'vr', 'j', 25, 'A', 12, 13, '01.05.00'), "
                                       "(100, 'vr', 'j', 25, 'A', 10, 11, '01.10.00'), "
                                       "(100, 'vr', 'j', 25, 'B', 10, 11, '01.20.00')"));
        open();
    }
    void open() {
        main->cmdLimiet[1]->click();
        e = editor<frmNiveaus>();
        ASSERT_NE(e, nullptr);
    }
    void chooseAll(const char* level = "A ") {
        choose(e->cbASG[0], QStringLiteral("100"));
        choose(e->cbASG[1], QStringLiteral("vrij"));
        choose(e->cbASG[2], QStringLiteral("jongens/heren"));
        choose(e->cbASG[3], QStringLiteral("25"));
        choose(e->cbASG[4], QLatin1String(level));
    }
    void newRow(const QString& from, const QString& to, const QString& time) {
        const int line = e->Data->model().newRowLine();
        if (!from.isNull())
            editCell(e->Data, line, 5, from);
        if (!to.isNull())
            editCell(e->Data, line, 6, to);
        if (!time.isNull())
            editCell(e->Data, line, 7, time);
        leaveRow(e->Data, e->Data->model().newRowLine());
    }
};

TEST_F(LevelsEditor, TheGridShowsOnlyWhenAllFiveFiltersAreChosen) {
    EXPECT_EQ(e->windowTitle(), QStringLiteral("Bewerk niveaus"));
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(e->Data->isHidden());
    choose(e->cbASG[0], QStringLiteral("100"));
    choose(e->cbASG[1], QStringLiteral("vrij"));
    choose(e->cbASG[2], QStringLiteral("jongens/heren"));
    choose(e->cbASG[3], QStringLiteral("25"));
    EXPECT_TRUE(e->Data->isHidden()) << "four of five";
    EXPECT_FALSE(e->lblKies->isHidden()) << "the hint says what to choose";
    choose(e->cbASG[4], QStringLiteral("A "));
    ASSERT_FALSE(e->Data->isHidden());
    EXPECT_TRUE(e->lblKies->isHidden());
    EXPECT_EQ(cells(e->Data, 5), (QStringList{QStringLiteral("10"), QStringLiteral("12")}))
        << "level \"A \" filters on A";
    for (int c = 0; c < 5; ++c)
        EXPECT_TRUE(e->Data->isColumnHidden(c)) << c;
    EXPECT_EQ(e->Data->model().headerData(5, Qt::Horizontal).toString(),
              QStringLiteral(" Leeftijd van"));
    EXPECT_EQ(e->Data->model().headerData(7, Qt::Horizontal).toString(), QStringLiteral(" Tijd"));
    // 1300 twips, or wider where the font makes the caption wider.
    EXPECT_GE(e->Data->columnWidth(6), 1300 * e->Data->logicalDpiX() / 1440);
    EXPECT_GT(e->Data->columnWidth(6),
              e->Data->horizontalHeader()->fontMetrics().horizontalAdvance(
                  e->Data->model().headerData(6, Qt::Horizontal).toString()));
}

TEST_F(LevelsEditor, TypedStrokesAreNoChoiceButTypedLevelsCount) {
    chooseAll();
    typeInto(e->cbASG[1], QStringLiteral("vrij"));
    typeInto(e->cbASG[1], QStringLiteral("vrije slag"));
    e->cbASG_Click(1);
    EXPECT_TRUE(e->Data->isHidden()) << "a typed stroke";
    choose(e->cbASG[1], QStringLiteral("vrij"));
    typeInto(e->cbASG[4], QStringLiteral(" B"));
    e->cbASG_Click(4);
    ASSERT_FALSE(e->Data->isHidden()) << "a typed level";
    EXPECT_EQ(cells(e->Data, 7), QStringList{QStringLiteral("01.20.00")});
}

TEST_F(LevelsEditor, ANewRowTakesTheFiveFilterValues) {
    chooseAll("C ");
    newRow(QStringLiteral("14"), QStringLiteral("15"), QStringLiteral("00.59.00"));
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM niveaus WHERE niveau = 'C'")),
              (QList<QVariantList>{{100, QStringLiteral("vr"), QStringLiteral("j"), 25,
                                    QStringLiteral("C"), 14, 15, QStringLiteral("00.59.00")}}));
}

TEST_F(LevelsEditor, WarningsStoreTheRowAndAnEmptyAgeIsRefusedSilently) {
    chooseAll("D ");
    struct Case {
        QString from, to, time;
        const char* warning;
        bool stored;
    };
    const QString none; // a cell never typed in
    const Case cases[] = {
        {QStringLiteral("10"), none, QStringLiteral("01.00.00"), "Leeftijden zijn incorrect", true},
        {QStringLiteral("12"), QStringLiteral("11"), QStringLiteral("01.00.00"),
         "Leeftijden zijn incorrect", true},
        {QStringLiteral("11"), QStringLiteral("11"), QStringLiteral("01.00.00"), "", true},
        {QStringLiteral("11"), QStringLiteral("11"), QStringLiteral("1.00.00"),
         "Tijd heeft niet formaat 00.00.00", true},
        {QStringLiteral("11"), QStringLiteral("11"), QStringLiteral("abcdefgh"), "", true},
        {QStringLiteral("11"), QStringLiteral("11"), none, "", true},
        {QStringLiteral("11"), QStringLiteral("11"), QStringLiteral(""),
         "Tijd heeft niet formaat 00.00.00", true},
        {QStringLiteral(""), QStringLiteral("11"), QStringLiteral("01.00.00"), "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from.toStdString() << "/" << c.to.toStdString() << "/"
                                        << c.time.toStdString());
        sqlExec(limits, QStringLiteral("DELETE FROM niveaus WHERE niveau = 'D'"));
        choose(e->cbASG[4], QStringLiteral("D "));
        const size_t before = ui.messages().size();
        if (*c.warning)
            ui.answer(Answer::Ok);
        newRow(c.from, c.to, c.time);
        ASSERT_EQ(ui.messages().size() - before, *c.warning ? 1u : 0u);
        if (*c.warning) {
            EXPECT_EQ(ui.messages().back().text, QLatin1String(c.warning));
        }
        EXPECT_EQ(rows(QStringLiteral("SELECT * FROM niveaus WHERE niveau = 'D'")).size(),
                  c.stored ? 1 : 0);
    }
}

TEST_F(LevelsEditor, AStaleRowIsRefusedAndNoOtherRowChanges) {
    chooseAll();
    ASSERT_EQ(cells(e->Data, 7),
              (QStringList{QStringLiteral("01.10.00"), QStringLiteral("01.05.00")}));
    // Another program rewrites the table behind the window's back: the same
    // rows, stored again in another order (as an import does).
    sqlExec(limits,
            QStringLiteral("CREATE TABLE copy AS SELECT * FROM niveaus ORDER BY rowid DESC"));
    sqlExec(limits, QStringLiteral("DELETE FROM niveaus"));
    sqlExec(limits, QStringLiteral("INSERT INTO niveaus SELECT * FROM copy"));
    sqlExec(limits, QStringLiteral("DROP TABLE copy"));
    const auto before = sorted(rows(QStringLiteral("SELECT * FROM niveaus")));

    // Row 1 (12 to 13) was stored first; that place now holds level B.
    ui.answer(Answer::Ok);
    editCell(e->Data, 1, 7, QStringLiteral("02.00.00"));
    leaveRow(e->Data, 0);
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_TRUE(ui.messages()[0].text.contains(QStringLiteral("intussen door een ander programma")))
        << ui.messages()[0].text.toStdString();
    EXPECT_EQ(sorted(rows(QStringLiteral("SELECT * FROM niveaus"))), before)
        << "no row overwritten by the stale one";
    EXPECT_EQ(cells(e->Data, 7),
              (QStringList{QStringLiteral("01.10.00"), QStringLiteral("01.05.00")}))
        << "the grid shows what is stored";

    // After the reload an edit goes to the right row.
    editCell(e->Data, 1, 7, QStringLiteral("02.00.00"));
    leaveRow(e->Data, 0);
    EXPECT_EQ(
        rows(QStringLiteral("SELECT tijd FROM niveaus WHERE niveau = 'A' AND leeftijd1 = 12")),
        (QList<QVariantList>{{QStringLiteral("02.00.00")}}));
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM niveaus")), (QList<QVariantList>{{3}}));
}

TEST_F(LevelsEditor, DeletionIsConfirmedOrCancelled) {
    chooseAll();
    e->Data->setCurrentIndex(e->Data->model().index(1, 5));
    ui.answer(Answer::Cancel).answer(Answer::Ok);
    QTest::keyClick(e->Data, Qt::Key_Delete);
    EXPECT_EQ(cells(e->Data, 5).size(), 2);
    QTest::keyClick(e->Data, Qt::Key_Delete);
    EXPECT_EQ(cells(e->Data, 5), QStringList{QStringLiteral("10")});
    EXPECT_EQ(rows(QStringLiteral("SELECT leeftijd1 FROM niveaus WHERE niveau = 'A'")),
              (QList<QVariantList>{{10}}));
    EXPECT_EQ(ui.messages().front().text, QStringLiteral("Bevestig verwijderen"));
    EXPECT_EQ(ui.messages().front().title, QStringLiteral("UploadTavrel"));
}

// A row another program changed is not deleted; the grid shows it as
// stored, and the row typed next is checked and completed as usual.
TEST_F(LevelsEditor, AStaleDeletionIsRefusedAndTheNextRowIsCheckedAgain) {
    chooseAll();
    sqlExec(limits, QStringLiteral("UPDATE niveaus SET tijd = '01.04.00' WHERE leeftijd1 = 12"));
    e->Data->setCurrentIndex(e->Data->model().index(1, 5));
    ui.answer(Answer::Ok).answer(Answer::Ok);
    QTest::keyClick(e->Data, Qt::Key_Delete);
    settle();
    EXPECT_TRUE(ui.messages().back().text.contains(QStringLiteral("niet verwijderd")))
        << ui.messages().back().text.toStdString();
    EXPECT_EQ(rows(QStringLiteral("SELECT tijd FROM niveaus WHERE leeftijd1 = 12")),
              (QList<QVariantList>{{QStringLiteral("01.04.00")}}));
    EXPECT_EQ(cells(e->Data, 7),
              (QStringList{QStringLiteral("01.10.00"), QStringLiteral("01.04.00")}))
        << "the grid shows what is stored";
    ui.answer(Answer::Ok);
    newRow(QStringLiteral("15"), QStringLiteral("14"), QStringLiteral("01.00.00"));
    EXPECT_EQ(ui.messages().back().text, QStringLiteral("Leeftijden zijn incorrect"));
    EXPECT_EQ(rows(QStringLiteral("SELECT afstand, niveau FROM niveaus WHERE leeftijd1 = 15")),
              (QList<QVariantList>{{100, QStringLiteral("A")}}))
        << "stored with its filter values";
}

TEST_F(LevelsEditor, ReopeningStartsWithEmptyFiltersAndFailedLoadsStayClosed) {
    chooseAll();
    e->cmdOK->click();
    EXPECT_TRUE(main->isVisible());
    open();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(e->cbASG[i]->currentText(), QString()) << i;
    EXPECT_TRUE(e->Data->isHidden());
    e->close();
    QApplication::processEvents();
    EXPECT_TRUE(main->isVisible()) << "the close box ends as Sluiten does";

    main->tbDB[1]->setText(dir.file(QStringLiteral("weg.db")));
    main->cmdLimiet[1]->click();
    EXPECT_EQ(editor<frmNiveaus>(), nullptr);
    EXPECT_EQ(main->Message->toPlainText(), QStringLiteral("Database file niet gevonden"));
    EXPECT_EQ(main->focusWidget(), main->tbDB[1]);
}

TEST_F(LevelsEditor, AJetDatabaseRefusesTheImport) {
    e->cmdOK->click();
    QFile::copy(QStringLiteral(TAVREL_TEST_DATA "/jet-club/limieten.mdb"),
                dir.file(QStringLiteral("limieten.mdb")));
    main->tbDB[1]->setText(dir.file(QStringLiteral("limieten.mdb")));
    ui.answer(Answer::No); // no editable copy: the Jet file is shown as it is
    main->cmdLimiet[1]->click();
    e = editor<frmNiveaus>();
    ASSERT_NE(e, nullptr);
    ui.answer(Answer::Ok);
    e->cmdImport->click();
    EXPECT_TRUE(ui.messages().back().text.contains(QStringLiteral("alleen gelezen")))
        << ui.messages().back().text.toStdString();
}

} // namespace
