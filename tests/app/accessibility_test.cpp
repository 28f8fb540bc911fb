#include "app/Main.h"
#include "editors/RecordGrid.h"
#include "editors/frmLimieten.h"
#include "editors/frmNiveaus.h"
#include "support/Databases.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"
#include "support/Wine.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

using namespace tavrel;
using namespace tavrel::test;

namespace {

// What a screen reader announces for a control. On Linux a combo box is
// named by its text and labelled by a relation to its caption, so the
// caption is what counts there.
QString accessibleName(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    if (!a)
        return {};
    if (a->role() == QAccessible::ComboBox) {
        for (const auto& [label, relation] : a->relations(QAccessible::Label))
            return label->text(QAccessible::Name);
        return w->accessibleName();
    }
    return a->text(QAccessible::Name);
}

// The names, in the order the Tab key reaches them, of the listed widgets.
QStringList tabOrder(QWidget* window, const QStringList& names) {
    QStringList order;
    QWidget* w = window;
    do {
        w = w->nextInFocusChain();
        if (names.contains(w->objectName()) && !order.contains(w->objectName()))
            order << w->objectName();
    } while (w != window);
    return order;
}

using Names = std::vector<std::pair<const char*, const char*>>;

void expectNames(QWidget* window, const Names& names) {
    for (const auto& [object, name] : names) {
        auto* w = window->findChild<QWidget*>(QLatin1String(object));
        ASSERT_NE(w, nullptr) << object;
        EXPECT_EQ(accessibleName(w), QString::fromUtf8(name)) << object;
    }
}

QStringList objects(const Names& names) {
    QStringList list;
    for (const auto& n : names)
        list << QLatin1String(n.first);
    return list;
}

TEST(Accessibility, TheMainWindowNamesEveryControlAndTabsInReadingOrder) {
    ScriptedUi ui;
    Main w;
    const Names names = {
        {"tbDB_0", "Tavrel datafile:"},
        {"cmdBrowse_0", "Zoek Tavrel datafile"},
        {"OptVersie_0", "Tavrel 2006"},
        {"OptVersie_1", "Tavrel 2009"},
        {"tbDB_1", "Limieten en niveaus datafile:"},
        {"cmdBrowse_2", "Zoek limieten en niveaus datafile"},
        {"checkFTP", "Upload naar webdomein"},
        {"Tbox_0", "Domein (b.v. www.example.com):"},
        {"Tbox_1", "Folder (b.v. httpdocs):"},
        {"Tbox_2", "Gebruikersnaam:"},
        {"Tbox_3", "Wachtwoord:"},
        {"checkUpl_0", "zwemmers en tijden"},
        {"checkUpl_1", "limieten"},
        {"checkUpl_2", "niveaus"},
        {"checkCSV", "Bewaar CSV bestanden in"},
        {"tbCSV", "CSV-map"},
        {"cmdBrowse_1", "Zoek CSV-map"},
        {"cmdOK", "OK"},
        {"cmdCancel", "Sluiten"},
        {"cmdLimiet_0", "Bewerk limieten"},
        {"cmdLimiet_1", "Bewerk niveaus"},
    };
    expectNames(&w, names);
    expectNames(&w, {{"Message", "Meldingen"}});
    EXPECT_EQ(tabOrder(&w, objects(names)), objects(names));
    // A screen reader tells each control by its name alone.
    QStringList all;
    for (const auto& n : names)
        all << accessibleName(w.findChild<QWidget*>(QLatin1String(n.first)));
    all.removeDuplicates();
    EXPECT_EQ(all.size(), qsizetype(names.size()));
    // The message area is read, never typed in: Tab passes it by.
    EXPECT_FALSE(w.Message->focusPolicy() & Qt::TabFocus);
}

TEST(Accessibility, EnterInTheMainWindowStartsNoRun) {
    ScriptedUi ui;
    Main w;
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    for (QPushButton* b : w.findChildren<QPushButton*>())
        EXPECT_FALSE(b->isDefault() || b->autoDefault()) << b->objectName().toStdString();
    const QString before = w.Message->toPlainText();
    w.Tbox[0]->setFocus();
    QTest::keyClick(w.Tbox[0], Qt::Key_Return);
    EXPECT_FALSE(ui.programEnded());
    EXPECT_EQ(w.Message->toPlainText(), before);
}

struct EditorAccessibility : ::testing::Test {
    TempDir dir;
    ScriptedUi ui;
    Main main;
    void SetUp() override {
        main.tbDB[1]->setText(makeLimitsDatabase(dir, true));
        main.show();
    }
};

TEST_F(EditorAccessibility, TheLimitsEditorNamesEveryControlAndTabsInReadingOrder) {
    main.cmdLimiet[0]->click();
    auto* e = main.findChild<frmLimieten*>();
    ASSERT_NE(e, nullptr);
    // The meet on the left from top to bottom, then its limits on the right.
    const Names names = {
        {"lstCode", "Kies een wedstrijd:"},
        {"tbCode", "Code"},
        {"tbWedstrijd", "Wedstrijd"},
        {"tbDatum_1", "Datum van"},
        {"tbDatum_2", "Datum tot"},
        {"cbBad", "Badlengte:"},
        {"tbData", "Opmerking:"},
        {"cmdNieuw", "Nieuw"},
        {"cmdDel", "Verwijder"},
        {"cmdUpDown_0", "Verhoog met een jaar"},
        {"cmdUpDown_1", "Verlaag met een jaar"},
        {"cbASG_0", "Afstand"},
        {"cbASG_1", "Slag"},
        {"cbASG_2", "Geslacht"},
        {"checkGelijk", "limiet in 25 meter bad is gelijk aan limiet in 50 meter bad"},
        {"Data", "Limieten"},
        {"cmdImport", "Importeer"},
        {"cmdOK", "Sluiten"},
    };
    expectNames(e, names);
    EXPECT_EQ(tabOrder(e, objects(names)), objects(names));

    e->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(e));
    e->tbWedstrijd->setFocus();
    QTest::keyClick(e->tbWedstrijd, Qt::Key_Escape);
    EXPECT_TRUE(main.isVisible()) << "Escape does what Sluiten does";
}

