// The form's make-up: the control registry, menus, pages, and the layout at the design size
// (nothing overlaps, nothing is clipped). With QUADREL_SCREENSHOT_DIR set it also writes one
// PNG per page there for a person to look at.
#include "FormFixture.h"
#include "resize/Twips.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QtTest>

using namespace quadrel;
using quadrel::test::FormFixture;

class LayoutTest : public QObject {
    Q_OBJECT
private slots:
    void twipsAreFifteenPerPixelAt96Dpi();
    void registryTypeNames_data();
    void registryTypeNames();
    void registryLookupIgnoresCaseAndAnswersArrays();
    void registryOrderIsFixed();
    void menuEntries_data();
    void menuEntries();
    void pageCaptions();
    void designTimeTexts_data();
    void designTimeTexts();
    void demoRows();
    void pagesDoNotOverlapOrClip();
    void screenshots();
};

void LayoutTest::twipsAreFifteenPerPixelAt96Dpi() {
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
    QCOMPARE(twips::perPixelX(), 1440.0 / dpi);
    QCOMPARE(twips::toPixelsX(1440), qRound(dpi));
    if (qFuzzyCompare(dpi, 96.0)) {
        QCOMPARE(twips::toPixelsX(15), 1);
        QCOMPARE(twips::fromPixelsX(16), 240.0);
        QCOMPARE(twips::toPixels(120, 120, 11760, 7965), QRect(8, 8, 784, 531));
    }
}

void LayoutTest::registryTypeNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    const char *rows[][2] = {
        {"picCanvas", "PictureBox"}, {"ODE_Tabs", "SSTab"}, {"Equation", "TextBox"},
        {"txtCellEditor", "TextBox"}, {"xyGrid", "MSHFlexGrid"}, {"RichTextBox1", "RichTextBox"},
        {"optIVP", "OptionButton"}, {"AutoExit", "CheckBox"}, {"cmdSubmit", "CommandButton"},
        {"HScroll1", "HScrollBar"}, {"VScroll1", "VScrollBar"}, {"CMDialog1", "CommonDialog"},
        {"lblTabNote", "Label"}, {"mnuFile", "Menu"}, {"mnuHelpBar1", "Menu"},
        {"Question", "Object"}, {"Exam", "Object"}, {"SolvQuestion", "Object"},
        {"nosuchcontrol", ""}};
    for (auto &r : rows) QTest::newRow(r[0]) << r[0] << r[1];
}

void LayoutTest::registryTypeNames() {
    QFETCH(QString, name);
    QFETCH(QString, type);
    FormFixture f;
    QCOMPARE(f.form->controls().lookupTypeName(name), type);
}

void LayoutTest::registryLookupIgnoresCaseAndAnswersArrays() {
    FormFixture f;
    const ControlRegistry &r = f.form->controls();
    QCOMPARE(r.widget("A0initVal"), static_cast<QWidget *>(f.form->page2->a0InitVal));
    QCOMPARE(r.widget("X0INITVAL"), static_cast<QWidget *>(f.form->page2->x0InitVal));
    const auto question = r.find("question");
    QCOMPARE(question.size(), 6);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(question[i]->index, i + 1);
        QCOMPARE(question[i]->object->property("Index").toInt(), i + 1);
    }
    QCOMPARE(question[0]->page, int(frmMain::TabEquation));
    QCOMPARE(question[1]->page, int(frmMain::TabParameters));
    QCOMPARE(r.find("Question2").size(), 4);
    QCOMPARE(r.find("Exam").size(), 15);
    QCOMPARE(r.find("ExTime").size(), 15);
    QCOMPARE(r.find("Description").size(), 15);
    QCOMPARE(r.find("SolvQuestion").size(), 7);
    QVERIFY(r.entry("Question") == nullptr);  // an array has no single control
    for (const QString &name : frmMain::forcedTabStops()) QVERIFY2(r.entry(name), qPrintable(name));
    QCOMPARE(frmMain::forcedTabStops().size(), 25);
}

void LayoutTest::registryOrderIsFixed() {
    FormFixture a;
    FormFixture b;
    const ControlRegistry &ra = a.form->controls();
    QCOMPARE(ra.count(), b.form->controls().count());
    for (int i = 0; i < ra.count(); ++i) {
        QCOMPARE(ra.at(i).name, b.form->controls().at(i).name);
        QCOMPARE(ra.at(i).tabIndex, i);
        QVERIFY2(!ra.at(i).name.isEmpty(), qPrintable(QString::number(i)));
    }
    QCOMPARE(ra.at(0).name, QString("picCanvas"));
    QCOMPARE(ra.at(1).name, QString("ODE_Tabs"));
    // Every named control of the window is in the registry exactly once.
    for (const auto &e : ra.entries()) QCOMPARE(ra.entryOf(e.object), &e);
}

