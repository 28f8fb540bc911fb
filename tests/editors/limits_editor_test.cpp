#include "EditorFixture.h"

#include "common/db/Connection.h"
#include "editors/frmLimieten.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QTest>

#include <functional>

using namespace tavrel;
using namespace tavrel::test;

namespace {

struct LimitsEditor : EditorFixture {
    frmLimieten* e = nullptr;

    void SetUp() override {
        EditorFixture::SetUp();
        sqlExec(limits,
                QStringLiteral("INSERT INTO wedstrijden VALUES "
                               "('B1', '2009-03-05', '2009-03-07', 'Kring', 'opmerking', 25), "
                               "('A1', '2008-02-29', '2010-12-12', 'Jeugd', NULL, 50), "
                               "('C1', NULL, NULL, NULL, NULL, NULL)"));
        sqlExec(limits,
                QStringLiteral("INSERT INTO limieten VALUES "
                               "('A1', 100, 'vr', 'm', 2002, 2003, '01.10.00', '01.12.00'), "
                               "('A1', 100, 'vr', 'm', 2000, 2001, '01.05.00', '01.07.00'), "
                               "('A1', 50, 'vl', 'j', 1990, 1999, '00.30.00', NULL), "
                               "('B1', 100, 'vr', 'm', 2000, 2001, '01.00.00', '01.00.00')"));
        open();
    }
    void open() {
        main->cmdLimiet[0]->click();
        e = editor<frmLimieten>();
        ASSERT_NE(e, nullptr);
    }
    void filter(const char* distance, const char* stroke, const char* gender) {
        choose(e->cbASG[0], QLatin1String(distance));
        choose(e->cbASG[1], QLatin1String(stroke));
        choose(e->cbASG[2], QLatin1String(gender));
    }
    // A limit and the meet's name typed and not yet stored; then stored.
    void typeEdits() {
        filter("100", "vrij", "meisjes/dames");
        editCell(e->Data, 0, 6, QStringLiteral("01.04.00"));
        e->tbWedstrijd->setText(QStringLiteral("Jeugd 2010"));
        Q_EMIT e->tbWedstrijd->textEdited(QStringLiteral("Jeugd 2010"));
    }
    void expectEditsStored() const {
        EXPECT_EQ(rows(QStringLiteral("SELECT wedstrijd FROM wedstrijden WHERE code = 'A1'")),
                  QList<QVariantList>{{QStringLiteral("Jeugd 2010")}});
        EXPECT_EQ(rows(QStringLiteral(
                      "SELECT limiet25 FROM limieten WHERE wcode = 'A1' AND gebjaar1 = 2000")),
                  QList<QVariantList>{{QStringLiteral("01.04.00")}});
    }
    // Every limit and meet, to see that nothing changed.
    QList<QVariantList> everything() const {
        return rows(QStringLiteral("SELECT * FROM limieten ORDER BY rowid")) +
               rows(QStringLiteral("SELECT * FROM wedstrijden ORDER BY code"));
    }
    QStringList listed() const {
        QStringList codes;
        for (int i = 0; i < e->lstCode->count(); ++i)
            codes << e->lstCode->item(i)->text();
        return codes;
    }
    void select(int row) { e->lstCode->setCurrentRow(row); }
};

TEST_F(LimitsEditor, OpensWithTheMeetsByCodeAndTheFirstSelected) {
    EXPECT_FALSE(main->isVisible()) << "the main window hides while the editor is open";
    EXPECT_EQ(e->windowTitle(), QStringLiteral("Bewerk limieten"));
    EXPECT_EQ(listed(),
              (QStringList{QStringLiteral("A1"), QStringLiteral("B1"), QStringLiteral("C1")}));
    EXPECT_EQ(e->lstCode->currentRow(), 0);
    EXPECT_EQ(e->tbCode->text(), QStringLiteral("A1"));
    EXPECT_EQ(e->tbWedstrijd->text(), QStringLiteral("Jeugd"));
    EXPECT_EQ(e->tbDatum[1]->text(), QStringLiteral("29-2-2008"));
    EXPECT_EQ(e->cbBad->currentText(), QStringLiteral("50"));
    EXPECT_FALSE(e->checkGelijk->isChecked());
    select(1);
    EXPECT_EQ(e->tbData->text(), QStringLiteral("opmerking"));
    EXPECT_TRUE(e->checkGelijk->isChecked()) << "a 25 m meet";
    select(2);
    EXPECT_EQ(e->tbDatum[1]->text(), QString());
    EXPECT_EQ(e->cbBad->currentIndex(), -1);
    EXPECT_FALSE(e->checkGelijk->isChecked());
    EXPECT_TRUE(e->Data->isHidden());
}

TEST_F(LimitsEditor, ADatabaseThatCannotBeUsedKeepsTheEditorClosed) {
    e->cmdOK->click();
    main->tbDB[1]->setText(dir.file(QStringLiteral("weg.db")));
    main->cmdLimiet[0]->click();
    EXPECT_EQ(editor<frmLimieten>(), nullptr);
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->Message->toPlainText(), QStringLiteral("Database file niet gevonden"));
    EXPECT_EQ(main->focusWidget(), main->tbDB[1]);