TEST_F(EditorAccessibility, TheLevelsEditorNamesEveryControlAndTabsInReadingOrder) {
    main.cmdLimiet[1]->click();
    auto* e = main.findChild<frmNiveaus*>();
    ASSERT_NE(e, nullptr);
    const Names names = {
        {"cbASG_0", "Afstand"},     {"cbASG_1", "Slag"},   {"cbASG_2", "Geslacht"},
        {"cbASG_3", "Badlengte"},   {"cbASG_4", "Niveau"}, {"Data", "Niveaus"},
        {"cmdImport", "Importeer"}, {"cmdOK", "Sluiten"},
    };
    expectNames(e, names);
    EXPECT_EQ(tabOrder(e, objects(names)), objects(names));
    QTest::keyClick(e, Qt::Key_Escape);
    EXPECT_TRUE(main.isVisible());
}

// Tab walks the grid's cells and leaves it after the last, Shift+Tab before
// the first, Ctrl+Tab at once (also from a cell being typed in, whose text
// is kept); Enter presses the button that has the focus.
TEST_F(EditorAccessibility, KeysLeaveTheGridAndEnterPressesTheFocusedButton) {
    main.cmdLimiet[1]->click();
    auto* e = main.findChild<frmNiveaus*>();
    ASSERT_NE(e, nullptr);
    for (auto* box : e->cbASG) {
        box->setCurrentIndex(0);
        Q_EMIT box->activated(0);
    }
    e->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(e));
    RecordGrid* grid = e->Data;
    ASSERT_FALSE(grid->isHidden());
    GridModel& model = grid->model();
    const auto focusAt = [&](int row, int column) {
        grid->setFocus();
        grid->setCurrentIndex(model.index(row, column));
    };
    const int last = model.newRowLine();
    const struct {
        const char* name;
        int row, column;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QWidget* expected;
    } cases[] = {
        {"Shift+Tab in the first cell", 0, 5, Qt::Key_Backtab, Qt::ShiftModifier, e->cbASG[4]},
        {"Tab in the last cell", last, 7, Qt::Key_Tab, Qt::NoModifier, e->cmdImport},
        {"Ctrl+Tab in a middle cell", 1, 6, Qt::Key_Tab, Qt::ControlModifier, e->cmdImport},
        {"Ctrl+Shift+Tab in a middle cell", 1, 6, Qt::Key_Backtab,
         Qt::ControlModifier | Qt::ShiftModifier, e->cbASG[4]},
        {"Tab in a middle cell", 1, 6, Qt::Key_Tab, Qt::NoModifier, grid},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        focusAt(c.row, c.column);
        ASSERT_EQ(QApplication::focusWidget(), grid);
        QTest::keyClick(grid, c.key, c.modifiers);
        EXPECT_EQ(QApplication::focusWidget(), c.expected)
            << QApplication::focusWidget()->objectName().toStdString();
    }

    // Typing in a cell, then Ctrl+Tab: the text goes with the row.
    focusAt(0, 7);
    QTest::keyClick(grid, Qt::Key_0);
    QWidget* cell = QApplication::focusWidget();
    ASSERT_NE(cell, grid) << "a cell is being typed in";
    QTest::keyClicks(cell, QStringLiteral("1.02.03"));
    QTest::keyClick(cell, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), e->cmdImport);
    EXPECT_EQ(model.data(model.index(0, 7)).toString(), QStringLiteral("01.02.03"));

    ui.answer(Answer::Cancel);
    QTest::keyClick(e->cmdImport, Qt::Key_Return);
    EXPECT_EQ(ui.messages().back().title, QStringLiteral("Importeer niveaus"));
    e->cmdOK->setFocus();
    QTest::keyClick(e->cmdOK, Qt::Key_Return);
    EXPECT_TRUE(main.isVisible()) << "Enter on Sluiten closes the editor";
    EXPECT_EQ(
        sqlRows(main.tbDB[1]->text(), QStringLiteral("SELECT count(*) FROM niveaus WHERE tijd = "
                                                     "'01.02.03'")),
        (QList<QVariantList>{{1}}))
        << "the row typed was stored on closing";
}

