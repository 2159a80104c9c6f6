// The real form resized headless: controls follow the inner size, the tips box, the canvas
// scroll bar, the caption and the menus after a run.
#include "FormFixture.h"
#include "resize/Twips.h"
#include "ui/CanvasView.h"

#include <QAction>
#include <QScrollBar>
#include <QtTest>

using namespace quadrel;
using quadrel::test::FormFixture;

namespace {
struct Place {
    QRect geometry;
    qreal font;
    bool scalesFont;  // the canvas keeps its font
};
// Every control the resizer scales (the scroll bars are placed by the form itself).
QMap<QString, Place> places(const frmMain &form) {
    QMap<QString, Place> m;
    for (const auto &e : form.controls().entries())
        if (e.widget() && !e.typeName.endsWith(QLatin1String("ScrollBar")))
            m.insert(e.name + QString::number(e.index), {e.widget()->geometry(), e.widget()->font().pointSizeF(),
                                                         e.typeName != QLatin1String("PictureBox")});
    return m;
}
}  // namespace

class ResizeTest : public QObject {
    Q_OBJECT
private slots:
    void controlsFollowTheInnerSize_data();
    void controlsFollowTheInnerSize();
    void backAndForthEndsWhereOneResizeEnds();
    void layoutRules();
    void canvasFollowsTheScrollBar();
    void captionAndMenus();
};

void ResizeTest::controlsFollowTheInnerSize_data() {
    QTest::addColumn<double>("kx");
    QTest::addColumn<double>("ky");
    QTest::addColumn<bool>("changes");
    QTest::newRow("width doubled") << 2.0 << 1.0 << true;
    QTest::newRow("150%") << 1.5 << 1.5 << true;
    QTest::newRow("60%") << 0.6 << 0.6 << true;
    QTest::newRow("1995 x 3000 twips") << 133 / 800.0 << 200 / 560.0 << false;
    QTest::newRow("3000 x 1485 twips") << 200 / 800.0 << 99 / 560.0 << false;
}

void ResizeTest::controlsFollowTheInnerSize() {
    QFETCH(double, kx);
    QFETCH(double, ky);
    QFETCH(bool, changes);
    FormFixture f;
    const QSize design = f.form->centralWidget()->size();
    const auto before = places(*f.form);
    QTabBar *bar = f.form->ODE_Tabs->tabBar();
    const int barHeight = bar->height();
    f.resizeInner(qRound(design.width() * kx), qRound(design.height() * ky));
    const auto after = places(*f.form);
    for (auto it = before.begin(); it != before.end(); ++it) {
        const QRect a = it->geometry, b = after[it.key()].geometry;
        const bool fixedPlace = it.key().startsWith("ODE_Tabs");
        const bool fixedSize = it.key().startsWith("RichTextBox1");
        const double x = changes && !fixedPlace ? kx : 1, y = changes && !fixedPlace ? ky : 1;
        const double w = changes && !fixedSize ? kx : 1, h = changes && !fixedSize ? ky : 1;
        const QString what = QDebug::toString(it.key()) + QDebug::toString(a) + QDebug::toString(b);
        QVERIFY2(qAbs(b.x() - a.x() * x) <= 1 && qAbs(b.y() - a.y() * y) <= 1, qPrintable(what));
        QVERIFY2(qAbs(b.width() - a.width() * w) <= 1.5 && qAbs(b.height() - a.height() * h) <= 1.5,
                 qPrintable(what));
        const double font = changes && it->scalesFont ? ky : 1;
        QVERIFY2(qAbs(after[it.key()].font - it->font * font) < 0.01, qPrintable(what));
    }
    // The tab strip's height follows the height, no tab is wider than its scaled limit.
    QVERIFY(qAbs(bar->height() - barHeight * (changes ? ky : 1)) <= 1);
    const int maxWidth = twips::toPixelsX(f.form->ODE_Tabs->property("TabMaxWidth").toDouble());
    for (int i = 0; i < bar->count(); ++i) QVERIFY(bar->tabRect(i).width() <= maxWidth);
    // A control of a hidden page is in its scaled place when its page is shown.
    f.showPage(frmMain::TabBvpData);
    QVERIFY(f.form->xyGrid->isVisible());
    QCOMPARE(f.form->xyGrid->geometry(), after["xyGrid-1"].geometry);
}

