// The solver in-process: exact solutions, backwards integration, implicit equations,
// stiffness, fits, the failure paths and the two output texts.
#include "solver/Bdf.h"
#include "solver/Problem.h"
#include "solver/Report.h"
#include "solver/Solver.h"

#include <QElapsedTimer>
#include <QtTest>

#include <cmath>
#include <sstream>

using namespace quadrel::solver;
using Xs = QVector<double>;

namespace {

// Closed forms: Y and Y' at x.
struct Exact {
    double (*y)(double);
    double (*dy)(double);
};
#define EXACT(y, dy) {[](double x) { return y; }, [](double x) { return dy; }}

const Exact kExact[] = {
    /*0*/ EXACT(std::sin(2 * x) / 2, std::cos(2 * x)),
    /*1*/ EXACT(std::exp(std::sin(x)), std::cos(x) * std::exp(std::sin(x))),
    /*2*/ EXACT(x * std::asinh(x) - std::sqrt(x * x + 1), std::asinh(x)),
    /*3*/ EXACT(-2.0 / 3 * std::pow(x + 1, 1.5), -std::sqrt(x + 1)),
    /*4*/ EXACT(2.0 / 3 * std::pow(x + 1, 1.5), std::sqrt(x + 1)),
    /*5*/ EXACT(std::exp(x), std::exp(x)),
    /*6*/ EXACT(std::exp(x / 2), std::exp(x / 2) / 2),
    /*7*/ EXACT(4.0 / 3 * std::pow(x + 1, 1.5) - 1.0 / 3, 2 * std::sqrt(x + 1)),
    /*8*/ EXACT(std::cos(x), -std::sin(x)),
    /*9*/ EXACT(std::sin(2 * x) / 2 + std::cos(2 * x), std::cos(2 * x) - 2 * std::sin(2 * x)),
    /*10 ExBVP.5*/
    EXACT(x * std::sqrt(4 * x * x + 1) / 2 + std::asinh(2 * x) / 4 + 0.5, std::sqrt(4 * x * x + 1)),
    /*11*/ EXACT(2 * std::exp(0.7 * x), 1.4 * std::exp(0.7 * x)),
    /*12*/ EXACT(x * x + 1 / x, 2 * x - 1 / (x * x)),
    /*13 boundary layer of width 1/11 at x = -1 */
    EXACT(std::exp(x - 1) + std::exp(-11 * (1 + x)), std::exp(x - 1) - 11 * std::exp(-11 * (1 + x))),
    /*14 cos x reached after a transient of rate 1000 */
    EXACT((1e6 * std::cos(x) + 1e3 * std::sin(x) - 1e6 * std::exp(-1e3 * x)) / (1e6 + 1),
          (-1e6 * std::sin(x) + 1e3 * std::cos(x) + 1e9 * std::exp(-1e3 * x)) / (1e6 + 1)),
};

// Controls "REMAX,DETAIL,STEPSLIM,STEPOUT,EVALMAX,ACCURACY,ZERO"; blank fields default.
ProblemInput input(const QString &eq, const QString &a, const QString &x0, const QString &init,
                   const QString &n = "21", const QString &dx = ".1", const QString &controls = "") {
    ProblemInput in;
    in.fileName = "Test.ode";
    in.equation = eq.toStdString();
    in.aText = a.toStdString();
    in.x0Text = x0.toStdString();
    in.initialText = init.toStdString();
    in.nPointsText = n.toStdString();
    in.deltaXText = dx.toStdString();
    in.solverVarsGiven = !controls.isEmpty();
    const QStringList c = controls.split(',');
    for (int i = 0; in.solverVarsGiven && i < 7; ++i) in.solverVars[size_t(i)] = c.value(i).toStdString();
    return in;
}

// Largest error of Y and Y' over the plotted rows, relative to max(|exact|, 1).
double tableError(const Problem &p, const SolveResult &r, const Exact &e) {
    double worst = 0;
    const size_t w = size_t(p.order + 1);
    for (size_t row = 0; row < r.rowDone.size(); ++row) {
        const double x = p.x0 + double(row) * p.deltaX;
        for (size_t k = 0; k < 2; ++k) {
            const double want = k ? e.dy(x) : e.y(x);
            worst = std::max(worst, std::fabs(r.table[row * w + k] - want) / std::max(1.0, std::fabs(want)));
        }
    }
    return worst;
}

void addData(ProblemInput &in, const Exact &e, const Xs &xs) {
    for (double x : xs) in.dataPoints.emplace_back(formatNumber(x), formatNumber(e.y(x)));
}

bool has(const std::string &text, const QString &part) { return text.find(part.toStdString()) != std::string::npos; }

}  // namespace

