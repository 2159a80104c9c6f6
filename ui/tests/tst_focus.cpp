// Page changes, tab stops around a grid edit, the solver-box group and the tips box keys.
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

class FocusTest : public QObject {
    Q_OBJECT
private slots:
    void typingRightAfterStartUp();
    void pageChangeCommitsOpenEditAndRestoresTabStops();
    void restoreForcesTheListedControlsOn_data();
    void restoreForcesTheListedControlsOn();
    void pageChangeEnablesOnlyTheShowingPage_data();
    void pageChangeEnablesOnlyTheShowingPage();
    void tabKeyWalksThePage();
    void tipsBoxKeys_data();
    void tipsBoxKeys();
};

void FocusTest::typingRightAfterStartUp() {
    FormFixture f;
    f.type("y' = x");
    QCOMPARE(f.form->Equation->text(), QString("y' = x"));
}

// While the editor is open no control is a tab stop, so Tab reaches the editor's own handling;
// a page change commits the open edit and restores the tab stops.
void FocusTest::pageChangeCommitsOpenEditAndRestoresTabStops() {
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
void FocusTest::restoreForcesTheListedControlsOn_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("before");
    QTest::addColumn<bool>("after");
    QTest::newRow("Equation off stays off") << "Equation" << false << false;
    QTest::newRow("Equation on stays on") << "Equation" << true << true;
    QTest::newRow("Note1 off comes back on") << "Note1" << false << true;
    QTest::newRow("ODE_Tabs off comes back on") << "ODE_Tabs" << false << true;
    QTest::newRow("optIVP off comes back on") << "optIVP" << false << true;
}

void FocusTest::restoreForcesTheListedControlsOn() {
    QFETCH(QString, name);
    QFETCH(bool, before);
    QFETCH(bool, after);
    FormFixture f;
    const ControlEntry *e = f.form->controls().entry(name);
    setTabStop(*e, before);
    const auto stopsBefore = tabStops(*f.form);
    f.chooseBvp();  // optBVP's click shows the editor
    QVERIFY(f.form->tabStopsStored());
    QVERIFY(!tabStop(*e));
    f.key(Qt::Key_Escape);
    QCOMPARE(tabStop(*e), after);
    // Every other control is back as it was, the listed ones on.
    const auto stopsAfter = tabStops(*f.form);
    for (auto it = stopsBefore.begin(); it != stopsBefore.end(); ++it) {
        const QString ctl = it.key().section('/', 0, 0);
        const bool forced = frmMain::forcedTabStops().contains(ctl, Qt::CaseInsensitive);
        if (ctl == "xyGrid") continue;  // the BVP click made it a tab stop
        QCOMPARE(stopsAfter.value(it.key()), forced ? true : it.value());
    }
}

void FocusTest::pageChangeEnablesOnlyTheShowingPage_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("focus");
    QTest::newRow("equation") << 0 << "Equation";
    QTest::newRow("parameters") << 2 << "a0InitVal";
    QTest::newRow("BVP data") << 3 << "optIVP";
    QTest::newRow("solver") << 4 << "Remax";
    QTest::newRow("run") << 5 << "tPause";
    QTest::newRow("tips") << 6 << "RichTextBox1";
}

void FocusTest::pageChangeEnablesOnlyTheShowingPage() {
    QFETCH(int, page);
    QFETCH(QString, focus);
    FormFixture f;
    if (page == 0) f.showPage(frmMain::TabRun);  // a change is needed to land on page 0
    f.showPage(page);
    QCOMPARE(f.form->ODE_Tabs->currentIndex(), page);
    QCOMPARE(f.focused(), f.form->controls().widget(focus));
    for (const auto &e : f.form->controls().entries()) {
        if (e.page < 0 || e.name.startsWith("lbl")) continue;
        QVERIFY2(e.widget()->isEnabled() == (e.page == page), qPrintable(e.name));
    }
}

void FocusTest::tabKeyWalksThePage() {
    FormFixture f;
    f.showPage(frmMain::TabParameters);
    QStringList order;
    for (int i = 0; i < 8; ++i) {
        QWidget *w = f.focused();
        order << (w == f.form->ODE_Tabs->tabBar() ? QString("ODE_Tabs") : w->objectName());
        f.key(Qt::Key_Tab);
    }
    // After the page's last box the walk leaves the page for the tab strip; the controls of
    // hidden pages are never reached.
    QCOMPARE(order, (QStringList{"a0InitVal", "x0InitVal", "YinitVals", "nPoints", "Delta_x",
                                 "Note1", "Note2", "ODE_Tabs"}));
}

void FocusTest::tipsBoxKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("mods");
    QTest::addColumn<int>("scroll");  // expected change of the scroll position in steps
    QTest::newRow("Down") << int(Qt::Key_Down) << int(Qt::NoModifier) << 1;
    QTest::newRow("Up") << int(Qt::Key_Up) << int(Qt::NoModifier) << -1;
    QTest::newRow("Ctrl+Down ignored") << int(Qt::Key_Down) << int(Qt::ControlModifier) << 0;
    QTest::newRow("Ctrl+Shift+Down scrolls") << int(Qt::Key_Down)
                                             << int(Qt::ControlModifier | Qt::ShiftModifier) << 1;
    QTest::newRow("Home ignored") << int(Qt::Key_Home) << int(Qt::NoModifier) << 0;
    QTest::newRow("End ignored") << int(Qt::Key_End) << int(Qt::NoModifier) << 0;
    QTest::newRow("Ctrl+End ignored") << int(Qt::Key_End) << int(Qt::ControlModifier) << 0;
}

void FocusTest::tipsBoxKeys() {
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

QTEST_MAIN(FocusTest)
#include "tst_focus.moc"
