// The solver in-process: exact solutions, backwards integration, implicit equations,
// stiffness, fits, the failure paths and the two output texts.
#include "solver/Bdf.h"
#include "solver/Problem.h"
#include "solver/Report.h"
#include "solver/Solver.h"

#include <QDeadlineTimer>
#include <QtTest>

#include <cmath>
#include <optional>

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
    /*10*/ EXACT(x * std::sqrt(4 * x * x + 1) / 2 + std::asinh(2 * x) / 4 + 0.5, std::sqrt(4 * x * x + 1)),
    /*11*/ EXACT(2 * std::exp(0.7 * x), 1.4 * std::exp(0.7 * x)),
    /*12*/ EXACT(x * x + 1 / x, 2 * x - 1 / (x * x)),
    /*13 boundary layer at x = -1*/ EXACT(std::exp(x - 1) + std::exp(-11 * (1 + x)), std::exp(x - 1) - 11 * std::exp(-11 * (1 + x))),
    /*14 cos x reached after a transient of rate 1000 */
    EXACT((1e6 * std::cos(x) + 1e3 * std::sin(x) - 1e6 * std::exp(-1e3 * x)) / (1e6 + 1),
          (-1e6 * std::sin(x) + 1e3 * std::cos(x) + 1e9 * std::exp(-1e3 * x)) / (1e6 + 1)),
    /*15*/ EXACT(x * x + x + 1, 2 * x + 1),
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

// One row of each table below.
struct ExactCase {
    QString equation, a, x0, init, points, dx;
    Xs dataX;
    int exact, bdf;  // bdf -1: either method
    double tolerance;
};
struct FitCase {
    QString equation, a, x0, guesses;
    int exact;
    Xs dataX, expected;  // expected: initial values, then A
    QString controls;
};
struct FailCase {
    QString equation, init, controls;
    bool bvp;
    Stop stop;  // Solved: refused as input, before solving
    QString limit, message, points = "21", dx = ".1";
};

}  // namespace

Q_DECLARE_METATYPE(ExactCase)
Q_DECLARE_METATYPE(FitCase)
Q_DECLARE_METATYPE(FailCase)