// Whether the named controls of window each show whole, none over another.
void expectLaidOut(QWidget* e) {
    QList<QWidget*> shown;
    for (QWidget* w : e->findChildren<QWidget*>())
        if (!w->objectName().isEmpty() && w->isVisible() && !w->objectName().startsWith(u'q'))
            shown << w;
    for (QWidget* w : shown) {
        const std::string name = w->objectName().toStdString();
        const QRect r(w->mapTo(e, QPoint(0, 0)), w->size());
        EXPECT_TRUE(e->rect().contains(r)) << name;
        EXPECT_GE(w->height(), std::max(w->minimumSizeHint().height(), w->minimumHeight())) << name;
        if (w->hasHeightForWidth()) {
            EXPECT_GE(w->height(), w->heightForWidth(w->width())) << name << " is cut";
        }
        for (QWidget* other : shown) {
            if (other == w || w->isAncestorOf(other) || other->isAncestorOf(w))
                continue;
            EXPECT_FALSE(r.intersects(QRect(other->mapTo(e, QPoint(0, 0)), other->size())))
                << name << " over " << other->objectName().toStdString();
        }
    }
}

// A small laptop screen, 1024 by 600, less a title bar and a panel: both
// editors fit, and at their own size as well as their least every named
// control shows whole, none over another.
TEST_F(EditorAccessibility, BothEditorsFitASmallScreenWithoutOverlap) {
    const QSize screen(1024, 600 - 64);
    for (int index : {0, 1}) {
        SCOPED_TRACE(index);
        main.cmdLimiet[index]->click();
        QWidget* e = index == 0 ? static_cast<QWidget*>(main.findChild<frmLimieten*>())
                                : main.findChild<frmNiveaus*>();
        ASSERT_NE(e, nullptr);
        // The grid shown, as when rows are edited.
        for (auto* box : e->findChildren<QComboBox*>(QRegularExpression(QStringLiteral("cbASG")))) {
            box->setCurrentIndex(0);
            Q_EMIT box->activated(0);
        }
        QApplication::processEvents();
        // Wine's stand-ins for Windows' fonts are much wider than Windows'
        // own, so there only the layout is checked, not the screen it fits.
        if (!underWine()) {
            EXPECT_LE(e->width(), screen.width());
            EXPECT_LE(e->height(), screen.height());
        }
        {
            SCOPED_TRACE("as it opens");
            expectLaidOut(e);
        }
        e->resize(e->minimumSize());
        QApplication::processEvents();
        {
            SCOPED_TRACE("at its least");
            expectLaidOut(e);
        }
        e->close();
    }
}

} // namespace
