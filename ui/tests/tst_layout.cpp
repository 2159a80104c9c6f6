// The real form resized headless: controls follow the inner size without overlapping or
// clipping, and the tips box and the canvas scroll bar follow the window.
#include "FormFixture.h"
#include "resize/Twips.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
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

// Every page: the controls a page holds lie inside it, no two overlap (the cell editor lies
// over the grid on purpose), and every caption fits its control.
void checkPagesDoNotOverlapOrClip(frmMain &form) {
    const ControlRegistry &r = form.controls();
    form.ODE_Tabs->setTabEnabled(frmMain::TabDemos, true);
    for (int page = 0; page < form.ODE_Tabs->count(); ++page) {
        form.ODE_Tabs->setCurrentIndex(page);  // a page gets its size when it is shown
        QWidget *pageWidget = form.ODE_Tabs->widget(page);
        QVector<const ControlEntry *> onPage;
        for (const auto &e : r.entries())
            if (e.page == page && e.name != QLatin1String("txtCellEditor")) onPage << &e;
        for (const ControlEntry *e : onPage) {
            const QString what = QString("%1(%2) on page %3").arg(e->name).arg(e->index).arg(page);
            const QRect g = e->widget()->geometry();
            QVERIFY2(pageWidget->rect().contains(g), qPrintable(what + " leaves its page"));
            if (auto *l = qobject_cast<QLabel *>(e->widget())) {
                const int need = l->wordWrap() ? l->heightForWidth(g.width()) : l->sizeHint().height();
                QVERIFY2(need <= g.height(), qPrintable(what + " is clipped vertically"));
                if (!l->wordWrap())
                    QVERIFY2(l->sizeHint().width() <= g.width(), qPrintable(what + " is clipped horizontally"));
            } else if (auto *b = qobject_cast<QAbstractButton *>(e->widget())) {
                const int textWidth = b->fontMetrics().horizontalAdvance(b->text().remove('&'));
                QVERIFY2(textWidth + 24 <= g.width(), qPrintable(what + " caption is clipped"));
                QVERIFY2(b->sizeHint().height() <= g.height() + 2, qPrintable(what + " too low"));
            } else if (auto *t = qobject_cast<QLineEdit *>(e->widget())) {
                QVERIFY2(t->sizeHint().height() <= g.height() + 2, qPrintable(what + " too low"));
            }
        }
        for (int i = 0; i < onPage.size(); ++i)
            for (int j = i + 1; j < onPage.size(); ++j)
                QVERIFY2(!onPage[i]->widget()->geometry().intersects(onPage[j]->widget()->geometry()),
                         qPrintable(QString("%1(%2) overlaps %3(%4) on page %5")
                                        .arg(onPage[i]->name).arg(onPage[i]->index)
                                        .arg(onPage[j]->name).arg(onPage[j]->index).arg(page)));
    }
}
}  // namespace

class LayoutTest : public QObject {
    Q_OBJECT
private slots:
    void controlsFollowTheInnerSize_data() {
        QTest::addColumn<double>("kx");
        QTest::addColumn<double>("ky");
        QTest::addColumn<bool>("changes");
        QTest::addColumn<int>("detours");  // resizes back and forth before the last one
        QTest::newRow("design size") << 1.0 << 1.0 << true << 0;
        QTest::newRow("width doubled") << 2.0 << 1.0 << true << 0;
        QTest::newRow("150%") << 1.5 << 1.5 << true << 0;
        QTest::newRow("150% after ten detours") << 1.5 << 1.5 << true << 10;
        QTest::newRow("60%") << 0.6 << 0.6 << true << 0;
        QTest::newRow("1995 x 3000 twips") << 133 / 800.0 << 200 / 560.0 << false << 0;
        QTest::newRow("3000 x 1485 twips") << 200 / 800.0 << 99 / 560.0 << false << 0;
    }
    void controlsFollowTheInnerSize() {
        QFETCH(double, kx);
        QFETCH(double, ky);
        QFETCH(bool, changes);
        QFETCH(int, detours);
        FormFixture f;
        const QSize design = f.form->centralWidget()->size();
        const auto before = places(*f.form);
        QTabBar *bar = f.form->ODE_Tabs->tabBar();
        const int barHeight = bar->height();
        for (int i = 0; i < detours; ++i)  // no rounding may build up
            f.resizeInner(i % 2 ? 1000 + 7 * i : 480 + 3 * i, i % 2 ? 700 - 5 * i : 400 + 11 * i);
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
        if (kx == ky && kx >= 1) checkPagesDoNotOverlapOrClip(*f.form);
    }

    // The headless screen is 12000 twips wide: the bar stays hidden and a resize puts the
    // canvas back at 0 wherever the bar had moved it. On the tips page a resize sizes the tips
    // box to the window, with a wider margin above 11000 twips, and puts the focus in it.
    void canvasAndTipsBoxFollowTheWindow() {
        FormFixture f;
        f.form->HScroll1->setRange(0, 1000);
        f.form->HScroll1->setValue(540);
        QCOMPARE(f.form->picCanvas->x(), -36);
        f.resizeInner(900, 600);
        QVERIFY(f.form->HScroll1->isHidden());
        QCOMPARE(f.form->HScroll1->value(), 0);
        QCOMPARE(f.form->picCanvas->pos(), QPoint(0, 0));
        f.showPage(frmMain::TabTips);
        for (int width : {640, 800}) {
            f.resizeInner(width, 480);
            const int frame = f.form->frameGeometry().width();
            QCOMPARE(f.form->RichTextBox1->width(), qRound(frame - (frame * 15 <= 11000 ? 700 : 2000) / 15.0));
            QCOMPARE(f.focused(), f.form->RichTextBox1);
        }
    }
};

QTEST_MAIN(LayoutTest)
#include "tst_layout.moc"