class TstSolver : public QObject {
    Q_OBJECT
private slots:
    // Problems with closed-form solutions under the default controls: every plotted row of Y
    // and Y' matches; data points (if any) fit the initial values exactly; stiff problems
    // go to BDF and take few steps, smooth ones do not.
    void exactSolutions_data() {
        QTest::addColumn<ExactCase>("c");
        QTest::newRow("harmonic, sin 2x / 2") << ExactCase{"Y'' + (4 * Y) = 0", "", "0", "0 1", "41", ".1", {}, 0, -1, 1e-9};
        QTest::newRow("backwards, Delta_x < 0") << ExactCase{"Y' = Y * COS(X)", "", "1", "2.3197768247361507", "31", "-.1", {}, 1, -1, 1e-9};
        QTest::newRow("highest derivative inside SINH") << ExactCase{"SINH(Y') = X", "", "0", "-1", "21", ".15", {}, 2, -1, 1e-9};
        QTest::newRow("implicit, guess picks the negative root") << ExactCase{"Y' * Y' = X + 1", "", "0", "-0.66666666666666667 -1", "21", ".2", {}, 3, -1, 1e-9};
        QTest::newRow("implicit, guess picks the positive root") << ExactCase{"Y' * Y' = X + 1", "", "0", "0.66666666666666667 1", "21", ".2", {}, 4, -1, 1e-9};
        QTest::newRow("third order") << ExactCase{"Y''' - Y' = 0", "", "0", "1 1 1", "21", ".1", {}, 5, -1, 1e-9};
        QTest::newRow("A given in an IVP") << ExactCase{"Y' = A * Y", ".5", "0", "1", "21", ".2", {}, 6, -1, 1e-9};
        QTest::newRow("nonlinear, Y' * Y'' = 2") << ExactCase{"Y' * Y'' = 2", "", "0", "1 2", "21", ".1", {}, 7, -1, 1e-9};
        QTest::newRow("stiff linear, decay rate 1000") << ExactCase{"Y' = (COS(X) - Y) * 1000 - SIN(X)", "", "0", "1", "101", ".05", {}, 8, 1, 1e-8};
        QTest::newRow("stiff after a fast transient") << ExactCase{"Y' = -1000 (Y - COS( X))", "", "0", "0", "21", ".1", {}, 14, 1, 1e-9};
        QTest::newRow("exact fit of a linear problem") << ExactCase{"X X Y'' - (2 Y) = 0", "", "1", "0 0", "21", ".1", {2, 3}, 12, 0, 1e-9};
        QTest::newRow("boundary layer") << ExactCase{"0.1 Y'' + Y' - (1.1 Y) = 0", "", "-1", "0 0", "21", ".1", {-1, 1}, 13, 0, 1e-9};
    }
    void exactSolutions() {
        QFETCH(ExactCase, c);
        ProblemInput in = input(c.equation, c.a, c.x0, c.init, c.points, c.dx);
        addData(in, kExact[c.exact], c.dataX);
        const Problem p = buildProblem(in);
        const SolveResult r = solve(p);
        QVERIFY2(r.ok(), r.message.c_str());
        QCOMPARE(r.rowDone.size(), size_t(c.points.toInt()));
        for (bool done : r.rowDone) QVERIFY(done);
        QVERIFY(r.fitIterations <= (c.dataX.isEmpty() ? 0 : 2));
        if (c.bdf >= 0) QCOMPARE(r.method == Method::Bdf, bool(c.bdf));
        if (c.bdf == 1) QVERIFY2(r.steps < 1000, qPrintable(QString("%1 steps").arg(r.steps)));
        const double err = tableError(p, r, kExact[c.exact]);
        QVERIFY2(err <= c.tolerance, qPrintable(QString("error %1").arg(err)));
    }

    // Van der Pol from Y = 2, Y' = 0 to x = 20 under the default controls (its fast stretches
    // once stopped at STEPSLIM); Y and Y' at 20 from a 25-digit Taylor series integration.
    void vanDerPol() {
        const Problem p = buildProblem(input("Y'' = (1 - (Y^2)) Y' - Y", "", "0", "2 0", "21", "1"));
        const SolveResult r = solve(p);
        QVERIFY2(r.ok(), r.message.c_str());
        QVERIFY(std::fabs(r.table[60] - 2.008149762174948592) <= 1e-8 * 2);
        QVERIFY(std::fabs(r.table[61] + 0.042508875273202146986) <= 1e-8);
    }