void ResizeTest::backAndForthEndsWhereOneResizeEnds() {
    FormFixture once, often;
    once.resizeInner(1000, 700);
    for (int i = 0; i < 10; ++i)
        often.resizeInner(i % 2 ? 1000 + 7 * i : 480 + 3 * i, i % 2 ? 700 - 5 * i : 400 + 11 * i);
    often.resizeInner(1000, 700);
    const auto a = places(*once.form), b = places(*often.form);
    for (auto it = a.begin(); it != a.end(); ++it) {
        const QRect g = it->geometry, h = b[it.key()].geometry;
        QVERIFY2(qAbs(g.left() - h.left()) <= 1 && qAbs(g.right() - h.right()) <= 1
                     && qAbs(g.top() - h.top()) <= 1 && qAbs(g.bottom() - h.bottom()) <= 1,
                 qPrintable(it.key()));
        QCOMPARE(it->font, b[it.key()].font);
    }
}

// The tips box and scroll bar rules at their edges.
void ResizeTest::layoutRules() {
    const canvas::TipsBoxSize at11000 = canvas::tipsBoxSize(11000, 8000);
    const canvas::TipsBoxSize at11001 = canvas::tipsBoxSize(11001, 8000);
    QCOMPARE(QList<double>({at11000.width, at11000.rightMargin, at11000.height}), QList<double>({10300, 10100, 6400}));
    QCOMPARE(QList<double>({at11001.width, at11001.height}), QList<double>({9001, 5000}));
    const canvas::ScrollBarLayout narrow = canvas::scrollBarLayout(9000, 6000, 9600, 9244);
    QVERIFY(narrow.visible);
    QCOMPARE(QList<double>({double(narrow.max), narrow.top, narrow.width}), QList<double>({544, 5870, 8900}));
    QCOMPARE(int(narrow.largeChange), 16 * narrow.smallChange);
    QVERIFY(!canvas::scrollBarLayout(9000, 6000, 12000, 9244).visible);
}

// The headless screen is 12000 twips wide: the bar stays hidden and a resize puts the canvas
// back at 0 wherever the bar had moved it.
void ResizeTest::canvasFollowsTheScrollBar() {
    FormFixture f;
    f.form->HScroll1->setRange(0, 1000);
    f.form->HScroll1->setValue(540);
    QCOMPARE(f.form->picCanvas->x(), -36);
    f.resizeInner(900, 600);
    QVERIFY(f.form->HScroll1->isHidden());
    QCOMPARE(f.form->HScroll1->value(), 0);
    QCOMPARE(f.form->picCanvas->pos(), QPoint(0, 0));
    // On the tips page a resize sizes the tips box to the window and puts the focus in it.
    f.showPage(frmMain::TabTips);
    f.resizeInner(640, 480);
    QCOMPARE(f.form->RichTextBox1->width(), qRound(f.form->frameGeometry().width() - 700 / 15.0));
    QCOMPARE(f.focused(), f.form->RichTextBox1);
}

void ResizeTest::captionAndMenus() {
    FormFixture f;
    const QString base = "Quadrel, the ordinary differential equation program";
    QCOMPARE(f.form->windowTitle(), base);
    f.state.fileName = "ExBVP.3";
    f.form->ShowFilename();
    QCOMPARE(f.form->windowTitle(), "ExBVP.3 ... " + base);
    // A view reset after a run gives back every menu.
    for (const char *m : {"mnuFile", "mnuDemos", "mnuView", "mnuWeb", "mnuHelp"}) {
        f.form->menuAction(m)->setEnabled(false);
        f.form->resetView();
        QVERIFY2(f.form->menuAction(m)->isEnabled(), m);
    }
}

QTEST_MAIN(ResizeTest)
#include "tst_resize.moc"