class TstSolver : public QObject {
    Q_OBJECT
private slots:
    // Problems with closed-form solutions under the default controls: every plotted row of Y
    // and Y' matches; data points (if any) fit the initial values exactly; stiff problems
    // go to BDF and take few steps, smooth ones do not.
    void exactSolutions_data() {
        QTest::addColumn<QString>("equation");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("x0");
        QTest::addColumn<QString>("init");
        QTest::addColumn<QString>("points");
        QTest::addColumn<QString>("dx");
        QTest::addColumn<Xs>("dataX");
        QTest::addColumn<int>("exact");
        QTest::addColumn<int>("bdf");  // -1: either method
        QTest::addColumn<double>("tolerance");
        QTest::newRow("harmonic, sin 2x / 2") << "Y'' + (4 * Y) = 0" << "" << "0" << "0 1" << "41" << ".1" << Xs{} << 0 << -1 << 1e-9;
        QTest::newRow("backwards, Delta_x < 0") << "Y' = Y * COS(X)" << "" << "1" << "2.3197768247361507" << "31" << "-.1" << Xs{} << 1 << -1 << 1e-9;
        QTest::newRow("highest derivative inside SINH") << "SINH(Y') = X" << "" << "0" << "-1" << "21" << ".15" << Xs{} << 2 << -1 << 1e-9;
        QTest::newRow("implicit, guess picks the negative root") << "Y' * Y' = X + 1" << "" << "0" << "-0.66666666666666667 -1" << "21" << ".2" << Xs{} << 3 << -1 << 1e-9;
        QTest::newRow("implicit, guess picks the positive root") << "Y' * Y' = X + 1" << "" << "0" << "0.66666666666666667 1" << "21" << ".2" << Xs{} << 4 << -1 << 1e-9;
        QTest::newRow("third order") << "Y''' - Y' = 0" << "" << "0" << "1 1 1" << "21" << ".1" << Xs{} << 5 << -1 << 1e-9;
        QTest::newRow("A given in an IVP") << "Y' = A * Y" << ".5" << "0" << "1" << "21" << ".2" << Xs{} << 6 << -1 << 1e-9;
        QTest::newRow("nonlinear, Y' * Y'' = 2") << "Y' * Y'' = 2" << "" << "0" << "1 2" << "21" << ".1" << Xs{} << 7 << -1 << 1e-9;
        QTest::newRow("stiff linear, decay rate 1000") << "Y' = (COS(X) - Y) * 1000 - SIN(X)" << "" << "0" << "1" << "101" << ".05" << Xs{} << 8 << 1 << 1e-8;
        QTest::newRow("stiff after a fast transient") << "Y' = -1000 (Y - COS( X))" << "" << "0" << "0" << "21" << ".1" << Xs{} << 14 << 1 << 1e-9;
        QTest::newRow("exact fit of a linear problem") << "X X Y'' - (2 Y) = 0" << "" << "1" << "0 0" << "21" << ".1" << Xs{2, 3} << 12 << 0 << 1e-9;
        QTest::newRow("boundary layer") << "0.1 Y'' + Y' - (1.1 Y) = 0" << "" << "-1" << "0 0" << "21" << ".1" << Xs{-1, 1} << 13 << 0 << 1e-9;
    }
    void exactSolutions() {
        QFETCH(QString, equation);
        QFETCH(QString, a);
        QFETCH(QString, x0);
        QFETCH(QString, init);
        QFETCH(QString, points);
        QFETCH(QString, dx);
        QFETCH(Xs, dataX);
        QFETCH(int, exact);
        QFETCH(int, bdf);
        QFETCH(double, tolerance);
        ProblemInput in = input(equation, a, x0, init, points, dx);
        addData(in, kExact[exact], dataX);
        const Problem p = buildProblem(in);
        const SolveResult r = solve(p);
        QVERIFY2(r.ok(), r.message.c_str());
        QCOMPARE(r.rowDone.size(), size_t(points.toInt()));
        for (bool done : r.rowDone) QVERIFY(done);
        QVERIFY(r.fitIterations <= (dataX.isEmpty() ? 0 : 2));
        if (bdf >= 0) QCOMPARE(r.method == Method::Bdf, bool(bdf));
        if (bdf == 1) QVERIFY2(r.steps < 1000, qPrintable(QString("%1 steps").arg(r.steps)));
        const double err = tableError(p, r, kExact[exact]);
        QVERIFY2(err <= tolerance, qPrintable(QString("error %1").arg(err)));
    }