    // Fits that must find known unknowns (with fewer points than unknowns, the smallest change
    // from the guesses); the report names what was fitted, how, and why it stopped.
    void fits_data() {
        QTest::addColumn<FitCase>("c");
        QTest::newRow("known A, points on both sides of x0, iteration reports")
            << FitCase{"Y' * Y'' = A * X", "3.8", "0", ".6 1.1", 10, {-1, -.5, .5, 1, 1.5, 2}, {.5, 1, 4}, "5,1,,,,,"};
        QTest::newRow("linear, all points on both sides") << FitCase{"Y'' + (4 * Y) = 0", "", "0", "0 0", 9, {-1.5, -.5, .7, 2}, {1, 1}, ""};
        QTest::newRow("A blank starts at 1") << FitCase{"Y' = A * Y", "", "0", "1.5", 11, {-1, .5, 1, 2}, {2, .7}, ""};
        QTest::newRow("all points below x0")
            << FitCase{"Y'' + (4 * Y) = 0", "", "1", "0 0", 0, {-1, -.5, 0, .5}, {std::sin(2.0) / 2, std::cos(2.0)}, ""};
        // Y = X^2 + c0 + c1 X through (1, 3): c0 + c1 = 2, nearest to (0, 0) at (1, 1).
        QTest::newRow("fewer points than unknowns, minimum norm") << FitCase{"Y'' - 2 = 0", "", "0", "0 0", 15, {1}, {1, 1}, ""};
    }
    void fits() {
        QFETCH(FitCase, c);
        ProblemInput in = input(c.equation, c.a, c.x0, c.guesses, "11", ".1", c.controls);
        addData(in, kExact[c.exact], c.dataX);
        const Problem p = buildProblem(in);
        QVERIFY(p.isBvp());
        const QDeadlineTimer deadline(2000);
        const SolveResult r = solve(p);
        QVERIFY2(r.ok(), r.message.c_str());
        QVERIFY(!deadline.hasExpired());
        QVERIFY(r.fitIterations <= p.controls.remax);
        for (int k = 0; k < p.order + int(p.usesA); ++k) {  // the initial values, then A
            const double got = k < p.order ? r.initial[size_t(k)] : r.a, want = c.expected.value(k, NAN);
            QVERIFY2(std::fabs(got - want) <= 1e-8 * std::max(1.0, std::fabs(want)), qPrintable(QString("unknown %1: %2").arg(k).arg(got, 0, 'g', 17)));
        }
        QVERIFY(r.sumSquares < 1e-18);
        for (size_t i = 0; i < p.dataX.size(); ++i) QVERIFY(std::fabs(r.dataFitted[i] - p.dataY[i]) < 1e-9);
        QCOMPARE(r.underdetermined, int(c.dataX.size()) < p.order + int(p.usesA));
        const std::string report = reportText(p, r);
        QVERIFY(has(report, "Stopped because") && has(report, "Solve time"));
        QCOMPARE(has(report, "Fitted A"), p.usesA);
        QCOMPARE(has(report, "minimum-norm"), r.underdetermined);
        QCOMPARE(has(report, "Iteration reports"), p.controls.detail > 0);
        if (p.controls.detail > 0) QCOMPARE(r.reports.size(), size_t(r.fitIterations));
        // Controls from the file are all listed; blank ones say they took the default.
        for (const char *name : Controls::names) QVERIFY(!p.controlsFromFile || has(report, name));
        QCOMPARE(has(report, "[blank: default]"), p.controlsFromFile);
    }

