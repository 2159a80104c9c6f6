// The data grid and its floating cell editor, page changes, tab stops around a grid edit and
// the tips box keys, driven by real keys and mouse clicks.
#include "FormFixture.h"

#include <QScrollBar>
#include <QtTest>

using namespace quadrel;
using quadrel::test::FormFixture;

namespace {
QMap<QString, bool> tabStops(const frmMain &form) {
    QMap<QString, bool> stops;
    for (const auto &e : form.controls().entries())
        if (hasTabStop(e)) stops.insert(e.name + "/" + QString::number(e.index), tabStop(e));
    return stops;
}
}  // namespace

class GridTest : public QObject {
    Q_OBJECT
private slots:
    // Each entry is typed into the editor followed by Enter, starting on row 1, column X.
    void typingAColumnGrowsTheGrid_data() {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("stored");  // x|y of the points the answers take
        QTest::addColumn<int>("rows");
        QTest::newRow("three points") << QStringList{"1", "2", "3", "3.5", "5", "6"}
                                      << QStringList{"1|2", "3|3.5", "5|6"} << 7;
        QTest::newRow("row 2 without Y ends the list")
            << QStringList{"1", "2", "3", "", "5", "6"} << QStringList{"1|2"} << 7;
        QTest::newRow("first row without X") << QStringList{"", "2", "3", "4"} << QStringList{} << 6;
        QTest::newRow("blanks stay in cells until read") << QStringList{" 1 ", "  2"} << QStringList{"1|2"} << 5;
        QStringList typed, stored;
        for (int i = 1; i <= 10; ++i) {
            typed << QString::number(i) << QString::number(i);
            stored << QString("%1|%1").arg(i);
        }
        QTest::newRow("ten points") << typed << stored << 14;
    }
    void typingAColumnGrowsTheGrid() {
        QFETCH(QStringList, typed);
        FormFixture f;
        f.showPage(frmMain::TabBvpData);  // BVP by arrow key from IVP focuses the editor
        QCOMPARE(f.focused(), f.form->optIVP);
        f.key(Qt::Key_Right);
        QVERIFY(f.form->optBVP->isChecked());
        QCOMPARE(f.focused(), f.form->txtCellEditor);
        for (const QString &cell : typed) f.enter(cell);
        QCOMPARE(f.form->TextMatrix(1, 1), typed[0]);
        QTEST(f.form->Rows(), "rows");
        QVERIFY(f.form->Row() + 3 <= f.form->Rows());  // always two spare rows below the editor
        f.form->PutAnswers();
        const ProblemAnswers &a = f.state.answers;
        QStringList stored;
        for (size_t i = 1; i <= size_t(a.nDataPoints); ++i) stored << a.xValues[i] + "|" + a.yValues[i];
        QTEST(stored, "stored");
        QVERIFY(f.state.dataChanged);
    }
    // From a start cell, one key press: where the editor is afterwards.
    void keyMoves_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("mods");
        QTest::addColumn<int>("toRow");
        QTest::addColumn<int>("toCol");
        const int none = Qt::NoModifier, shift = Qt::ShiftModifier;
        QTest::newRow("Shift+Tab on row 1 X stays") << 1 << 1 << int(Qt::Key_Backtab) << shift << 1 << 1;
        QTest::newRow("Shift+Enter on row 1 X stays") << 1 << 1 << int(Qt::Key_Return) << shift << 1 << 1;
        QTest::newRow("Up on row 1 stays") << 1 << 1 << int(Qt::Key_Up) << none << 1 << 1;
        QTest::newRow("Tab X to Y") << 2 << 1 << int(Qt::Key_Tab) << none << 2 << 2;
        QTest::newRow("Enter Y to next X") << 2 << 2 << int(Qt::Key_Return) << none << 3 << 1;
        QTest::newRow("Shift+Tab Y to X") << 2 << 2 << int(Qt::Key_Backtab) << shift << 2 << 1;
        QTest::newRow("Shift+Tab X to previous Y") << 2 << 1 << int(Qt::Key_Backtab) << shift << 1 << 2;
        QTest::newRow("Up") << 3 << 2 << int(Qt::Key_Up) << none << 2 << 2;
        QTest::newRow("Down") << 1 << 2 << int(Qt::Key_Down) << none << 2 << 2;
        QTest::newRow("Shift+Down still down") << 1 << 1 << int(Qt::Key_Down) << shift << 2 << 1;
    }
    void keyMoves() {
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(int, key);
        QFETCH(int, mods);
        QFETCH(int, toRow);
        QFETCH(int, toCol);
        FormFixture f;
        f.chooseBvp();
        f.enter("a");  // rows 1..3 exist with spares below
        f.enter("b");
        f.enter("c");
        f.clickCell(row, col);
        QCOMPARE(f.form->editRow(), row);
        QCOMPARE(f.form->editCol(), col);
        const QString old = f.form->TextMatrix(row, col);
        QCOMPARE(f.form->txtCellEditor->text(), old);
        f.type("9");
        f.key(Qt::Key(key), Qt::KeyboardModifiers(mods));
        QCOMPARE(f.form->TextMatrix(row, col), old + "9");  // the old cell got the edit
        QVERIFY(!f.form->txtCellEditor->isHidden());
        QCOMPARE(f.focused(), f.form->txtCellEditor);
        QCOMPARE(f.form->editRow(), toRow);
        QCOMPARE(f.form->editCol(), toCol);
        QCOMPARE(f.form->txtCellEditor->text(), f.form->TextMatrix(toRow, toCol));
        QVERIFY(f.form->Rows() >= toRow + 2);
    }
    // Escape drops the edit and gives the keyboard to the grid; Tab then leaves the grid.
    // Committing unchanged text still marks the problem changed.
    void escapeKeepsOldTextAndGivesTheKeyboardToTheGrid() {
        FormFixture f;
        f.chooseBvp();
        f.enter("old");
        f.clickCell(1, 1);
        f.state.dataChanged = false;
        f.type("new");
        QCOMPARE(f.form->txtCellEditor->text(), QString("oldnew"));
        f.key(Qt::Key_Escape);
        QVERIFY(f.form->txtCellEditor->isHidden());
        QCOMPARE(f.form->TextMatrix(1, 1), QString("old"));
        QVERIFY(!f.state.dataChanged);
        QVERIFY(!f.form->tabStopsStored());
        QCOMPARE(f.focused(), f.form->xyGrid);
        f.key(Qt::Key_Tab);
        QVERIFY(f.form->txtCellEditor->isHidden());
        QVERIFY(f.focused() != f.form->xyGrid && f.focused() != f.form->txtCellEditor);
        f.clickCell(1, 1);
        f.state.dataChanged = false;
        f.key(Qt::Key_Tab);
        QCOMPARE(f.form->TextMatrix(1, 1), QString("old"));
        QVERIFY(f.state.dataChanged);
    }
    void printableKeyOnGridOpensEditor_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("editorText");
        QTest::newRow("digit replaces") << int(Qt::Key_7) << "7";
        QTest::newRow("minus replaces") << int(Qt::Key_Minus) << "-";
        QTest::newRow("backspace keeps the cell text") << int(Qt::Key_Backspace) << "12";
        QTest::newRow("enter keeps the cell text") << int(Qt::Key_Return) << "12";
    }
    void printableKeyOnGridOpensEditor() {
        QFETCH(int, key);
        QFETCH(QString, editorText);
        FormFixture f;
        f.chooseBvp();
        f.enter("12");
        f.key(Qt::Key_Escape);  // editor hidden on row 1, Y; the grid has the focus
        // Navigation keys move over the grid without opening the editor, never onto the
        // row-number column, and end on row 1, X.
        for (Qt::Key k : {Qt::Key_Delete, Qt::Key_Down, Qt::Key_Right, Qt::Key_Left, Qt::Key_Left,
                          Qt::Key_Up, Qt::Key_Escape}) {
            f.key(k);
            QCOMPARE(f.focused(), f.form->xyGrid);
            QVERIFY2(f.form->txtCellEditor->isHidden(), qPrintable(QKeySequence(k).toString()));
        }
        QCOMPARE(f.form->xyGrid->currentColumn(), 1);
        f.key(Qt::Key(key));
        QVERIFY(!f.form->txtCellEditor->isHidden());
        QCOMPARE(f.form->txtCellEditor->text(), editorText);
        QCOMPARE(f.form->txtCellEditor->cursorPosition(), editorText.size());
        QCOMPARE(f.form->TextMatrix(1, 1), QString("12"));  // replaced only on commit
        f.key(Qt::Key_Return);
        QCOMPARE(f.form->TextMatrix(1, 1), editorText);
    }
    void editorLiesExactlyOverTheCell_data() {
        QTest::addColumn<double>("scale");  // the window resized while the editor is open
        QTest::newRow("design size") << 1.0;
        QTest::newRow("150%") << 1.5;
    }
    void editorLiesExactlyOverTheCell() {
        QFETCH(double, scale);
        FormFixture f;
        f.chooseBvp();
        for (int i = 0; i < 30; ++i) f.enter(QString::number(i));  // far enough to scroll
        f.scaleInner(scale);
        DataGrid *g = f.form->xyGrid;
        const QRect cell = g->visualRect(g->model()->index(f.form->Row() - 1, f.form->Col()));
        QVERIFY(g->viewport()->rect().contains(cell));  // scrolled into view
        const QPoint at = g->viewport()->mapTo(f.form->page3, cell.topLeft());
        QCOMPARE(f.form->txtCellEditor->geometry(),
                 QRect(at.x(), at.y(), cell.width() - 1, cell.height() - 1));
        QCOMPARE(f.form->txtCellEditor->font(), g->font());
    }
    void clickOnAnotherCellCommitsAndClearEmptiesColumns() {
        FormFixture f;
        f.chooseBvp();
        f.type("4");
        f.clickCell(2, 2);
        QCOMPARE(f.form->TextMatrix(1, 1), QString("4"));
        QCOMPARE(f.form->editRow(), 2);
        QCOMPARE(f.form->editCol(), 2);
        QCOMPARE(f.focused(), f.form->txtCellEditor);
        for (const char *v : {"1", "2", "3", "4", "5"}) f.enter(v);
        const double w1 = f.form->ColWidth(1), w2 = f.form->ColWidth(2);
        f.state.dataChanged = false;
        f.click("cmdClear");
        QCOMPARE(f.form->Rows(), 4);  // two blank rows, plus the spare row the reopened editor adds
        for (int r = 1; r < f.form->Rows(); ++r) {
            QCOMPARE(f.form->TextMatrix(r, 1) + f.form->TextMatrix(r, 2), QString());
            QCOMPARE(f.form->TextMatrix(r, 0), QString::number(r));
        }
        QCOMPARE(f.form->ColWidth(1), w1);
        QCOMPARE(f.form->ColWidth(2), w2);
        QVERIFY(f.state.dataChanged);
        QVERIFY(!f.form->txtCellEditor->isHidden());
        QCOMPARE(f.form->editRow(), 1);
        QCOMPARE(f.form->editCol(), 1);
        QCOMPARE(f.form->txtCellEditor->text(), QString());
    }
    void editorOnlyOnTheDataPage() {
        FormFixture f;
        f.chooseBvp();
        f.showPage(frmMain::TabParameters);
        f.form->ShowCellEditor();
        QVERIFY(f.form->txtCellEditor->isHidden());
        QVERIFY(!f.form->tabStopsStored());
        // For an IVP the grey grid still opens the editor when clicked on its page.
        f.showPage(frmMain::TabBvpData);
        QTest::mouseClick(f.form->optIVP, Qt::LeftButton);
        QVERIFY(f.form->txtCellEditor->isHidden());
        f.clickCell(1, 2);
        QVERIFY(!f.form->txtCellEditor->isHidden());
        f.enter("7");
        QCOMPARE(f.form->TextMatrix(1, 2), QString("7"));
    }
    // While the editor is open no control is a tab stop, so Tab reaches the editor's own handling;
    // a page change commits the open edit and restores the tab stops.
    void pageChangeCommitsOpenEditAndRestoresTabStops() {
        FormFixture f;
        f.chooseBvp();
        QVERIFY(f.form->tabStopsStored());
        for (const auto &e : f.form->controls().entries()) QVERIFY2(!tabStop(e), qPrintable(e.name));
        f.type("4.25");
        f.key(Qt::Key_Tab);
        QCOMPARE(f.focused(), f.form->txtCellEditor);
        QCOMPARE(f.form->editCol(), 2);
        f.type("7");
        f.showPage(frmMain::TabParameters);
        QCOMPARE(f.form->TextMatrix(1, 1), QString("4.25"));
        QCOMPARE(f.form->TextMatrix(1, 2), QString("7"));
        QVERIFY(f.form->txtCellEditor->isHidden());
        QVERIFY(!f.form->tabStopsStored());
        QVERIFY(tabStop(*f.form->controls().entry("Note1")));
        QCOMPARE(f.focused(), f.form->page2->a0InitVal);
        QVERIFY(!f.form->xyGrid->isEnabled());
    }
    // Before an edit a control's tab stop is set; after the editor closes it is either back as it
    // was or, for the 25 listed controls, on.
    void restoreForcesTheListedControlsOn() {
        FormFixture f;
        setTabStop(*f.form->controls().entry("Equation"), false);  // not listed: off again after
        setTabStop(*f.form->controls().entry("Note1"), false);     // listed: on after
        const auto stopsBefore = tabStops(*f.form);
        f.chooseBvp();  // optBVP's click shows the editor
        QVERIFY(f.form->tabStopsStored());
        f.key(Qt::Key_Escape);
        // Every control is back as it was, the listed ones on.
        const auto stopsAfter = tabStops(*f.form);
        for (auto it = stopsBefore.begin(); it != stopsBefore.end(); ++it) {
            const QString ctl = it.key().section('/', 0, 0);
            const bool forced = frmMain::forcedTabStops().contains(ctl, Qt::CaseInsensitive);
            if (ctl == "xyGrid") continue;  // the BVP click made it a tab stop
            QVERIFY2(stopsAfter.value(it.key()) == (forced || it.value()), qPrintable(it.key()));
        }
    }
    // A page change enables only the page's controls and focuses its first; Tab walks the page
    // and after its last box leaves for the tab strip, never reaching a hidden page.
    void pageChangeEnablesOnlyTheShowingPage_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("walk");  // the focus after the change, then after each Tab
        QTest::newRow("equation") << 0 << QStringList{"Equation"};
        QTest::newRow("parameters") << 2 << QStringList{"a0InitVal", "x0InitVal", "YinitVals", "nPoints",
                                                        "Delta_x", "Note1", "Note2", "ODE_Tabs"};
        QTest::newRow("BVP data") << 3 << QStringList{"optIVP"};
        QTest::newRow("solver") << 4 << QStringList{"Remax"};
        QTest::newRow("run") << 5 << QStringList{"tPause"};
        QTest::newRow("tips") << 6 << QStringList{"RichTextBox1"};
    }
    void pageChangeEnablesOnlyTheShowingPage() {
        QFETCH(int, page);
        QFETCH(QStringList, walk);
        FormFixture f;
        if (page == 0) f.showPage(frmMain::TabRun);  // a change is needed to land on page 0
        f.showPage(page);
        QCOMPARE(f.form->ODE_Tabs->currentIndex(), page);
        for (const auto &e : f.form->controls().entries()) {
            if (e.page < 0 || e.name.startsWith("lbl")) continue;
            QVERIFY2(e.widget()->isEnabled() == (e.page == page), qPrintable(e.name));
        }
        for (const QString &name : walk) {
            QCOMPARE(f.focused(), name == "ODE_Tabs" ? f.form->ODE_Tabs->tabBar() : f.form->controls().widget(name));
            f.key(Qt::Key_Tab);
        }
    }
    void tipsBoxKeys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("mods");
        QTest::addColumn<int>("scroll");  // expected change of the scroll position in steps
        QTest::newRow("Down") << int(Qt::Key_Down) << int(Qt::NoModifier) << 1;
        QTest::newRow("Up") << int(Qt::Key_Up) << int(Qt::NoModifier) << -1;
        QTest::newRow("Ctrl+Down ignored") << int(Qt::Key_Down) << int(Qt::ControlModifier) << 0;
        QTest::newRow("Ctrl+Shift+Down scrolls") << int(Qt::Key_Down)
                                                 << int(Qt::ControlModifier | Qt::ShiftModifier) << 1;
        QTest::newRow("Home ignored") << int(Qt::Key_Home) << int(Qt::NoModifier) << 0;
        QTest::newRow("Ctrl+End ignored") << int(Qt::Key_End) << int(Qt::ControlModifier) << 0;
    }
    void tipsBoxKeys() {
        QFETCH(int, key);
        QFETCH(int, mods);
        QFETCH(int, scroll);
        FormFixture f;
        f.showPage(frmMain::TabTips);
        TipsBox *tips = f.form->RichTextBox1;
        QCOMPARE(f.focused(), tips);
        QScrollBar *bar = tips->verticalScrollBar();
        QVERIFY(bar->maximum() > 10 * bar->singleStep());
        bar->setValue(bar->maximum() / 2);
        const int start = bar->value();
        f.key(Qt::Key(key), Qt::KeyboardModifiers(mods));
        if (scroll == 0) QCOMPARE(bar->value(), start);
        else QVERIFY(scroll > 0 ? bar->value() >= start + bar->singleStep()
                                : bar->value() <= start - bar->singleStep());
    }
};

QTEST_MAIN(GridTest)
#include "tst_grid.moc"