void LayoutTest::menuEntries_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    const char *rows[][2] = {
        {"mnuFile", "&File"}, {"mnuFileNew", "&New"}, {"mnuFileOpen", "&Open ..."},
        {"mnuFileSave", "&Save"}, {"mnuFileSaveAs", "Save &As ..."},
        {"mnuFileDelete", "&Delete ..."}, {"mnuFileSubmit", "Submit &Run"}, {"mnuFileExit", "E&xit"},
        {"mnuDemos", "&Demos"}, {"mnuDemosRun", "Run &Demo ..."}, {"mnuView", "&View"},
        {"mnuViewOutput", "&Last Output ..."}, {"mnuViewPlots", "&Plots ..."},
        {"mnuViewDemos", "&Example File ..."}, {"mnuWeb", "&Web Links"},
        {"mnuWebLinkEd", "notePad++ Code Editor, we recommend it."},
        {"mnuWebLink", "Quadrel's Website"}, {"mnuWebLink3", "Parameter 'Tweaking' Textbook"},
        {"mnuWebLinkApp2", "Other Apps"}, {"mnuHelp", "&Help"}, {"mnuHelpManual", "&Manual ..."},
        {"mnuHelpSource", "&Source ..."}, {"mnuHelpEmail", "&E-mail Support ..."},
        {"mnuHelpDonate", "Donate ..."}, {"mnuHelpAbout", "&About ..."}};
    for (auto &r : rows) QTest::newRow(r[0]) << r[0] << r[1];
}

void LayoutTest::menuEntries() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    FormFixture f;
    QAction *a = f.form->menuAction(name);
    QVERIFY(a);
    QCOMPARE(a->text(), caption);
}

void LayoutTest::pageCaptions() {
    FormFixture f;
    const QStringList captions = {"&1. Equation", "&Demos", "&2. Parameters", "&3. BVP Data",
                                  "&4. Solver Variables", "&5. Run", "&6. Tips/Suggestions"};
    QCOMPARE(f.form->ODE_Tabs->count(), 7);
    for (int i = 0; i < 7; ++i) QCOMPARE(f.form->ODE_Tabs->tabText(i), captions[i]);
    QCOMPARE(f.form->ODE_Tabs->currentIndex(), 0);
    QVERIFY(!f.form->ODE_Tabs->isTabEnabled(frmMain::TabDemos));
    // Separators sit where the menus put them.
    QStringList separators;
    for (const auto &e : f.form->controls().entries())
        if (auto *a = qobject_cast<QAction *>(e.object.data()); a && a->isSeparator())
            separators << e.name;
    QCOMPARE(separators, (QStringList{"mnuFileBar1", "mnuFileBar2", "mnuWebSeperater4",
                                      "mnuWebSeperater", "mnuWebLinkBar", "mnuWebLinkBar2",
                                      "mnuHelpBar1"}));
}

void LayoutTest::designTimeTexts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    const char *rows[][2] = {
        {"Equation", "y''' y' - y'' = x sin( y + x) - .5"}, {"a0InitVal", "a"},
        {"x0InitVal", "x0"}, {"YinitVals", "y y' y'' etc @ x0"}, {"nPoints", "nPoints"},
        {"Delta_x", "Delta x"}, {"Note1", "Keep notes for future runs"},
        {"Note2", "Remember, No nesting of brackets!  Arith. example, 3 4 y - 5 6 = (3*4*Y - 5) * 6"},
        {"Remax", "5"}, {"Detail", "0"}, {"StepsLim", "100"}, {"StepOut", "5"},
        {"EvalMax", "3000"}, {"Accuracy", ".0001"}, {"Zero", "1.E-6"}, {"tPause", "20"},
        {"cmdTestIt", "&Test it!"}, {"cmdClear", "C&lear Columns"}, {"optIVP", "IVP   or"},
        {"optBVP", "BVP"}, {"cmdEditSolverData", "&Edit Defaults"},
        {"cmdDefaultSolverData", "&Use Defaults"}, {"cmdSubmit", "&Submit Batch Run"},
        {"cmdPlots", "View Past &Plots"}, {"AutoExit", "Auto-exit DOSbox"},
        {"cmdRunDemo", "&Run Demo"}, {"cmdCancelDemo", "&Cancel"},
        {"lblArrowMovement1", "Use Enter or Tab key to move between columns; and Left, Right, Up & "
                              "Down Arrow keys to enter/edit X & Y data values."},
        {"lblKeepNotes", "20. \u00bb Keep notes below ..."}};
    for (auto &r : rows) QTest::newRow(r[0]) << r[0] << QString::fromUtf8(r[1]);
}

void LayoutTest::designTimeTexts() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    FormFixture f;
    QWidget *w = f.form->controls().widget(name);
    QVERIFY(w);
    if (auto *e = qobject_cast<QLineEdit *>(w)) QCOMPARE(e->text(), text);
    else if (auto *b = qobject_cast<QAbstractButton *>(w)) QCOMPARE(b->text(), text);
    else if (auto *l = qobject_cast<QLabel *>(w)) QCOMPARE(l->text(), text);
    else QFAIL("no text");
}

