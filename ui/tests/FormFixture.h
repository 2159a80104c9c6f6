#pragma once
// A fresh main window per test case, shown and active, with scripted messages and a fixed
// clock, and helpers that drive it with real key and mouse events.
#include "model/AppState.h"
#include "platform/Clock.h"
#include "platform/CommonDialog.h"
#include "platform/MessageBoxes.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <memory>

namespace quadrel::test {

struct FormFixture {
    ScriptedMessageBoxes msg;
    ScriptedCommonDialog dialog;
    FixedClock clock{QDateTime(QDate(2026, 3, 5), QTime(14, 7))};
    AppState state;
    std::unique_ptr<frmMain> form;

    FormFixture() {
        state.msg = &msg;
        state.clock = &clock;
        state.CMDialog1 = &dialog;
        form = std::make_unique<frmMain>(state);
        form->show();
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
        if (!QTest::qWaitForWindowActive(form.get()))
            qWarning("main window did not become active");
    }

    // Resizes the window so that its inner area is w x h pixels, as dragging its border does.
    void resizeInner(int w, int h) {
        const QSize extra = form->size() - form->centralWidget()->size();
        form->resize(QSize(w, h) + extra);
        QTRY_COMPARE(form->centralWidget()->size(), QSize(w, h));
    }
    // The same, as a factor of the design size.
    void scaleInner(double k) {
        resizeInner(qRound(form->centralWidget()->width() * k), qRound(form->centralWidget()->height() * k));
    }

    QWidget *focused() const { return QApplication::focusWidget(); }

    // Keys go to whatever widget has the focus, as on a real keyboard.
    QWidget *keyTarget() const { return focused() ? focused() : form.get(); }
    void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(keyTarget(), k, mods); }
    void type(const QString &text) { QTest::keyClicks(keyTarget(), text); }
    // Types text and presses Enter: one grid cell or one answer box.
    void enter(const QString &text) {
        type(text);
        key(Qt::Key_Return);
    }

    // Replaces the text of a box as a user does: click, select all, delete, type.
    void fill(QWidget *box, const QString &text) {
        QTest::mouseClick(box, Qt::LeftButton);
        key(Qt::Key_A, Qt::ControlModifier);
        key(Qt::Key_Delete);
        type(text);
    }
    void fill(const QString &name, const QString &text) { fill(form->controls().widget(name), text); }

    // Opens a top-level menu by its access key and chooses an entry by its access key.
    void menu(Qt::Key menuKey, Qt::Key itemKey) {
        QTest::keyClick(form.get(), menuKey, Qt::AltModifier);
        QWidget *popup = QApplication::activePopupWidget();
        if (!popup) qWarning("menu did not open");
        else QTest::keyClick(popup, itemKey);
    }

    // Clicks the page's tab with the mouse.
    void showPage(int page) {
        QTabBar *bar = form->ODE_Tabs->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page).center());
    }

    // Clicks grid cell (row, col) with the mouse; rows from 1, col 1 = X, 2 = Y.
    void clickCell(int row, int col) {
        DataGrid *g = form->xyGrid;
        const QRect r = g->visualRect(g->model()->index(row - 1, col));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, r.center());
    }

    // Selects BVP with the mouse on the data page.
    void chooseBvp() {
        showPage(frmMain::TabBvpData);
        QTest::mouseClick(form->optBVP, Qt::LeftButton, {}, QPoint(8, form->optBVP->height() / 2));
    }

    // Clicks a push button or option on the current page by its control name.
    void click(const QString &name, int index = -1) {
        QWidget *w = form->controls().widget(name, index);
        Q_ASSERT(w);
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    }
};

}  // namespace quadrel::test