    main->tbDB[1]->setText(dir.write(QStringLiteral("tekst.db"), "geen database"));
    ui.answer(Answer::Ok);
    main->cmdLimiet[0]->click();
    EXPECT_EQ(editor<frmLimieten>(), nullptr);
    EXPECT_EQ(main->Message->toPlainText(),
              QStringLiteral("Openen Limieten en niveaus database mislukt"));
    EXPECT_TRUE(
        ui.messages().back().text.startsWith(QStringLiteral("Fout gevonden in: ConnectJetDB")));
}

TEST_F(LimitsEditor, ANewMeetIsStoredWhenItsCodeIsLeftAndListedLast) {
    e->cmdNieuw->click();
    EXPECT_EQ(e->tbCode->text(), QString());
    e->tbCode->setText(QStringLiteral("AAA"));
    Q_EMIT e->tbCode->textEdited(QStringLiteral("AAA"));
    e->tbCode_Validate();
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("A1"), QStringLiteral("B1"),
                                     QStringLiteral("C1"), QStringLiteral("AAA")}))
        << "after the others, though the list is otherwise sorted";
    EXPECT_EQ(e->lstCode->currentRow(), 3);
    EXPECT_EQ(rows(QStringLiteral("SELECT code FROM wedstrijden WHERE code = 'AAA'")).size(), 1);

    e->cmdOK->click();
    open();
    EXPECT_EQ(listed().first(), QStringLiteral("A1"));
    EXPECT_EQ(listed()[1], QStringLiteral("AAA")) << "sorted again at the next opening";
}

// A code the database refuses, for a meet that exists and for a new one: one
// message, the stored meet shown again, the list unchanged, and nothing
// refused again when the user moves on.
TEST_F(LimitsEditor, ARefusedCodeIsSaidOnceAndTheStoredMeetShownAgain) {
    const auto before = rows(QStringLiteral("SELECT * FROM wedstrijden ORDER BY code"));
    const QStringList codes = listed();
    struct Case {
        const char* name;
        bool isNew;
        QString typed;
        QString reason;
    } cases[] = {
        {"renamed to a code that exists", false, QStringLiteral("B1"),
         QStringLiteral("die code bestaat al")},
        {"new meet with a code that exists", true, QStringLiteral("C1"),
         QStringLiteral("die code bestaat al")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        select(0);
        if (c.isNew)
            e->cmdNieuw->click();
        e->tbCode->setText(c.typed);
        Q_EMIT e->tbCode->textEdited(c.typed);
        const auto asked = ui.prompts().size();
        ui.answer(Answer::Ok);
        e->tbCode_Validate();
        ASSERT_EQ(ui.prompts().size(), asked + 1);
        const QString text = ui.prompts().back().text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("De wedstrijd")) &&
                    text.contains(QStringLiteral("is niet opgeslagen.")) &&
                    text.contains(c.reason) && !text.contains(QStringLiteral("UPDATE")) &&
                    !text.contains(QStringLiteral("constraint")))
            << text.toStdString();
        EXPECT_EQ(e->tbCode->text(), c.isNew ? QString() : QStringLiteral("A1"));
        EXPECT_EQ(listed(), codes);
        select(1); // moving on asks nothing more
        select(0);
        EXPECT_EQ(ui.prompts().size(), asked + 1);
        EXPECT_EQ(listed(), codes) << "no entry for a new meet that was never stored";
    }
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM wedstrijden ORDER BY code")), before);
}