void LayoutTest::demoRows() {
    FormFixture f;
    const ControlRegistry &r = f.form->controls();
    auto text = [&](const char *name, int i) {
        QWidget *w = r.widget(name, i);
        if (auto *b = qobject_cast<QAbstractButton *>(w)) return b->text();
        return qobject_cast<QLabel *>(w)->text();
    };
    QCOMPARE(text("Exam", 1), QString("ExIVP.1"));
    QCOMPARE(text("Exam", 15), QString("ExProb.1"));
    QCOMPARE(text("ExTime", 12), QString("300"));
    QCOMPARE(text("Description", 1), QString("Y' * Y'' = 2                 ! with Y(0) = 1 & Y'(0) = 2"));
    QCOMPARE(text("Description", 15),
             QString("Y  Y'''/ 3 - (Y'' Y' ) X = Y' ^2      ! NonLin ODE...Sol'n: Y = 300 / (450 + X^2)"));
    QVERIFY(qobject_cast<QAbstractButton *>(r.widget("Exam", 1))->isChecked());
}

// Every page at the design size: the controls a page holds lie inside it, no two overlap
// (the cell editor lies over the grid on purpose), and every caption fits its control.
void LayoutTest::pagesDoNotOverlapOrClip() {
    FormFixture f;
    const ControlRegistry &r = f.form->controls();
    f.form->ODE_Tabs->setTabEnabled(frmMain::TabDemos, true);
    for (int page = 0; page < f.form->ODE_Tabs->count(); ++page) {
        f.form->ODE_Tabs->setCurrentIndex(page);  // a page gets its size when it is shown
        QWidget *pageWidget = f.form->ODE_Tabs->widget(page);
        QVector<const ControlEntry *> onPage;
        for (const auto &e : r.entries())
            if (e.page == page && e.name != QLatin1String("txtCellEditor")) onPage << &e;
        for (const ControlEntry *e : onPage) {
            const QString what = QString("%1(%2) on page %3").arg(e->name).arg(e->index).arg(page);
            const QRect g = e->widget()->geometry();
            QVERIFY2(pageWidget->rect().contains(g), qPrintable(what + " leaves its page"));
            if (auto *l = qobject_cast<QLabel *>(e->widget())) {
                const int need = l->wordWrap() ? l->heightForWidth(g.width())
                                               : l->sizeHint().height();
                QVERIFY2(need <= g.height(), qPrintable(what + " is clipped vertically"));
                if (!l->wordWrap())
                    QVERIFY2(l->sizeHint().width() <= g.width(),
                             qPrintable(what + " is clipped horizontally"));
            } else if (auto *b = qobject_cast<QAbstractButton *>(e->widget())) {
                const int textWidth = b->fontMetrics().horizontalAdvance(b->text().remove('&'));
                QVERIFY2(textWidth + 24 <= g.width(), qPrintable(what + " caption is clipped"));
                QVERIFY2(b->sizeHint().height() <= g.height() + 2, qPrintable(what + " too low"));
            } else if (auto *t = qobject_cast<QLineEdit *>(e->widget())) {
                QVERIFY2(t->sizeHint().height() <= g.height() + 2, qPrintable(what + " too low"));
            }
        }
        for (int i = 0; i < onPage.size(); ++i)
            for (int j = i + 1; j < onPage.size(); ++j) {
                const QRect a = onPage[i]->widget()->geometry();
                const QRect b = onPage[j]->widget()->geometry();
                QVERIFY2(!a.intersects(b),
                         qPrintable(QString("%1(%2) overlaps %3(%4) on page %5")
                                        .arg(onPage[i]->name).arg(onPage[i]->index)
                                        .arg(onPage[j]->name).arg(onPage[j]->index).arg(page)));
            }
    }
}

void LayoutTest::screenshots() {
    const QString dir = qEnvironmentVariable("QUADREL_SCREENSHOT_DIR");
    if (dir.isEmpty()) QSKIP("set QUADREL_SCREENSHOT_DIR to write the pages as PNG files");
    FormFixture f;
    QDir().mkpath(dir);
    f.form->ODE_Tabs->setTabEnabled(frmMain::TabDemos, true);
    for (int page = 0; page < f.form->ODE_Tabs->count(); ++page) {
        f.form->ODE_Tabs->setCurrentIndex(page);
        if (page == frmMain::TabBvpData) {
            f.chooseBvp();
            for (const char *v : {"1", "2", "3", "3.5", "5"}) f.enter(v);
        }
        QApplication::processEvents();
        QVERIFY(f.form->grab().save(QString("%1/page%2.png").arg(dir).arg(page)));
    }
}

QTEST_MAIN(LayoutTest)
#include "tst_layout.moc"
