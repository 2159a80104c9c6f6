// The plot viewer's window: loading, drawing offscreen, toggling curves, export, the mouse,
// following a rewritten file and the messages for files it cannot show.
#include "lumaplots/PlotView.h"
#include "lumaplots/PlotWindow.h"
#include "platform/FileWatch.h"
#include "platform/MessageBoxes.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QTemporaryDir>
#include "platform/tests/TestFiles.h"

#include <QtTest>

#include <cmath>
#include <cstdio>

using namespace quadrel;

namespace {

QByteArray ivpText(int curves, int rows = 101) {
    QByteArray t = "# title: Test oscillator\n# equation: Y'' = -Y\n";
    for (int i = 0; i < rows; ++i) {
        const double x = 6.0 * i / std::max(rows - 1, 1);
        t += QByteArray::number(x, 'g', 17);
        for (int k = 0; k < curves; ++k)
            t += ' ' + QByteArray::number(std::sin(x + k * M_PI / 2) * (k + 1), 'g', 17);
        t += '\n';
    }
    return t;
}

QByteArray bvpText() {
    QByteArray t = "# title: Fit to four points\n";
    for (int i = 0; i <= 40; ++i) {
        const double x = i / 10.0;
        t += QByteArray::number(x) + ' ' + QByteArray::number(x * x, 'g', 17) + '\n';
    }
    t += "\n0.5 0.3 0.25\n1.5 2.4 2.25\n2.5 6.0 6.25\n3.5 12.0 12.25\n";
    return t;
}

// Pixels inside `area` that carry `color` (antialiased edges excluded).
int pixelsOf(const QImage &image, const QRectF &area, const QColor &color) {
    int n = 0;
    const QRect r = area.toAlignedRect().intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += std::abs(c.red() - color.red()) + std::abs(c.green() - color.green()) +
                     std::abs(c.blue() - color.blue()) < 24;
        }
    return n;
}

}  // namespace

class TstLumaplots : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString write(const QString &name, const QByteArray &content) {
        return testing::writeTestFile(dir_, name, content);
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void rendersEveryCurve_data() {
        QTest::addColumn<QByteArray>("content"); QTest::addColumn<int>("curves");
        QTest::addColumn<int>("markers");
        QTest::newRow("ivp with five derivatives") << ivpText(6) << 6 << 0;
        QTest::newRow("bvp with data points") << bvpText() << 1 << 4;
        QTest::newRow("one plot point") << QByteArray("1 2 3\n") << 2 << 0;
        QTest::newRow("constant curve") << QByteArray("0 5\n1 5\n2 5\n") << 1 << 0;
        QTest::newRow("gaps and overflow")
            << QByteArray("0 1 nan\n1 inf nan\n2 3 nan\n3 -1e308 nan\n4 2 nan\n") << 1 << 0;
        QTest::newRow("huge and tiny together")
            << QByteArray("0 1e300 1e-300\n1 -1e300 -1e-300\n2 1e300 0\n") << 2 << 0;
    }
    void rendersEveryCurve() {
        QFETCH(QByteArray, content); QFETCH(int, curves); QFETCH(int, markers);
        ScriptedMessageBoxes boxes; PlotWindow w(boxes);
        QVERIFY(w.openFile(write(QStringLiteral("~4plots.plt"), content)));
        QVERIFY(boxes.shown().isEmpty());
        PlotStats stats;
        const QImage image = w.view()->renderImage(QSize(800, 600), &stats);
        QCOMPARE(stats.curvesDrawn, curves);
        QCOMPARE(stats.dataMarkers, markers);
        QVERIFY(stats.plotArea.width() > 300 && stats.plotArea.height() > 300);
        QVERIFY(!stats.legendArea.intersects(stats.plotArea));
        QVERIFY(image.rect().contains(stats.legendArea.toAlignedRect()));
        for (int k = 0; k < w.data().curveCount(); ++k)
            QVERIFY(w.curveCheck(k) && w.curveCheck(k)->isChecked());
        QCOMPARE(w.pointsCheck() != nullptr, markers > 0);
    }

    // A curve far denser than the pixels still shows a peak made by a single point.
    void aDenseCurveKeepsItsPeak() {
        QByteArray text;
        for (int i = 0; i < 200000; ++i)
            text += QByteArray::number(i) + (i == 123457 ? " 1\n" : " 0\n");
        ScriptedMessageBoxes boxes; PlotWindow w(boxes);
        QVERIFY(w.openFile(write(QStringLiteral("dense.plt"), text)));
        PlotStats stats;
        const QImage image = w.view()->renderImage(QSize(800, 600), &stats);
        const QRectF a = stats.plotArea;
        const PlotRange &r = w.view()->range();
        const double peakY = a.bottom() - (1 - r.yMin) / (r.yMax - r.yMin) * a.height();
        QVERIFY(pixelsOf(image, QRectF(a.left(), peakY + 2, a.width(), 3), curveColor(0)) >= 1);
        QVERIFY(pixelsOf(image, QRectF(a.left(), a.top(), a.width(), peakY - a.top() - 3), curveColor(0)) == 0);
    }

