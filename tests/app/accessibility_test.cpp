#include "app/Main.h"
#include "editors/frmLimieten.h"
#include "editors/frmNiveaus.h"
#include "support/Databases.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
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
        {"cmdBrowse_0", "Zoek..."},
        {"OptVersie_0", "Tavrel 2006"},
        {"OptVersie_1", "Tavrel 2009"},
        {"tbDB_1", "Limieten en niveaus datafile:"},
        {"cmdBrowse_2", "Zoek..."},
        {"checkFTP", "Upload naar webdomein"},
        {"Tbox_0", "Domein (b.v. www.example.com):"},
        {"Tbox_1", "Folder (b.v. httpdocs):"},
        {"Tbox_2", "Gebruikersnaam:"},
        {"Tbox_3", "Wachtwoord:"},
        {"checkUpl_0", "zwemmers en tijden"},
        {"checkUpl_1", "limieten"},
        {"checkUpl_2", "niveaus"},
        {"checkCSV", "Bewaar CSV bestanden in"},
        {"tbCSV", "CSV folder"},
        {"cmdBrowse_1", "Zoek..."},
        {"cmdOK", "OK"},
        {"cmdCancel", "Sluiten"},
        {"cmdLimiet_0", "Bewerk limieten"},
        {"cmdLimiet_1", "Bewerk niveaus"},
        {"Message", "Meldingen"},
    };
    expectNames(&w, names);
    EXPECT_EQ(tabOrder(&w, objects(names)), objects(names));
}

TEST(Accessibility, EnterInTheMainWindowStartsNoRun) {
    ScriptedUi ui;
    Main w;
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    for (QPushButton* b : w.findChildren<QPushButton*>())
        EXPECT_FALSE(b->isDefault() || b->autoDefault()) << b->objectName().toStdString();
    w.Tbox[0]->setFocus();
    QTest::keyClick(w.Tbox[0], Qt::Key_Return);
    EXPECT_FALSE(ui.programEnded());
    EXPECT_EQ(w.Message->toPlainText(), QString());
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

} // namespace