    // Fits that must find known unknowns; the report names what was fitted and why it stopped.
    void fits_data() {
        QTest::addColumn<QString>("equation");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("x0");
        QTest::addColumn<QString>("guesses");
        QTest::addColumn<int>("exact");
        QTest::addColumn<Xs>("dataX");
        QTest::addColumn<Xs>("expected");  // initial values, then A
        QTest::addColumn<QString>("controls");
        QTest::newRow("known A, points on both sides of x0, iteration reports")
            << "Y' * Y'' = A * X" << "3.8" << "0" << ".6 1.1" << 10 << Xs{-1, -.5, .5, 1, 1.5, 2} << Xs{.5, 1, 4}
            << "5,1,100,0,3000,.0001,1.e-6";
        QTest::newRow("linear, all points on both sides")
            << "Y'' + (4 * Y) = 0" << "" << "0" << "0 0" << 9 << Xs{-1.5, -.5, .7, 2} << Xs{1, 1} << "";
        QTest::newRow("A blank starts at 1")
            << "Y' = A * Y" << "" << "0" << "1.5" << 11 << Xs{-1, .5, 1, 2} << Xs{2, .7} << "";
        QTest::newRow("all points below x0") << "Y'' + (4 * Y) = 0" << "" << "1" << "0 0" << 0
                                             << Xs{-1, -.5, 0, .5} << Xs{std::sin(2.0) / 2, std::cos(2.0)} << "";
    }
    void fits() {
        QFETCH(QString, equation);
        QFETCH(QString, a);
        QFETCH(QString, x0);
        QFETCH(QString, guesses);
        QFETCH(int, exact);
        QFETCH(Xs, dataX);
        QFETCH(Xs, expected);
        QFETCH(QString, controls);
        ProblemInput in = input(equation, a, x0, guesses, "11", ".1", controls);
        addData(in, kExact[exact], dataX);
        const Problem p = buildProblem(in);
        QVERIFY(p.isBvp());
        QElapsedTimer timer;
        timer.start();
        const SolveResult r = solve(p);
        QVERIFY2(r.ok(), r.message.c_str());
        QVERIFY(timer.elapsed() < 2000);
        QVERIFY(r.fitIterations <= p.controls.remax);
        for (int k = 0; k < p.order; ++k)
            QVERIFY2(std::fabs(r.initial[size_t(k)] - expected[k]) <= 1e-8 * std::max(1.0, std::fabs(expected[k])),
                     qPrintable(QString("unknown %1: %2").arg(k).arg(r.initial[size_t(k)], 0, 'g', 17)));
        if (p.usesA)
            QVERIFY2(std::fabs(r.a - expected.last()) <= 1e-8 * std::fabs(expected.last()),
                     qPrintable(QString("A = %1").arg(r.a, 0, 'g', 17)));
        QVERIFY(r.sumSquares < 1e-18);
        for (size_t i = 0; i < p.dataX.size(); ++i) QVERIFY(std::fabs(r.dataFitted[i] - p.dataY[i]) < 1e-9);
        const std::string report = reportText(p, r);
        QVERIFY(has(report, "Stopped because") && has(report, "Solve time"));
        QCOMPARE(has(report, "Fitted A"), p.usesA);
        QCOMPARE(has(report, "Iteration reports"), p.controls.detail > 0);
        if (p.controls.detail > 0) QCOMPARE(r.reports.size(), size_t(r.fitIterations));
        for (const char *name : Controls::names) QVERIFY(!p.controlsFromFile || has(report, name));
    }

    void fewerPointsThanUnknownsGivesMinimumNormFit() {
        // Y = X^2 + c0 + c1 X through (1, 3): c0 + c1 = 2; from the guesses (0, 0) the
        // smallest change is (1, 1).
        ProblemInput in = input("Y'' - 2 = 0", "", "0", "0 0", "5", ".5");
        in.dataPoints = {{"1", "3"}};
        const Problem p = buildProblem(in);
        const SolveResult r = solve(p);
        QVERIFY2(r.ok(), r.message.c_str());
        QVERIFY(r.underdetermined);
        QVERIFY(std::fabs(r.initial[0] - 1) < 1e-6 && std::fabs(r.initial[1] - 1) < 1e-6);
        QVERIFY(has(reportText(p, r), "minimum-norm"));
    }