    // Every way a problem can fail, refused as input or stopped while solving: the message
    // says why, and the report still states it with whatever was reached.
    void failures_data() {
        QTest::addColumn<FailCase>("c");
        const Stop failed = Stop::Failed, limit = Stop::LimitReached, refused = Stop::Solved;
        QTest::newRow("blow-up") << FailCase{"Y' = Y * Y", "1", ",,1000000,0,,,", false, failed, "", "blows up"};
        QTest::newRow("blow-up within default STEPSLIM") << FailCase{"Y' = Y * Y", "1", "", false, failed, "", "blows up"};
        QTest::newRow("division by zero") << FailCase{"Y' = 1 / X", "1", "", false, failed, "", "Division by zero"};
        QTest::newRow("Newton finds no root") << FailCase{"Y' * Y' + 1 = 0", "1", "", false, failed, "", "Newton's method found no Y'"};
        QTest::newRow("Newton loses the root past x = 1")
            << FailCase{"Y' * Y' = 1 - X", "0 1", ",,100000,0,,,", false, failed, "", "Newton's method found no Y' at x = 1"};
        QTest::newRow("STEPSLIM") << FailCase{"Y'' + (4 * Y) = 0", "0 1", ",,2,,,,", false, limit, "STEPSLIM", "Raise STEPSLIM (now 2)"};
        QTest::newRow("REMAX") << FailCase{"Y' * Y'' = A * X", "3 3", "1,,,,,,", true, limit, "REMAX", "Raise REMAX (now 1)"};
        QTest::newRow("EVALMAX") << FailCase{"Y' * Y'' = A * X", "3 3", ",,,,2,,", true, limit, "EVALMAX", "Raise EVALMAX (now 2)"};
        QTest::newRow("too few initial values") << FailCase{"Y'' + (4 * Y) = 0", "0", "", false, refused, "", "needs 2 (Y, Y' at x0); got 1"};
        QTest::newRow("too many initial values") << FailCase{"Y' = X", "0 1 2", "", false, refused, "", "Too many initial values"};
        QTest::newRow("not a number") << FailCase{"Y' = X", "0x", "", false, refused, "", "\"0x\" is not a number"};
        QTest::newRow("Delta_x zero") << FailCase{"Y' = X", "0", "", false, refused, "", "Delta_x (answer 6) is 0", "21", "0"};
        QTest::newRow("points not whole") << FailCase{"Y' = X", "0", "", false, refused, "", "whole number", "2.5"};
        QTest::newRow("equation does not parse") << FailCase{"Y' = (X", "0", "", false, refused, "", "column"};
        QTest::newRow("REMAX not whole") << FailCase{"Y' = X", "0", "2.5,,,,,,", false, refused, "", "REMAX \"2.5\" must be a whole number from 1"};
        QTest::newRow("STEPSLIM 0") << FailCase{"Y' = X", "0", ",,0,,,,", false, refused, "", "STEPSLIM \"0\" must be a whole number from 1"};
        QTest::newRow("ACCURACY 0") << FailCase{"Y' = X", "0", ",,,,,0,", false, refused, "", "ACCURACY must be greater than 0"};
    }
    void failures() {
        QFETCH(FailCase, c);
        ProblemInput in = input(c.equation, "1", "0", c.init, c.points, c.dx, c.controls);
        if (c.bvp) addData(in, kExact[10], {-1, -.5, .5, 1, 1.5, 2});
        std::optional<Problem> p;
        try {
            p = buildProblem(in);
        } catch (const InputError &e) {
            QVERIFY2(c.stop == Stop::Solved && has(e.what(), c.message), e.what());
            return;
        }
        QVERIFY2(c.stop != Stop::Solved, "no InputError");
        const QDeadlineTimer deadline(5000);
        const SolveResult r = solve(*p);
        QVERIFY(!deadline.hasExpired());
        QCOMPARE(r.stop, c.stop);
        QCOMPARE(QString::fromStdString(r.limitName), c.limit);
        QVERIFY2(has(r.message, c.message), r.message.c_str());
        QVERIFY(!r.stoppedBecause.empty());
        QVERIFY(has(reportText(*p, r), c.message));
        if (r.stop == Stop::LimitReached) QVERIFY(r.rowDone.at(0));
    }

    // Two blocks one blank line apart, the plotted rows (X, Y, Y', ...) and the data points;
    // plain numbers in the C locale, to 17 significant digits so they read back exactly.
    void plotFileFormat() {
        ProblemInput in = input("Y'' + (4 * Y) = 0", "", "0", ".5 .5", "5", ".25");
        addData(in, kExact[9], {-1, 1, 2});
        const Problem p = buildProblem(in);
        const SolveResult r = solve(p);
        QVERIFY(r.ok());
        const QString text = QString::fromStdString(plotText(p, r));
        QCOMPARE(text.count("\n\n"), 1);
        const QStringList blocks = text.split("\n\n");
        const int width[] = {p.order + 2, 3}, rows[] = {5, 3};
        for (int b = 0; b < 2; ++b) {
            int count = 0;
            for (const QString &line : blocks[b].split('\n', Qt::SkipEmptyParts)) {
                if (line.startsWith('#')) continue;
                const QStringList cols = line.split(' ', Qt::SkipEmptyParts);
                QCOMPARE(cols.size(), width[b]);
                for (const QString &col : cols) QVERIFY2(parseNumber(col.toStdString()) && !col.contains(','), qPrintable(line));
                ++count;
            }
            QCOMPARE(count, rows[b]);
        }
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