TEST_F(LimitsEditor, LeavingTheCodeFieldThroughTheKeyboardValidatesIt) {
    e->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(e));
    e->tbCode->setFocus();
    QTest::keyClicks(e->tbCode, QStringLiteral("X"));
    QTest::keyClick(e->tbCode, Qt::Key_Tab);
    EXPECT_EQ(listed().first(), QStringLiteral("A1X")) << "renamed in place";
    EXPECT_EQ(rows(QStringLiteral("SELECT count(*) FROM limieten WHERE wcode = 'A1X'"))
                  .first()
                  .first()
                  .toInt(),
              3)
        << "the limits follow the renamed meet";
}

TEST_F(LimitsEditor, DeletingAMeetAsksAndSelectsTheEntryBefore) {
    ui.answer(Answer::No);
    e->cmdDel->click();
    EXPECT_EQ(listed().size(), 3);
    const auto q = ui.messages().back();
    EXPECT_EQ(q.text, QStringLiteral("Wedstrijd A1-Jeugdverwijderen. Weet je het zeker?"));
    EXPECT_EQ(q.title, QStringLiteral("Verwijder limieten"));
    EXPECT_EQ(q.buttons, Buttons::YesNo);
    EXPECT_EQ(q.icon, Icon::Question);

    ui.answer(Answer::Yes);
    e->cmdDel->click();
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("B1"), QStringLiteral("C1")}));
    EXPECT_EQ(e->lstCode->currentRow(), 0);
    EXPECT_EQ(e->tbCode->text(), QStringLiteral("B1"));
    EXPECT_TRUE(rows(QStringLiteral("SELECT * FROM limieten WHERE wcode = 'A1'")).isEmpty())
        << "its limits went with it";

    select(1);
    ui.answer(Answer::Yes);
    e->cmdDel->click();
    EXPECT_EQ(listed(), QStringList{QStringLiteral("B1")});
    EXPECT_EQ(e->tbCode->text(), QStringLiteral("B1")) << "the entry before the deleted one";
}

TEST_F(LimitsEditor, DatesInTheWrongOrderWarnAndStayAsTyped) {
    auto setDate = [&](int i, const char* text) {
        e->tbDatum[i]->setText(QLatin1String(text));
        e->tbDatum_Validate(i);
    };
    setDate(1, "12-12-2010");
    EXPECT_TRUE(ui.messages().empty()) << "equal dates are fine";
    ui.answer(Answer::Ok);
    setDate(2, "11-12-2010");
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].text, QStringLiteral("Datum van later dan datum tot"));
    EXPECT_EQ(ui.messages()[0].icon, Icon::Critical);
    EXPECT_EQ(ui.messages()[0].title, QStringLiteral("UploadTavrel"));
    select(1);
    EXPECT_EQ(
        rows(QStringLiteral("SELECT datum1, datum2 FROM wedstrijden WHERE code = 'A1'")).first(),
        (QVariantList{QStringLiteral("2010-12-12"), QStringLiteral("2010-12-11")}));
    ui.answer(Answer::Ok);
    setDate(1, "31-2-2009");
    EXPECT_TRUE(ui.messages().back().text.contains(QStringLiteral("geen datum")));
    EXPECT_EQ(e->tbDatum[1]->text(), QStringLiteral("5-3-2009"))
        << "an impossible date is not taken";
}

