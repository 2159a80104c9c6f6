// The plot viewer: reading plot files, axis ticks, thinning curves, and its window (drawing
// offscreen, toggling curves, export, the mouse and the messages for files it cannot show).
#include "lumaplots/AxisTicks.h"
#include "lumaplots/Decimate.h"
#include "lumaplots/PlotFile.h"
#include "lumaplots/PlotView.h"
#include "lumaplots/PlotWindow.h"
#include "platform/MessageBoxes.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include "platform/tests/TestFiles.h"

#include <QtTest>

#include <algorithm>
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
        QTest::newRow("gaps and overflow")
            << QByteArray("0 1 nan\n1 inf nan\n2 3 nan\n3 -1e308 nan\n4 2 nan\n") << 1 << 0;
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

    // ---- reading plot files, axis ticks and thinning, without widgets ----

    void parse_data() {
        QTest::addColumn<QByteArray>("text"); QTest::addColumn<int>("rows");
        QTest::addColumn<int>("curves"); QTest::addColumn<int>("points");
        QTest::addColumn<QStringList>("names"); QTest::addColumn<QString>("title");

        const QStringList y3{"Y", "Y'", "Y''"};
        QTest::newRow("ivp with title, equation and columns")
            << QByteArray("# title: Damped spring\n# equation: Y'' = -Y - 0.1*Y'\n"
                          "# columns: X Y Y' Y''\n"
                          "0 1 0 -1\n0.5 0.88 -0.47 -0.83\n1 0.55 -0.81 -0.47\n")
            << 3 << 3 << 0 << y3 << "Damped spring";
        QTest::newRow("bvp with fitted values")
            << QByteArray("# title: Fit\n0 0\n1 1\n2 4\n\n# columns: X Ydata Yfit\n"
                          "0.5 0.3 0.25\n1.5 2.2 2.25\n")
            << 3 << 1 << 2 << QStringList{"Y"} << "Fit";
        QTest::newRow("data without fit, blank lines between blocks and at the end")
            << QByteArray("0 0\n1 1\n\n\n\n0.5 0.3\n\n\n") << 2 << 1 << 1 << QStringList{"Y"} << "";
        QTest::newRow("blank lines first, a comment inside a block does not split it")
            << QByteArray("\n\n0 1\n# halfway\n1 2\n") << 2 << 1 << 0 << QStringList{"Y"} << "halfway";
        QTest::newRow("crlf line ends and byte order mark")
            << QByteArray("\xEF\xBB\xBF# title: T\r\n0 1 2\r\n1 2 3\r\n") << 2 << 2 << 0
            << QStringList{"Y", "Y'"} << "T";
        QTest::newRow("tabs, blanks, signs, exponents, no final line end")
            << QByteArray("  0\t-1.5e-3   +2E+10 \n1 2 3") << 2 << 2 << 0 << QStringList{"Y", "Y'"}
            << "";
        QTest::newRow("column names that do not fit are replaced")
            << QByteArray("# columns: X Y\n0 1 2 3 4 5\n") << 1 << 5 << 0
            << QStringList{"Y", "Y'", "Y''", "Y'''", "Y^(4)"} << "";
        QTest::newRow("Windows-1252 comment")
            << QByteArray("# title: Y \xBB 0\n0 1\n") << 1 << 1 << 0 << QStringList{"Y"}
            << QString::fromUtf8("Y \xC2\xBB 0");
        QTest::newRow("solver layout with a bare column header")
            << QByteArray("# Quadrel solution of ExBVP.1.ode\n# Equation: Y'' = A*Y\n"
                          "# Block 1: the solution at the plot points\n# X Y Y'\n"
                          "0 1 0\n0.5 1.2 0.9\n\n# Block 2: the data points and the fitted solution\n"
                          "# X Y_data Y_fitted\n0.25 1.1 1.05\n")
            << 2 << 2 << 1 << QStringList{"Y", "Y'"} << "Quadrel solution of ExBVP.1.ode";
        QTest::newRow("bare header with the solver's own names")
            << QByteArray("# x u du ddu dddu\n0 1 2 3 4\n") << 1 << 4 << 0
            << QStringList{"u", "du", "ddu", "dddu"} << "";
    }
    void parse() {
        QFETCH(QByteArray, text); QFETCH(int, rows); QFETCH(int, curves); QFETCH(int, points);
        QFETCH(QStringList, names); QFETCH(QString, title);
        const PlotParseResult r = parsePlotText(text);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.data.rowCount(), rows);
        QCOMPARE(r.data.curveCount(), curves);
        for (const auto &c : r.data.curves)
            QCOMPARE(c.size(), rows);
        QCOMPARE(r.data.dataPoints.size(), points);
        QCOMPARE(r.data.isBoundaryProblem(), points > 0);
        QCOMPARE(r.data.curveNames, names);
        QCOMPARE(r.data.title, title);
    }

    void malformed_data() {
        QTest::addColumn<QByteArray>("text"); QTest::addColumn<int>("line");
        QTest::addColumn<QString>("says");
        QTest::newRow("empty file") << QByteArray() << 0 << "no rows of numbers";
        QTest::newRow("not solved, no rows")
            << QByteArray("# Quadrel solution of x.ode\n# Not solved: the step size fell below 1e-12\n")
            << 0 << "not solved: the step size fell below 1e-12";
        QTest::newRow("a word in a row") << QByteArray("0 1\n1 abc\n") << 2 << "\"abc\" is not a number";
        QTest::newRow("decimal comma") << QByteArray("0 1,5\n") << 1 << "\"1,5\" is not a number";
        QTest::newRow("binary bytes") << QByteArray("0 1\n\x01\x00\xff 2\n", 10) << 2 << "not a number";
        QTest::newRow("row shorter than those above")
            << QByteArray("0 1 2\n1 2 3\n2 3\n") << 3 << "has 2 numbers, but the rows above it have 3";
        QTest::newRow("one column only") << QByteArray("0\n1\n") << 1 << "at least two numbers";
        QTest::newRow("data point with four numbers")
            << QByteArray("0 1\n1 2\n\n0 1 2 3\n") << 4 << "two or three numbers";
        QTest::newRow("third block") << QByteArray("0 1\n\n0 1 1\n\n5 5\n") << 5 << "third block";
    }
    void malformed() {
        QFETCH(QByteArray, text); QFETCH(int, line); QFETCH(QString, says);
        const PlotParseResult r = parsePlotText(text);
        QVERIFY(!r.ok);
        QCOMPARE(r.line, line);
        QVERIFY2(r.error.contains(says), qPrintable(r.error));
        QCOMPARE(r.data.rowCount(), 0);
    }

    // Numbers keep every bit, non-finite ones included; the header comments are kept apart.
    void numbersAndCommentsAreKeptExactly() {
        const PlotParseResult r = parsePlotText(
            "# title: T\n# equation: Y' = A*Y\n# solved in 12 steps\n# Not solved: stiff\n"
            "0.10000000000000001 -1.7976931348623157e308 4.9406564584124654e-324\n"
            "1 nan inf\n2 -inf 1e-300\n\n0.5 0.30000000000000004 0.29999999999999999\n");
        QVERIFY2(r.ok, qPrintable(r.error));
        const auto &c = r.data.curves;
        QCOMPARE(r.data.x[0], 0.1);
        QCOMPARE(c[0][0], -1.7976931348623157e308);
        QVERIFY(c[1][0] > 0 && c[1][0] < 1e-323);
        QVERIFY(std::isnan(c[0][1]) && c[1][1] == INFINITY && c[0][2] == -INFINITY);
        QCOMPARE(r.data.dataPoints.size(), 1);
        QCOMPARE(r.data.dataPoints[0].y, 0.1 + 0.2);
        QVERIFY(r.data.dataPoints[0].hasFit);
        QCOMPARE(r.data.dataPoints[0].fit, 0.3);
        QCOMPARE(r.data.equation, QStringLiteral("Y' = A*Y"));
        QCOMPARE(r.data.notSolved, QStringLiteral("stiff"));
        QCOMPARE(r.data.comments, QStringList{"solved in 12 steps"});
    }

    // Ticks ascend, stay inside the range and have labels; degenerate and extreme ranges
    // (step 0 below) are first made usable. Ordinary ranges get the expected round step.
    void ticks_data() {
        QTest::addColumn<double>("lo"); QTest::addColumn<double>("hi"); QTest::addColumn<double>("step");
        QTest::addColumn<double>("first"); QTest::addColumn<int>("count");
        QTest::newRow("unit interval") << 0.0 << 1.0 << 0.2 << 0.0 << 6;
        QTest::newRow("across zero") << -3.7 << 12.1 << 2.0 << -2.0 << 8;
        QTest::newRow("margin around a plot") << -0.05 << 2.45 << 0.5 << 0.0 << 5;
        const double big = 1.7976931348623157e308;
        QTest::newRow("one value") << 5.0 << 5.0 << 0.0 << 0.0 << 0;
        QTest::newRow("reversed") << 3.0 << -3.0 << 0.0 << 0.0 << 0;
        QTest::newRow("not a number") << double(NAN) << double(NAN) << 0.0 << 0.0 << 0;
        QTest::newRow("infinite") << -double(INFINITY) << double(INFINITY) << 0.0 << 0.0 << 0;
        QTest::newRow("whole double range") << -big << big << 0.0 << 0.0 << 0;
        QTest::newRow("subnormal") << 0.0 << 4.9406564584124654e-324 << 0.0 << 0.0 << 0;
    }
    void ticks() {
        QFETCH(double, lo); QFETCH(double, hi); QFETCH(double, step); QFETCH(double, first);
        QFETCH(int, count);
        sanitizeRange(lo, hi);
        QVERIFY(std::isfinite(lo) && std::isfinite(hi) && lo < hi && std::isfinite(hi - lo));
        const AxisTicks t = axisTicks(lo, hi, 6);
        QVERIFY(t.step > 0 && std::isfinite(t.step));
        QVERIFY(t.values.size() >= 2 && t.values.size() <= 20);
        for (int i = 0; i < t.values.size(); ++i) {
            QVERIFY(i == 0 || t.values[i] > t.values[i - 1]);
            QVERIFY(t.values[i] >= lo - t.step * 1e-6 && t.values[i] <= hi + t.step * 1e-6);
            QVERIFY(!tickLabel(t.values[i], t.step).isEmpty());
        }
        if (step > 0) {
            QVERIFY(qFuzzyCompare(t.step, step));
            QCOMPARE(t.values.size(), count);
            QVERIFY(qFuzzyCompare(1 + t.values.first(), 1 + first));
        }
    }

    void labels() {
        const struct { double value, step; const char *label; } cases[] = {
            {0.30000000000000004, 0.1, "0.3"},  // no binary noise
            {-0.0, 1.0, "0"}, {1e-17, 0.2, "0"},  // no minus sign, no rounding residue at zero
            {2500.0, 500.0, "2500"}, {0.00012, 0.00002, "0.00012"}, {1000000.2, 0.2, "1000000.2"}};
        for (const auto &c : cases) QCOMPARE(tickLabel(c.value, c.step), QString(c.label));
    }

    // Thinning against brute force: in every column the kept points reach the same lowest
    // and highest value as all points there, and the line enters and leaves it at the same
    // points; non-finite points survive as breaks.
    void decimationKeepsColumnExtremes_data() {
        QTest::addColumn<int>("points"); QTest::addColumn<int>("columns");
        QTest::addColumn<bool>("sorted"); QTest::addColumn<int>("gapEvery");
        QTest::newRow("million points, 800 columns") << 1000000 << 800 << true << 0;
        QTest::newRow("with gaps") << 50000 << 300 << true << 997;
        QTest::newRow("x back and forth") << 20000 << 100 << false << 0;
    }
    void decimationKeepsColumnExtremes() {
        QFETCH(int, points); QFETCH(int, columns); QFETCH(bool, sorted); QFETCH(int, gapEvery);
        QRandomGenerator rng(points);
        QVector<double> xs(points), ys(points);
        double walk = 0;
        for (int i = 0; i < points; ++i) {
            // A noisy walk with rare tall spikes, a little beyond both ends of the grid.
            xs[i] = sorted ? -0.1 + 1.2 * i / points : rng.generateDouble() * 1.2 - 0.1;
            walk += rng.generateDouble() - 0.5;
            ys[i] = walk + (rng.bounded(5000) == 0 ? 1e3 * (rng.generateDouble() - 0.5) : 0);
            if (gapEvery > 0 && i % gapEvery == gapEvery - 1)
                ys[i] = NAN;
        }
        const ColumnGrid grid{0, 1, columns};
        const QVector<int> kept = decimateByColumn(xs, ys, grid);
        auto column = [&](int i) {
            const double t = xs[i] * columns;
            return t < 0 ? -1 : t >= columns ? columns : int(t);
        };
        // Brute force over runs of consecutive finite points in one column.
        int k = 0;
        for (int i = 0, end; i < points; i = end + 1) {
            for (end = i; end + 1 < points && std::isfinite(ys[i]) && std::isfinite(ys[end + 1]) &&
                          column(end + 1) == column(i);
                 ++end) {
            }
            QCOMPARE(kept.value(k), i);
            double lo = ys[i], hi = ys[i];
            for (; k < kept.size() && kept[k] <= end; ++k) {
                lo = std::min(lo, ys[kept[k]]);
                hi = std::max(hi, ys[kept[k]]);
            }
            QCOMPARE(kept.value(k - 1), end);
            if (std::isfinite(ys[i])) {
                QCOMPARE(lo, *std::min_element(ys.begin() + i, ys.begin() + end + 1));
                QCOMPARE(hi, *std::max_element(ys.begin() + i, ys.begin() + end + 1));
            }
        }
        QCOMPARE(k, kept.size());
        if (sorted && gapEvery == 0)
            QVERIFY(kept.size() <= 4 * (columns + 2));
    }
};

QTEST_MAIN(TstLumaplots)
#include "tst_lumaplots.moc"