    void failures_data() {
        QTest::addColumn<QString>("equation");
        QTest::addColumn<QString>("init");
        QTest::addColumn<QString>("controls");
        QTest::addColumn<bool>("bvp");
        QTest::addColumn<int>("stop");
        QTest::addColumn<QString>("limit");
        QTest::addColumn<QString>("message");
        const int failed = int(Stop::Failed), limit = int(Stop::LimitReached);
        QTest::newRow("blow-up") << "Y' = Y * Y" << "1" << ",,1000000,0,,," << false << failed << "" << "blows up";
        QTest::newRow("blow-up within default STEPSLIM") << "Y' = Y * Y" << "1" << "" << false << failed << "" << "blows up";
        QTest::newRow("division by zero") << "Y' = 1 / X" << "1" << "" << false << failed << "" << "Division by zero";
        QTest::newRow("Newton finds no root") << "Y' * Y' + 1 = 0" << "1" << "" << false << failed << ""
                                              << "Newton's method found no Y'";
        QTest::newRow("Newton loses the root past x = 1") << "Y' * Y' = 1 - X" << "0 1" << ",,100000,0,,," << false
                                                          << failed << "" << "Newton's method found no Y' at x = 1";
        QTest::newRow("STEPSLIM") << "Y'' + (4 * Y) = 0" << "0 1" << ",,2,,,," << false << limit << "STEPSLIM"
                                  << "Raise STEPSLIM (now 2)";
        QTest::newRow("REMAX") << "Y' * Y'' = A * X" << "3 3" << "1,,,,,," << true << limit << "REMAX" << "Raise REMAX (now 1)";
        QTest::newRow("EVALMAX") << "Y' * Y'' = A * X" << "3 3" << ",,,,2,," << true << limit << "EVALMAX"
                                 << "Raise EVALMAX (now 2)";
    }
    void failures() {
        QFETCH(QString, equation);
        QFETCH(QString, init);
        QFETCH(QString, controls);
        QFETCH(bool, bvp);
        QFETCH(QString, message);
        ProblemInput in = input(equation, "1", "0", init, "21", ".1", controls);
        if (bvp) addData(in, kExact[10], {-1, -.5, .5, 1, 1.5, 2});
        const Problem p = buildProblem(in);
        QElapsedTimer timer;
        timer.start();
        const SolveResult r = solve(p);
        QVERIFY(timer.elapsed() < 5000);
        QTEST(int(r.stop), "stop");
        QTEST(QString::fromStdString(r.limitName), "limit");
        QVERIFY2(has(r.message, message), r.message.c_str());
        QVERIFY(!r.stoppedBecause.empty());
        // The report still states the failure and whatever was reached.
        QVERIFY(has(reportText(p, r), message));
        if (r.stop == Stop::LimitReached) QVERIFY(r.rowDone.at(0));
    }

    void inputErrors_data() {
        QTest::addColumn<QString>("equation");
        QTest::addColumn<QString>("init");
        QTest::addColumn<QString>("points");
        QTest::addColumn<QString>("dx");
        QTest::addColumn<QString>("controls");
        QTest::addColumn<QString>("message");
        QTest::newRow("too few initial values") << "Y'' + (4 * Y) = 0" << "0" << "11" << ".1" << ""
                                                << "needs 2 (Y, Y' at x0); got 1";
        QTest::newRow("too many initial values") << "Y' = X" << "0 1 2" << "11" << ".1" << "" << "Too many initial values";
        QTest::newRow("not a number") << "Y' = X" << "0x" << "11" << ".1" << "" << "\"0x\" is not a number";
        QTest::newRow("Delta_x zero") << "Y' = X" << "0" << "11" << "0" << "" << "Delta_x (answer 6) is 0";
        QTest::newRow("points not whole") << "Y' = X" << "0" << "2.5" << ".1" << "" << "whole number";
        QTest::newRow("equation does not parse") << "Y' = (X" << "0" << "11" << ".1" << "" << "column";
        QTest::newRow("REMAX not whole") << "Y' = X" << "0" << "11" << ".1" << "2.5,,,,,," << "REMAX \"2.5\" must be a whole number from 1";
        QTest::newRow("STEPSLIM 0") << "Y' = X" << "0" << "11" << ".1" << ",,0,,,," << "STEPSLIM \"0\" must be a whole number from 1";
        QTest::newRow("ACCURACY 0") << "Y' = X" << "0" << "11" << ".1" << ",,,,,0," << "ACCURACY must be greater than 0";
    }
    void inputErrors() {
        QFETCH(QString, equation);
        QFETCH(QString, init);
        QFETCH(QString, points);
        QFETCH(QString, dx);
        QFETCH(QString, controls);
        QFETCH(QString, message);
        try {
            buildProblem(input(equation, "", "0", init, points, dx, controls));
            QFAIL("no InputError");
        } catch (const InputError &e) {
            QVERIFY2(has(e.what(), message), e.what());
        }
    }