TEST_F(LimitsEditor, PlusAndMinusMoveDatesAndBirthYearsByAYear) {
    e->cmdUpDown[0]->click();
    EXPECT_EQ(
        rows(QStringLiteral("SELECT datum1, datum2 FROM wedstrijden WHERE code = 'A1'")).first(),
        (QVariantList{QStringLiteral("2009-02-28"), QStringLiteral("2011-12-12")}));
    EXPECT_EQ(rows(QStringLiteral(
                  "SELECT gebjaar1, gebjaar2 FROM limieten WHERE wcode = 'A1' AND afstand = 100 "
                  "ORDER BY gebjaar1")),
              (QList<QVariantList>{{2001, 2002}, {2003, 2004}}));
    EXPECT_EQ(e->tbDatum[1]->text(), QStringLiteral("28-2-2009"));
    e->cmdUpDown[1]->click();
    EXPECT_EQ(rows(QStringLiteral(
                  "SELECT gebjaar1, gebjaar2 FROM limieten WHERE wcode = 'A1' AND afstand = 100 "
                  "ORDER BY gebjaar1")),
              (QList<QVariantList>{{2000, 2001}, {2002, 2003}}));
    EXPECT_EQ(
        rows(QStringLiteral("SELECT datum2 FROM wedstrijden WHERE code = 'A1'")).first().first(),
        QVariant(QStringLiteral("2010-12-12")));
    EXPECT_EQ(
        rows(QStringLiteral("SELECT gebjaar1 FROM limieten WHERE wcode = 'B1'")).first().first(),
        QVariant(2000))
        << "other meets keep theirs";
}

TEST_F(LimitsEditor, TheGridShowsOnlyWithAWholeFilterAndAMeetCode) {
    choose(e->cbASG[0], QStringLiteral("100"));
    choose(e->cbASG[1], QStringLiteral("vrij"));
    EXPECT_TRUE(e->Data->isHidden());
    typeInto(e->cbASG[2], QStringLiteral("meisjes/dames"));
    e->cbASG_Click(2);
    EXPECT_TRUE(e->Data->isHidden()) << "typed, not chosen";
    choose(e->cbASG[2], QStringLiteral("meisjes/dames"));
    ASSERT_FALSE(e->Data->isHidden());
    EXPECT_EQ(cells(e->Data, 4), (QStringList{QStringLiteral("2000"), QStringLiteral("2002")}))
        << "by birth year";
    for (int c = 0; c < 4; ++c)
        EXPECT_TRUE(e->Data->isColumnHidden(c)) << c;
    EXPECT_FALSE(e->Data->isColumnHidden(7)) << "a 50 m meet shows the 50 m limit";
    EXPECT_EQ(e->Data->model().headerData(4, Qt::Horizontal).toString(),
              QStringLiteral(" Geb. jaar van"));
    EXPECT_EQ(e->Data->model().headerData(7, Qt::Horizontal).toString(),
              QStringLiteral(" Limiet 50m"));
    EXPECT_EQ(e->Data->model().data(e->Data->model().index(0, 6), Qt::TextAlignmentRole).toInt(),
              int(Qt::AlignCenter));
    e->checkGelijk->setChecked(true);
    EXPECT_TRUE(e->Data->isColumnHidden(7));

    e->tbCode->clear();
    e->cbASG_Click(0);
    EXPECT_TRUE(e->Data->isHidden()) << "no code, no grid";
}

TEST_F(LimitsEditor, ANewRowBelongsToTheMeetAndFilterOnScreen) {
    filter("200", "school", "jongens/heren");
    const int line = e->Data->model().newRowLine();
    editCell(e->Data, line, 4, QStringLiteral("2005"));
    editCell(e->Data, line, 5, QStringLiteral("2006"));
    editCell(e->Data, line, 6, QStringLiteral("02.50.00"));
    editCell(e->Data, line, 7, QStringLiteral("02.45.00"));
    leaveRow(e->Data, e->Data->model().newRowLine());
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM limieten WHERE afstand = 200")),
              (QList<QVariantList>{{QStringLiteral("A1"), 200, QStringLiteral("ss"),
                                    QStringLiteral("j"), 2005, 2006, QStringLiteral("02.50.00"),
                                    QStringLiteral("02.45.00")}}));

    // With one limit for both pools, the 50 m limit follows the 25 m one.
    e->checkGelijk->setChecked(true);
    editCell(e->Data, 0, 6, QStringLiteral("02.49.00"));
    leaveRow(e->Data, 1);
    EXPECT_EQ(
        rows(QStringLiteral("SELECT limiet25, limiet50 FROM limieten WHERE afstand = 200")).first(),
        (QVariantList{QStringLiteral("02.49.00"), QStringLiteral("02.49.00")}));
}

