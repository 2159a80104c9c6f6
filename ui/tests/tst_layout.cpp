// The form's make-up: the control registry and the layout at the design size (nothing
// overlaps, nothing is clipped). With QUADREL_SCREENSHOT_DIR set it also writes one
// PNG per page there for a person to look at.
#include "FormFixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using namespace quadrel;
using quadrel::test::FormFixture;

class LayoutTest : public QObject {
    Q_OBJECT
private slots:
    void registryLookup();
    void pagesDoNotOverlapOrClip_data();
    void pagesDoNotOverlapOrClip();
    void screenshots();
};

// Names are found in any case; an array answers with its members in index order and has
// no single control; every named control is in the registry once, in tab order.
void LayoutTest::registryLookup() {
    FormFixture f;
    const ControlRegistry &r = f.form->controls();
    QCOMPARE(r.widget("X0INITVAL"), static_cast<QWidget *>(f.form->page2->x0InitVal));
    const auto question = r.find("question");
    QCOMPARE(question.size(), 6);
    for (int i = 0; i < 6; ++i) QCOMPARE(question[i]->object->property("Index").toInt(), i + 1);
    QCOMPARE(question[1]->page, int(frmMain::TabParameters));
    QVERIFY(r.entry("Question") == nullptr);
    for (const QString &name : frmMain::forcedTabStops()) QVERIFY2(r.entry(name), qPrintable(name));
    for (int i = 0; i < r.count(); ++i) {
        QCOMPARE(r.at(i).tabIndex, i);
        QCOMPARE(r.entryOf(r.at(i).object), &r.at(i));
    }
}

// Every page at the design size: the controls a page holds lie inside it, no two overlap
// (the cell editor lies over the grid on purpose), and every caption fits its control.
void LayoutTest::pagesDoNotOverlapOrClip_data() {
    QTest::addColumn<double>("scale");  // of the design size
    QTest::newRow("design size") << 1.0;
    QTest::newRow("150%") << 1.5;
}

void LayoutTest::pagesDoNotOverlapOrClip() {
    QFETCH(double, scale);
    FormFixture f;
    f.scaleInner(scale);
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
    // QUADREL_SCREENSHOT_PERCENT: the inner size as a percentage of the design size.
    const double k = qEnvironmentVariableIntValue("QUADREL_SCREENSHOT_PERCENT") / 100.0;
    if (k > 0) f.scaleInner(k);
    if (QTest::currentTestFailed()) return;
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