    // Each visible curve leaves its own colour in the plot area, a hidden one none.
    void checkBoxesHideWhatTheyName() {
        ScriptedMessageBoxes boxes; PlotWindow w(boxes);
        QVERIFY(w.openFile(write(QStringLiteral("three.plt"), ivpText(3))));
        PlotStats stats;
        QImage image = w.view()->renderImage(QSize(800, 600), &stats);
        for (int k = 0; k < 3; ++k)
            QVERIFY2(pixelsOf(image, stats.plotArea, curveColor(k)) > 100, qPrintable(QString::number(k)));
        QCOMPARE(pixelsOf(image, stats.plotArea, curveColor(3)), 0);

        // Y'' has the largest amplitude; hiding it refits the y range to the others.
        const double fullHeight = w.view()->range().yMax - w.view()->range().yMin;
        w.curveCheck(2)->click();
        image = w.view()->renderImage(QSize(800, 600), &stats);
        QCOMPARE(stats.curvesDrawn, 2);
        QCOMPARE(pixelsOf(image, stats.plotArea, curveColor(2)), 0);
        QVERIFY(pixelsOf(image, stats.plotArea, curveColor(1)) > 100);
        QVERIFY(w.view()->range().yMax - w.view()->range().yMin < fullHeight * 0.8);

        // Data points and fitted values have a box of their own.
        QVERIFY(w.openFile(write(QStringLiteral("bvp.plt"), bvpText())));
        image = w.view()->renderImage(QSize(800, 600), &stats);
        QCOMPARE(stats.fitMarkers, 4);
        QVERIFY(pixelsOf(image, stats.plotArea, fitColor()) > 20);
        w.pointsCheck()->click();
        image = w.view()->renderImage(QSize(800, 600), &stats);
        QCOMPARE(stats.dataMarkers + stats.fitMarkers, 0);
        QCOMPARE(pixelsOf(image, stats.plotArea, fitColor()), 0);
        QCOMPARE(stats.curvesDrawn, 1);
    }

    void unusableFilesAreReported_data() {
        QTest::addColumn<QString>("name"); QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("says");
        QTest::newRow("missing") << "absent.plt" << QByteArray() << "does not exist";
        QTest::newRow("folder") << "." << QByteArray() << "folder";
        QTest::newRow("unequal rows") << "u.plt" << QByteArray("0 1 2\n1 2\n") << "Line 2: this row has 2";
    }
    void unusableFilesAreReported() {
        QFETCH(QString, name); QFETCH(QByteArray, content); QFETCH(QString, says);
        const QString path = content.isEmpty() ? dir_.filePath(name) : write(name, content);
        ScriptedMessageBoxes boxes; PlotWindow w(boxes);
        QVERIFY(w.openFile(write(QStringLiteral("good.plt"), ivpText(2))));
        QVERIFY(!w.openFile(path));
        QVERIFY(!w.hasPlot());
        QCOMPARE(boxes.shown().size(), 1);
        const MessageRequest &m = boxes.shown().first();
        QCOMPARE(m.title, QStringLiteral("Lumaplots"));
        QVERIFY2(m.text.contains(says), qPrintable(m.text));
        QVERIFY2(m.text.contains(QFileInfo(path).absoluteFilePath()), qPrintable(m.text));
        PlotStats stats;
        w.view()->renderImage(QSize(400, 300), &stats);
        QCOMPARE(stats.curvesDrawn, 0);
        QVERIFY(!w.curveCheck(0));
        // Copy and Save have nothing to work on and say so instead of failing silently.
        w.copyToClipboard();
        QCOMPARE(boxes.shown().size(), 2);
    }

    void exportsAndCopies_data() {
        QTest::addColumn<QString>("name"); QTest::addColumn<QByteArray>("starts");
        QTest::newRow("png") << "plot with blanks.png" << QByteArray("\x89PNG");
        QTest::newRow("svg") << "plot.SVG" << QByteArray("<?xml");
        QTest::newRow("pdf") << "plot.pdf" << QByteArray("%PDF");
        QTest::newRow("unknown kind") << "plot.gif" << QByteArray();
        QTest::newRow("missing folder") << "no such folder/p.png" << QByteArray();
    }
    void exportsAndCopies() {
        QFETCH(QString, name); QFETCH(QByteArray, starts);
        ScriptedMessageBoxes boxes; PlotWindow w(boxes);
        QVERIFY(w.openFile(write(QStringLiteral("my runs; $(x) & 'q'.plt"), bvpText())));
        const QString path = dir_.filePath(name);
        QCOMPARE(w.exportPlot(path), !starts.isEmpty());
        QCOMPARE(boxes.shown().size(), starts.isEmpty() ? 1 : 0);
        QFile file(path);
        QCOMPARE(file.open(QIODevice::ReadOnly), !starts.isEmpty());
        const QByteArray bytes = file.isOpen() ? file.readAll() : QByteArray();
        QVERIFY(bytes.startsWith(starts));
        if (name.endsWith(QLatin1String("png")) && !starts.isEmpty()) {
            const QImage saved = QImage::fromData(bytes);
            QVERIFY(saved.width() >= 800 && saved.height() >= 560);
            w.copyToClipboard();
            QCOMPARE(QGuiApplication::clipboard()->image().size(), saved.size());
        }
        if (name.endsWith(QLatin1String("SVG")))  // curve, markers and texts are vectors and text
            QVERIFY(bytes.contains("Fit to four points") && bytes.contains("<polyline"));
    }