TEST_F(LimitsEditor, RowChecksWarnButStoreAndAnEmptyBirthYearIsRefusedSilently) {
    filter("100", "vrij", "meisjes/dames");
    struct Case {
        const char* from;
        const char* to;
        const char* limit25;
        const char* warning; // "" : none
        bool stored;
    };
    const Case cases[] = {
        {"2001", "2000", "01.00.00", "Geboortejaren zijn incorrect", true},
        {"2001", "", "01.00.00", "Geboortejaren zijn incorrect", true},
        {"2001", "2001", "1.00.00", "Limieten hebben niet formaat 00.00.00", true},
        {"2001", "2001", "", "Limieten hebben niet formaat 00.00.00", true},
        {"2001", "2001", "xxxxxxxx", "", true},
        {"", "2001", "01.00.00", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << "-" << c.to << " " << c.limit25);
        sqlExec(limits, QStringLiteral("DELETE FROM limieten WHERE wcode = 'A1' AND (gebjaar1 >= "
                                       "2001 OR gebjaar1 IS NULL)"));
        choose(e->cbASG[0], QStringLiteral("100"));
        const size_t before = ui.messages().size();
        if (*c.warning)
            ui.answer(Answer::Ok);
        const int line = e->Data->model().newRowLine();
        editCell(e->Data, line, 4, QLatin1String(c.from));
        editCell(e->Data, line, 5, QLatin1String(c.to));
        editCell(e->Data, line, 6, QLatin1String(c.limit25));
        leaveRow(e->Data, 0);
        ASSERT_EQ(ui.messages().size() - before, *c.warning ? 1u : 0u);
        if (*c.warning) {
            EXPECT_EQ(ui.messages().back().text, QLatin1String(c.warning));
            EXPECT_EQ(ui.messages().back().icon, Icon::None);
        }
        const auto stored = rows(
            QStringLiteral("SELECT limiet25 FROM limieten WHERE wcode = 'A1' AND afstand = 100 "
                           "AND (gebjaar1 = 2001 OR gebjaar1 IS NULL)"));
        EXPECT_EQ(!stored.isEmpty(), c.stored);
    }
}

TEST_F(LimitsEditor, DeletingARowAsksAndTheNextRowIsCheckedAgain) {
    filter("100", "vrij", "meisjes/dames");
    e->Data->setCurrentIndex(e->Data->model().index(0, 4));
    ui.answer(Answer::Cancel);
    QTest::keyClick(e->Data, Qt::Key_Delete);
    EXPECT_EQ(ui.messages().back().text, QStringLiteral("Bevestig verwijderen"));
    EXPECT_EQ(ui.messages().back().buttons, Buttons::OkCancel);
    EXPECT_EQ(cells(e->Data, 4).size(), 2) << "cancelled";
    ui.answer(Answer::Ok);
    QTest::keyClick(e->Data, Qt::Key_Delete);
    EXPECT_EQ(cells(e->Data, 4), QStringList{QStringLiteral("2002")});
    EXPECT_EQ(
        rows(QStringLiteral("SELECT count(*) FROM limieten WHERE wcode = 'A1' AND afstand = 100"))
            .first()
            .first(),
        QVariant(1));
    // The deletion is over: a wrong row after it is checked as usual.
    ui.answer(Answer::Ok);
    editCell(e->Data, 0, 5, QStringLiteral("1990"));
    leaveRow(e->Data, 1);
    EXPECT_EQ(ui.messages().back().text, QStringLiteral("Geboortejaren zijn incorrect"));
}