    void solverVariables() {
        const Problem p = buildProblem(input("Y' = X", "", "0", "0", "11", ".1", "7,,250,,,1e-6,"));
        QVERIFY(p.controlsFromFile);
        QCOMPARE(p.controls.remax, 7);
        QCOMPARE(p.controls.stepsLim, 250);
        QCOMPARE(p.controls.accuracy, 1e-6);
        // Blank answers take their defaults, and the report says so.
        QCOMPARE(p.controls.detail, 0);
        QCOMPARE(p.controls.zero, 1e-6);
        QVERIFY(p.controlDefaulted[1] && p.controlDefaulted[6] && !p.controlDefaulted[0]);
        const SolveResult r = solve(p);
        QVERIFY(r.ok());
        QVERIFY(has(reportText(p, r), "[blank: default]"));
    }

    void plotFileFormat() {
        ProblemInput in = input("Y'' + (4 * Y) = 0", "", "0", ".5 .5", "5", ".25");
        addData(in, kExact[9], {-1, 1, 2});
        const Problem p = buildProblem(in);
        const SolveResult r = solve(p);
        QVERIFY(r.ok());
        std::istringstream text(plotText(p, r));
        std::string line;
        int block = 1, rows[3] = {0, 0, 0};
        bool previousBlank = false;
        while (std::getline(text, line)) {
            if (line.empty()) {
                QVERIFY(!previousBlank);  // exactly one blank line between the blocks
                previousBlank = true;
                ++block;
                continue;
            }
            previousBlank = false;
            if (line[0] == '#') continue;
            std::istringstream cols(line);
            std::string col;
            int count = 0;
            for (; cols >> col; ++count) {
                const auto v = parseNumber(col);
                QVERIFY2(v.has_value() && col.find(',') == std::string::npos, line.c_str());
                // 17 significant digits: the text reads back to the very same double.
                QCOMPARE(formatNumber(*v), formatNumber(std::stod(col)));
            }
            QCOMPARE(count, block == 1 ? p.order + 2 : 3);
            ++rows[block];
        }
        QCOMPARE(block, 2);
        QCOMPARE(rows[1], 5);
        QCOMPARE(rows[2], 3);
        QCOMPARE(plotNumber(0.1), std::string("0.10000000000000001"));
    }

    // A right-hand side that has a value at the start only: the BDF stepper fails, and says
    // why in the solver's words, not in the integrator library's.
    void bdfFailureInOwnWords() {
        struct OnlyAtStart : OdeRhs {
            int calls = 0;
            bool operator()(double, const double *u, double *du) override {
                du[0] = -u[0];
                return ++calls <= 1;
            }
            bool jacobian(double, const double *, double *J, double *dfda) override {
                J[0] = -1;
                dfda[0] = 0;
                return true;
            }
        } f;
        Bdf bdf(f, 1, 0, false);
        bdf.setTolerances(1e-10, {1e-12});
        const double u0 = 1;
        QVERIFY(bdf.start(0, &u0, 1, 1));
        Stepper::Result r = Stepper::Result::Ok;
        for (int i = 0; i < 100 && r == Stepper::Result::Ok; ++i) r = bdf.step();
        QCOMPARE(r, Stepper::Result::Failed);
        QVERIFY2(bdf.message().rfind("BDF ", 0) == 0, bdf.message().c_str());
    }
};

QTEST_GUILESS_MAIN(TstSolver)
#include "tst_solver.moc"
