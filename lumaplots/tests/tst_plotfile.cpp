// Reading plot files, choosing axis ticks and thinning curves, without any widgets.
#include "lumaplots/AxisTicks.h"
#include "lumaplots/Decimate.h"
#include "lumaplots/PlotFile.h"

#include <QtTest>

#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

using namespace quadrel;

class TstPlotFile : public QObject {
    Q_OBJECT
private slots:
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
        QTest::newRow("own column names")
            << QByteArray("# Columns:  t   u  du\n0 1 2\n") << 1 << 2 << 0 << QStringList{"u", "du"}
            << "";
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
        QTest::newRow("comments and blanks only") << QByteArray("# title: x\n \t\n\r\n# y\n") << 0 << "no rows";
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
        QTest::newRow("unequal data rows")
            << QByteArray("0 1\n\n0 1 1\n2 2\n") << 4 << "has 2 numbers";
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
        QTest::newRow("tiny") << 0.0 << 1e-7 << 2e-8 << 0.0 << 6;
        QTest::newRow("large") << 1e9 << 5e9 << 5e8 << 1e9 << 9;
        QTest::newRow("margin around a plot") << -0.05 << 2.45 << 0.5 << 0.0 << 5;
        const double big = 1.7976931348623157e308;
        QTest::newRow("one value") << 5.0 << 5.0 << 0.0 << 0.0 << 0;
        QTest::newRow("zero width at zero") << 0.0 << 0.0 << 0.0 << 0.0 << 0;
        QTest::newRow("reversed") << 3.0 << -3.0 << 0.0 << 0.0 << 0;
        QTest::newRow("not a number") << double(NAN) << double(NAN) << 0.0 << 0.0 << 0;
        QTest::newRow("infinite") << -double(INFINITY) << double(INFINITY) << 0.0 << 0.0 << 0;
        QTest::newRow("whole double range") << -big << big << 0.0 << 0.0 << 0;
        QTest::newRow("huge offset, small width") << 1e15 << 1e15 + 1 << 0.0 << 0.0 << 0;
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

    void labels_data() {
        QTest::addColumn<double>("value"); QTest::addColumn<double>("step");
        QTest::addColumn<QString>("label");
        QTest::newRow("no binary noise") << 0.30000000000000004 << 0.1 << "0.3";
        QTest::newRow("negative zero") << -0.0 << 1.0 << "0";
        QTest::newRow("rounding residue at zero") << 1e-17 << 0.2 << "0";
        QTest::newRow("whole numbers") << 2500.0 << 500.0 << "2500";
        QTest::newRow("millions") << 1.5e7 << 5e6 << "1.5e+07";
        QTest::newRow("small step") << 0.00012 << 0.00002 << "0.00012";
        QTest::newRow("fine step on a large offset") << 1000000.2 << 0.2 << "1000000.2";
    }
    void labels() {
        QFETCH(double, value); QFETCH(double, step); QFETCH(QString, label);
        QCOMPARE(tickLabel(value, step), label);
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

QTEST_GUILESS_MAIN(TstPlotFile)
#include "tst_plotfile.moc"