// While another program holds the database nothing typed is lost: the meet
// or filter on screen stays, "Sluiten" keeps the editor open, and the same
// edits are stored once the database is free.
TEST_F(LimitsEditor, ABusyDatabaseKeepsWhatWasTypedOnScreen) {
    typeEdits();
    const auto before = everything();
    Connection other;
    ASSERT_TRUE(ConnectJetDB(limits, other));
    ASSERT_TRUE(other.Execute(QStringLiteral("BEGIN EXCLUSIVE")));
    const struct {
        const char* name;
        std::function<void()> act;
    } tries[] = {
        {"another meet", [&] { select(1); }},
        {"another distance", [&] { choose(e->cbASG[0], QStringLiteral("50")); }},
        {"Sluiten", [&] { e->cmdOK->click(); }},
    };
    for (const auto& t : tries) {
        SCOPED_TRACE(t.name);
        const auto asked = ui.prompts().size();
        ui.answer(Answer::Ok);
        t.act();
        settle();
        ASSERT_EQ(ui.prompts().size(), asked + 1) << "said once";
        EXPECT_TRUE(ui.prompts().back().text.contains(
            QStringLiteral("door een ander programma gebruikt. Wat u typte staat nog")));
        EXPECT_EQ(editor<frmLimieten>(), e) << "the editor stays open";
        EXPECT_EQ(e->lstCode->currentRow(), 0);
        EXPECT_EQ(e->cbASG[0]->currentText(), QStringLiteral("100"));
        EXPECT_EQ(cells(e->Data, 6).first(), QStringLiteral("01.04.00"));
        EXPECT_EQ(e->tbWedstrijd->text(), QStringLiteral("Jeugd 2010"));
    }
    ASSERT_TRUE(other.Execute(QStringLiteral("COMMIT")));
    EXPECT_EQ(everything(), before);
    e->cmdOK->click();
    EXPECT_TRUE(main->isVisible());
    expectEditsStored();
}

// Escape drops what is pending, one step at a time, and closes the editor
// only when nothing is: the database is never changed by it.
TEST_F(LimitsEditor, EscapeUndoesAndClosesOnlyWhenNothingIsPending) {
    const auto before = everything();
    filter("100", "vrij", "meisjes/dames");
    e->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(e));
    const struct {
        const char* name;
        std::function<void()> pend;
        std::function<bool()> undone;
    } cases[] = {
        {"a grid row", [&] { editCell(e->Data, 0, 6, QStringLiteral("08.88.88")); },
         [&] { return cells(e->Data, 6).first() == QStringLiteral("01.05.00"); }},
        {"a new grid row",
         [&] { editCell(e->Data, e->Data->model().newRowLine(), 4, QStringLiteral("1999")); },
         [&] { return e->Data->model().newRowLine() == 2; }},
        {"the meet's name",
         [&] {
             e->tbWedstrijd->setText(QStringLiteral("Per ongeluk"));
             Q_EMIT e->tbWedstrijd->textEdited(e->tbWedstrijd->text());
         },
         [&] { return e->tbWedstrijd->text() == QStringLiteral("Jeugd"); }},
        {"a date", [&] { e->tbDatum[1]->setText(QStringLiteral("1-1-1999")); },
         [&] { return e->tbDatum[1]->text() == QStringLiteral("29-2-2008"); }},
        {"a new meet", [&] { e->cmdNieuw->click(); },
         [&] { return e->tbCode->text() == QStringLiteral("A1") && listed().size() == 3; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.pend();
        QTest::keyClick(e, Qt::Key_Escape);
        EXPECT_TRUE(c.undone());
        EXPECT_EQ(editor<frmLimieten>(), e) << "still open";
    }
    QTest::keyClick(e, Qt::Key_Escape);
    EXPECT_TRUE(main->isVisible()) << "nothing pending: Escape closes";
    EXPECT_EQ(everything(), before);
}

TEST_F(LimitsEditor, ClosingStoresPendingEditsAndShowsTheMainWindow) {
    typeEdits();
    e->close(); // the window's own close box
    QApplication::processEvents();
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(editor<frmLimieten>(), nullptr);
    expectEditsStored();

    open();
    EXPECT_EQ(e->tbWedstrijd->text(), QStringLiteral("Jeugd 2010"));
    EXPECT_EQ(e->cbASG[0]->currentIndex(), -1) << "a new opening starts without a filter";
    QTest::keyClick(e, Qt::Key_Escape);
    EXPECT_TRUE(main->isVisible()) << "Escape closes as Sluiten does";
}

} // namespace
