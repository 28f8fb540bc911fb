#pragma once

#include <algorithm>

#include "app/Main.h"
#include "editors/RecordGrid.h"
#include "support/Databases.h"
#include "support/ScriptedUi.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace tavrel::test {

// The main window on a limits database, from which the editors open as a
// user opens them.
struct EditorFixture : ::testing::Test {
    TempDir dir;
    QString limits;
    ScriptedUi ui;
    std::unique_ptr<Main> main;

    void SetUp() override {
        limits = makeLimitsDatabase(dir);
        main = std::make_unique<Main>();
        main->tbDB[1]->setText(limits);
        main->show();
    }

    template <typename Editor>
    Editor* editor() const {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* e = qobject_cast<Editor*>(w); e && e->isVisible())
                return e;
        return nullptr;
    }

    QList<QVariantList> rows(const QString& query) const { return sqlRows(limits, query); }
};

// Choosing an item of a filter box, as a click on the list does.
inline void choose(QComboBox* box, const QString& item) {
    const int i = box->findText(item);
    ASSERT_GE(i, 0) << item.toStdString();
    box->setCurrentIndex(i);
    Q_EMIT box->activated(i);
}

// Typing a text into a filter box without choosing an item.
inline void typeInto(QComboBox* box, const QString& text) {
    box->lineEdit()->setText(text);
}

// Rows in an order of their own, to compare tables whose order may differ.
inline QList<QVariantList> sorted(QList<QVariantList> rows) {
    std::sort(rows.begin(), rows.end(), [](const QVariantList& a, const QVariantList& b) {
        for (int i = 0; i < a.size(); ++i) {
            const QString x = a[i].toString(), y = b[i].toString();
            if (x != y)
                return x < y;
        }
        return false;
    });
    return rows;
}

// Typing into a grid cell; the row is stored when another row becomes current.
inline void editCell(RecordGrid* grid, int row, int column, const QString& text) {
    const QModelIndex index = grid->model().index(row, column);
    grid->setCurrentIndex(index);
    ASSERT_TRUE(grid->model().setData(index, text));
}

// Stores happen from the event loop once the row is left.
inline void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

inline void leaveRow(RecordGrid* grid, int toRow) {
    grid->setCurrentIndex(grid->model().index(toRow, 4));
    settle();
}

inline QStringList cells(RecordGrid* grid, int column) {
    QStringList out;
    for (int r = 0; r < grid->model().newRowLine(); ++r)
        out << grid->model().data(grid->model().index(r, column)).toString();
    return out;
}

} // namespace tavrel::test
