// Every example solved by the solver program with the default controls, in a folder of its
// own, and its plot data measured against the closed-form solution: every plotted Y and Y'
// within 1e-8 (relative, with a small floor where the solution passes through zero), the
// fitted A within 1e-8, and each data point's fitted Y on the closed form.
#include "demos/DemoSolutions.h"
#include "demos/PlotFile.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using demos::DemoCase;

Q_DECLARE_METATYPE(const DemoCase *)

namespace {

const QString kDemoDir = QStringLiteral(QUADREL_DEMOS_DIR);
const QString kSolver = QStringLiteral(QUADREL_SOLVER);
constexpr double kTolerance = 1e-8;

QString readText(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

}  // namespace

class TestDemoRuns : public QObject {
    Q_OBJECT
private slots:
    void solvesToClosedForm_data() {
        QTest::addColumn<const DemoCase *>("demo");
        for (const DemoCase &c : demos::allDemos()) QTest::newRow(c.stem) << &c;
    }

    void solvesToClosedForm() {
        QFETCH(const DemoCase *, demo);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString name = QString::fromStdString(demo->fileName());
        QVERIFY(QFile::copy(kDemoDir + QLatin1Char('/') + name, dir.filePath(name)));

        QProcess solver;
        solver.setWorkingDirectory(dir.path());
        solver.setProcessChannelMode(QProcess::MergedChannels);
        solver.start(kSolver, {name});
        QVERIFY2(solver.waitForFinished(60000), "the solver did not finish within 60 s");
        const QString console = QString::fromLocal8Bit(solver.readAll());
        QVERIFY2(solver.exitStatus() == QProcess::NormalExit && solver.exitCode() == 0,
                 qPrintable(console.right(2000)));
        QVERIFY(!readText(dir.filePath(QStringLiteral("~Quadrel.out"))).isEmpty());

        demos::PlotFile plot;
        QVERIFY(demos::readPlotFile(dir.filePath(QStringLiteral("~4plots.plt")).toStdString(), plot));
        QCOMPARE(int(plot.rows.size()), demo->nPoints);
        std::vector<double> x, y, yp;
        for (int k = 0; k < demo->nPoints; ++k) {
            const std::vector<double> &row = plot.rows[size_t(k)];
            // X, Y, Y', ..., Y^(n)
            QCOMPARE(int(row.size()), demo->order + 2);
            QVERIFY(std::fabs(row[0] - demo->plotX(k)) <= 1e-12 * std::max(1.0, std::fabs(row[0])));
            x.push_back(row[0]);
            y.push_back(row[1]);
            yp.push_back(row[2]);
        }
        const demos::PlotErrors e = demos::plotErrors(*demo, x, y, yp);
        QVERIFY2(e.y <= kTolerance && e.yp <= kTolerance,
                 qPrintable(QStringLiteral("Y error %1, Y' error %2, worst at X = %3")
                                .arg(e.y).arg(e.yp).arg(e.worstRow >= 0 ? x[size_t(e.worstRow)] : NAN)));

        if (demo->isBvp()) {
            QCOMPARE(plot.dataRows.size(), demo->dataX.size());
            double maxY = 0;
            for (const char *dx : demo->dataX) maxY = std::max(maxY, std::fabs(demo->y(std::stod(dx))));
            for (size_t i = 0; i < plot.dataRows.size(); ++i) {
                const std::vector<double> &row = plot.dataRows[i];
                QCOMPARE(int(row.size()), 3);
                QCOMPARE(row[0], std::stod(demo->dataX[i]));
                QCOMPARE(row[1], demo->y(row[0]));
                QVERIFY2(demos::relativeError(row[2], demo->y(row[0]), maxY) <= kTolerance,
                         qPrintable(QStringLiteral("data point %1: fitted %2").arg(i + 1).arg(row[2], 0, 'g', 17)));
            }
        } else {
            QVERIFY(plot.dataRows.empty());
        }

        if (demo->usesA()) {
            const double a = fittedA(dir.filePath(QStringLiteral("~Quadrel.out")));
            QVERIFY2(std::fabs(a - demo->trueA) <= kTolerance * std::fabs(demo->trueA),
                     qPrintable(QStringLiteral("fitted A %1").arg(a, 0, 'g', 17)));
        }
    }

private:
    // The fitted A as the report states it ("Fitted A   <value>").
    static double fittedA(const QString &reportPath) {
        static const QRegularExpression re(QStringLiteral("Fitted A\\s+(\\S+)"));
        const QRegularExpressionMatch m = re.match(readText(reportPath));
        return m.hasMatch() ? m.captured(1).toDouble() : NAN;
    }
};

QTEST_GUILESS_MAIN(TestDemoRuns)
#include "tst_demo_runs.moc"
