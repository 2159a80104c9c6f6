// Each shipped example, from its file to its solution: the file reads back through the
// program's reader (its data points on the closed form) and the writer gives back the same
// bytes; the closed form solves the equation as the notation reads it and the first values
// are the closed form's (IVP) or guesses within reach (BVP); and the solver program, run on
// the file with the default controls, plots the closed form.
#include "demos/DemoSolutions.h"
#include "demos/PlotFile.h"
#include "model/AppState.h"
#include "model/ResponseFile.h"
#include "notation/Equation.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <sstream>

using demos::DemoCase;

Q_DECLARE_METATYPE(const DemoCase *)

namespace {

constexpr double kTolerance = 1e-8;  // of the solver's Y, Y', fitted A and fitted data points

QByteArray fileBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestDemos : public QObject {
    Q_OBJECT
private slots:
    void demo_data() {
        QTest::addColumn<const DemoCase *>("demo");
        for (const DemoCase &c : demos::allDemos()) QTest::newRow(c.stem) << &c;
    }
    void demo() {
        QFETCH(const DemoCase *, demo);
        const QString name = QString::fromStdString(demo->fileName());
        const QString shipped = QStringLiteral(QUADREL_DEMOS_DIR "/") + name;

        // The file as the program reads it, and written back from what was read.
        quadrel::ScriptedMessageBoxes boxes;
        quadrel::FixedClock clock(QDateTime(QDate(2026, 6, 15), QTime(9, 30)));
        quadrel::AppState st;
        st.msg = &boxes;
        st.clock = &clock;
        QVERIFY(quadrel::ReadResponseFile(st, shipped));
        QVERIFY(boxes.shown().isEmpty());
        const quadrel::ProblemAnswers &a = st.answers;
        QCOMPARE(a.answers[1], QString::fromLatin1(demo->equation));
        QCOMPARE(a.nSolverVars, qint16(0));  // the default controls: no solver lines
        QCOMPARE(int(a.nDataPoints), int(demo->dataX.size()));
        for (int i = 1; i <= a.nDataPoints; ++i) {
            // 17 significant digits give back the closed form's double itself.
            const double y = a.yValues[size_t(i)].toDouble(), exact = demo->y(a.xValues[size_t(i)].toDouble());
            QVERIFY2(std::fabs(y - exact) <= 2e-16 * std::fabs(exact), qPrintable(QString::number(i)));
        }
        QTemporaryDir dir;
        st.fileTemp = name;
        quadrel::WriteAnsFile(st, name, dir.path());
        QCOMPARE(st.saveFailed, qint16(0));
        const QList<QByteArray> want = fileBytes(shipped).split('\n');
        const QList<QByteArray> got = fileBytes(dir.filePath(name)).split('\n');
        QCOMPARE(got.size(), want.size());
        for (int i = 0; i < want.size(); ++i) QCOMPARE(got[i], want[i]);  // names the line

        // At every plot and data point each derivative of the closed form is the central
        // difference of the one below it (a slip in a hand-derived formula shows here), and
        // the residual of the equation vanishes relative to its terms. Across the whole span
        // the equation can be solved for its highest derivative: that partial stays away from
        // zero and every partial stays finite and moderate.
        const notation::Equation eq = notation::Equation::parse(demo->equation);
        QCOMPARE(eq.order(), demo->order);
        QCOMPARE(eq.usesA(), demo->usesA());
        const double A = demo->usesA() ? demo->trueA : 1.0;
        std::vector<double> xs, y(size_t(demo->order) + 1), dY(y.size());
        double dX = 0, dA = 0;
        const auto residual = [&](double x) {
            for (int k = 0; k <= demo->order; ++k) y[size_t(k)] = demo->d(x, k);
            return eq.residualWithGradient(x, y.data(), A, dY.data(), &dX, &dA);
        };
        for (int k = 0; k < demo->nPoints; ++k) xs.push_back(demo->plotX(k));
        for (const char *x : demo->dataX) xs.push_back(std::stod(x));
        for (double x : xs) {
            for (int k = 0; k < demo->order; ++k) {
                const double h = 1e-5 * std::max(1.0, std::fabs(x));
                const double fd = (demo->d(x + h, k) - demo->d(x - h, k)) / (2 * h), exact = demo->d(x, k + 1);
                QVERIFY2(std::fabs(fd - exact) <= 1e-6 * std::max(1.0, std::fabs(exact)),
                         qPrintable(QStringLiteral("x=%1 k=%2: %3 vs %4").arg(x).arg(k + 1).arg(fd).arg(exact)));
            }
            const double f = residual(x);
            double scale = 1;
            for (size_t k = 0; k < y.size(); ++k) scale += std::fabs(dY[k] * y[k]);
            QVERIFY2(std::fabs(f) <= 1e-12 * scale, qPrintable(QStringLiteral("x=%1: residual %2").arg(x).arg(f)));
        }
        const double lo = *std::min_element(xs.begin(), xs.end()), hi = *std::max_element(xs.begin(), xs.end());
        for (int i = 0; i <= 2000; ++i) {
            const double x = lo + (hi - lo) * i / 2000, f = residual(x);
            bool sound = std::isfinite(f) && std::isfinite(dA) && std::fabs(dX) < 1e6 && std::fabs(dY.back()) >= 1e-2;
            for (double p : dY) sound = sound && std::fabs(p) < 1e6;
            QVERIFY2(sound, qPrintable(QStringLiteral("x=%1").arg(x)));
        }

        // An initial value problem starts on the closed form (up to the last printed digit);
        // the first guesses of a boundary problem are off the true values but within reach,
        // and a fit has more data points than unknowns.
        std::istringstream in(demo->initText);
        std::vector<double> v;
        for (double d; in >> d;) v.push_back(d);
        QCOMPARE(int(v.size()), demo->order);
        for (int k = 0; k < demo->order; ++k) {
            const double exact = demo->d(demo->x0(), k), err = std::fabs(v[size_t(k)] - exact);
            if (!demo->isBvp())
                QVERIFY2(err <= 1e-15 * std::max(std::fabs(exact), 1e-3), qPrintable(QString::number(k)));
            else
                QVERIFY(err > 1e-4 * std::max(std::fabs(exact), 1.0) && err <= 0.5 * std::max(std::fabs(exact), 1.0));
        }
        if (demo->usesA()) {
            const double guess = std::stod(demo->aText);
            QVERIFY(guess != demo->trueA && std::fabs(guess - demo->trueA) <= 0.25 * std::fabs(demo->trueA));
        }
        if (demo->isBvp()) QVERIFY(int(demo->dataX.size()) > demo->order + (demo->usesA() ? 1 : 0));

        // The solver in a folder of its own: every plotted Y and Y' within the tolerance
        // (relative, with a small floor where the solution passes through zero), each data
        // point's fitted Y on the closed form, and the fitted A.
        QTemporaryDir runDir;
        QVERIFY(QFile::copy(shipped, runDir.filePath(name)));
        QProcess solver;
        solver.setWorkingDirectory(runDir.path());
        solver.setProcessChannelMode(QProcess::MergedChannels);
        solver.start(QStringLiteral(QUADREL_SOLVER), {name});
        QVERIFY2(solver.waitForFinished(60000), "the solver did not finish within 60 s");
        QVERIFY2(solver.exitStatus() == QProcess::NormalExit && solver.exitCode() == 0,
                 qPrintable(QString::fromLocal8Bit(solver.readAll()).right(2000)));
        demos::PlotFile plot;
        QVERIFY(demos::readPlotFile(runDir.filePath(QStringLiteral("~4plots.plt")).toStdString(), plot));
        QCOMPARE(int(plot.rows.size()), demo->nPoints);
        std::vector<double> px, py, pyp;
        for (int k = 0; k < demo->nPoints; ++k) {
            const std::vector<double> &row = plot.rows[size_t(k)];  // X, Y, Y', ..., Y^(n)
            QCOMPARE(int(row.size()), demo->order + 2);
            QVERIFY(std::fabs(row[0] - demo->plotX(k)) <= 1e-12 * std::max(1.0, std::fabs(row[0])));
            px.push_back(row[0]);
            py.push_back(row[1]);
            pyp.push_back(row[2]);
        }
        const demos::PlotErrors e = demos::plotErrors(*demo, px, py, pyp);
        QVERIFY2(e.y <= kTolerance && e.yp <= kTolerance,
                 qPrintable(QStringLiteral("Y error %1, Y' error %2, worst at X = %3")
                                .arg(e.y).arg(e.yp).arg(e.worstRow >= 0 ? px[size_t(e.worstRow)] : NAN)));
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
        if (demo->usesA()) {
            static const QRegularExpression re(QStringLiteral("Fitted A\\s+(\\S+)"));
            const auto m = re.match(QString::fromLatin1(fileBytes(runDir.filePath(QStringLiteral("~Quadrel.out")))));
            QVERIFY(m.hasMatch());
            QVERIFY2(std::fabs(m.captured(1).toDouble() - demo->trueA) <= kTolerance * std::fabs(demo->trueA),
                     qPrintable(m.captured(1)));
        }
    }
};

QTEST_GUILESS_MAIN(TestDemos)
#include "tst_demos.moc"