    // What a reader does with the mouse: the readout follows the cursor, a box drawn with
    // the right button becomes the view, a drag moves it, the wheel zooms about the cursor.
    void mouseAndKeysZoomPanAndReadout() {
        ScriptedMessageBoxes boxes; PlotWindow w(boxes);
        QVERIFY(w.openFile(write(QStringLiteral("m.plt"), ivpText(1))));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        PlotView *v = w.view();
        QTRY_VERIFY(v->lastStats().plotArea.width() > 100);
        const QRectF a = v->lastStats().plotArea;
        auto at = [&](double fx, double fy) {
            return QPointF(a.left() + fx * a.width(), a.top() + fy * a.height()).toPoint();
        };
        const PlotRange r0 = v->range();
        const double w0 = r0.xMax - r0.xMin, h0 = r0.yMax - r0.yMin;

        QTest::mouseMove(v, at(0.5, 0.5));
        auto *readout = w.findChild<QLabel *>(QStringLiteral("cursorReadout"));
        QVERIFY(readout);
        const QStringList parts = readout->text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QCOMPARE(parts.size(), 6);  // X = x   Y = y
        QVERIFY(std::abs(parts[2].toDouble() - (r0.xMin + r0.xMax) / 2) < w0 / 100);
        QVERIFY(std::abs(parts[5].toDouble() - (r0.yMin + r0.yMax) / 2) < h0 / 100);

        QTest::mousePress(v, Qt::RightButton, {}, at(0.25, 0.25));
        QTest::mouseMove(v, at(0.75, 0.5));
        QTest::mouseRelease(v, Qt::RightButton, {}, at(0.75, 0.5));
        const PlotRange r1 = v->range();
        QVERIFY(std::abs(r1.xMin - (r0.xMin + 0.25 * w0)) < w0 / 100);
        QVERIFY(std::abs(r1.xMax - (r0.xMin + 0.75 * w0)) < w0 / 100);
        QVERIFY(std::abs(r1.yMax - (r0.yMax - 0.25 * h0)) < h0 / 100);
        QVERIFY(std::abs(r1.yMin - (r0.yMax - 0.5 * h0)) < h0 / 100);

        QTest::mousePress(v, Qt::LeftButton, {}, at(0.5, 0.5));
        QTest::mouseMove(v, at(0.25, 0.5));
        QTest::mouseRelease(v, Qt::LeftButton, {}, at(0.25, 0.5));
        const double w1 = r1.xMax - r1.xMin;
        QVERIFY(std::abs(v->range().xMin - (r1.xMin + 0.25 * w1)) < w1 / 100);

        const PlotRange r2 = v->range();
        const QPoint cursor = at(0.2, 0.5);
        const double f = (cursor.x() - a.left()) / a.width();
        QWheelEvent wheel(cursor, v->mapToGlobal(cursor), {}, QPoint(0, 120), Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(v, &wheel);
        const PlotRange r3 = v->range();
        QVERIFY(r3.xMax - r3.xMin < (r2.xMax - r2.xMin) * 0.9);
        // The point under the cursor stays put.
        QVERIFY(std::abs(r3.xMin + f * (r3.xMax - r3.xMin) - (r2.xMin + f * (r2.xMax - r2.xMin))) < w0 * 1e-9);
        QTest::mouseDClick(v, Qt::LeftButton, {}, at(0.5, 0.5));
        QVERIFY(v->isFitted());
        QCOMPARE(v->range().xMin, r0.xMin);

        // The keys zoom and move too; a hidden curve does not refit a zoomed view, Home does.
        QTest::keyClick(v, Qt::Key_Plus);
        QVERIFY(!v->isFitted());
        QVERIFY(v->range().xMax - v->range().xMin < w0 * 0.9);
        QTest::keyClick(v, Qt::Key_Right);
        QVERIFY(v->range().xMin > r0.xMin);
        const PlotRange zoomed = v->range();
        w.curveCheck(0)->click();
        QCOMPARE(v->range().xMin, zoomed.xMin);
        w.curveCheck(0)->click();
        QTest::keyClick(v, Qt::Key_Home);
        QVERIFY(v->isFitted());
        QCOMPARE(v->range().yMax, r0.yMax);
    }

};

QTEST_MAIN(TstLumaplots)
#include "tst_lumaplots.moc"
