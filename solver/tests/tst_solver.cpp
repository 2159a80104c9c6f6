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

namespace {

// Closed forms: Y and Y' at x.
struct Exact {
    double (*y)(double);
    double (*dy)(double);
};

const Exact kExact[] = {
    /*0 sin 2x / 2      */ {[](double x) { return std::sin(2 * x) / 2; },
                            [](double x) { return std::cos(2 * x); }},
    /*1 exp(sin x)      */ {[](double x) { return std::exp(std::sin(x)); },
                            [](double x) { return std::cos(x) * std::exp(std::sin(x)); }},
    /*2 x asinh x - sqrt(x^2+1) */
    {[](double x) { return x * std::asinh(x) - std::sqrt(x * x + 1); },
     [](double x) { return std::asinh(x); }},
    /*3 -(2/3)(x+1)^1.5 */ {[](double x) { return -2.0 / 3 * std::pow(x + 1, 1.5); },
                            [](double x) { return -std::sqrt(x + 1); }},
    /*4 +(2/3)(x+1)^1.5 */ {[](double x) { return 2.0 / 3 * std::pow(x + 1, 1.5); },
                            [](double x) { return std::sqrt(x + 1); }},
    /*5 exp(x)          */ {[](double x) { return std::exp(x); },
                            [](double x) { return std::exp(x); }},
    /*6 exp(x/2)        */ {[](double x) { return std::exp(x / 2); },
                            [](double x) { return std::exp(x / 2) / 2; }},
    /*7 (4/3)(x+1)^1.5 - 1/3 */
    {[](double x) { return 4.0 / 3 * std::pow(x + 1, 1.5) - 1.0 / 3; },
     [](double x) { return 2 * std::sqrt(x + 1); }},
    /*8 cos x           */ {[](double x) { return std::cos(x); },
                            [](double x) { return -std::sin(x); }},
    /*9 sin 2x / 2 + cos 2x */
    {[](double x) { return std::sin(2 * x) / 2 + std::cos(2 * x); },
     [](double x) { return std::cos(2 * x) - 2 * std::sin(2 * x); }},
    /*10 ExBVP.5: x sqrt(4x^2+1)/2 + asinh(2x)/4 + 1/2 */
    {[](double x) { return x * std::sqrt(4 * x * x + 1) / 2 + std::asinh(2 * x) / 4 + 0.5; },
     [](double x) { return std::sqrt(4 * x * x + 1); }},
    /*11 2 exp(0.7 x)   */ {[](double x) { return 2 * std::exp(0.7 * x); },
                            [](double x) { return 1.4 * std::exp(0.7 * x); }},
    /*12 x^2 + 1/x      */ {[](double x) { return x * x + 1 / x; },
                            [](double x) { return 2 * x - 1 / (x * x); }},
    /*13 boundary layer of width 1/11 at x = -1 */
    {[](double x) { return std::exp(x - 1) + std::exp(-11 * (1 + x)); },
     [](double x) { return std::exp(x - 1) - 11 * std::exp(-11 * (1 + x)); }},
    /*14 cos x reached after a transient of rate 1000 */
    {[](double x) { return (1e6 * std::cos(x) + 1e3 * std::sin(x) - 1e6 * std::exp(-1e3 * x)) / (1e6 + 1); },
     [](double x) { return (-1e6 * std::sin(x) + 1e3 * std::cos(x) + 1e9 * std::exp(-1e3 * x)) / (1e6 + 1); }},
};

ProblemInput input(const std::string &eq, const std::string &a, const std::string &x0,
                   const std::string &init, const std::string &n, const std::string &dx) {
    ProblemInput in;
    in.fileName = "Test.ode";
    in.equation = eq;
    in.aText = a;
    in.x0Text = x0;
    in.initialText = init;
    in.nPointsText = n;
    in.deltaXText = dx;
    return in;
}

// Controls "REMAX,DETAIL,STEPSLIM,STEPOUT,EVALMAX,ACCURACY,ZERO"; blank fields default.
void setControls(ProblemInput &in, const std::string &csv) {
    if (csv.empty()) return;
    in.solverVarsGiven = true;
    std::stringstream ss(csv);
    std::string item;
    for (size_t i = 0; i < 7 && std::getline(ss, item, ','); ++i) in.solverVars[i] = item;
}

// Largest error of Y and Y' over the plotted rows, relative to max(|exact|, 1).
double tableError(const Problem &p, const SolveResult &r, const Exact &e) {
    double worst = 0;
    const size_t w = size_t(p.order + 1);
    for (size_t row = 0; row < r.rowDone.size(); ++row) {
        const double x = p.x0 + double(row) * p.deltaX;
        const double y = r.table[row * w], dy = r.table[row * w + 1];
        worst = std::max(worst, std::fabs(y - e.y(x)) / std::max(1.0, std::fabs(e.y(x))));
        worst = std::max(worst, std::fabs(dy - e.dy(x)) / std::max(1.0, std::fabs(e.dy(x))));
    }
    return worst;
}

void addData(ProblemInput &in, const Exact &e, std::initializer_list<double> xs) {
    for (double x : xs) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.17g", e.y(x));
        in.dataPoints.emplace_back(formatNumber(x), buf);
    }
}

}  // namespace

class TstSolver : public QObject {
    Q_OBJECT
private slots:
    void exactInitialValueProblems_data();
    void exactInitialValueProblems();
    void stiffLinearProblemTakesFewSteps();
    void defaultControlsServe_data();
    void defaultControlsServe();
    void fits_data();
    void fits();
    void fewerPointsThanUnknownsGivesMinimumNormFit();
    void failures_data();
    void failures();
    void solverVariables();
    void inputErrors_data();
    void inputErrors();
    void plotFileFormat();
    void reportNamesControlsAndStopReason();
    void bdfFailureInOwnWords();
};

void TstSolver::exactInitialValueProblems_data() {
    QTest::addColumn<QString>("equation");
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("x0");
    QTest::addColumn<QString>("init");
    QTest::addColumn<int>("points");
    QTest::addColumn<QString>("dx");
    QTest::addColumn<int>("exact");

    QTest::newRow("harmonic, sin 2x / 2") << "Y'' + (4 * Y) = 0" << "" << "0" << "0 1" << 41 << ".1" << 0;
    QTest::newRow("backwards, Delta_x < 0") << "Y' = Y * COS(X)" << "" << "1" << "2.3197768247361507"
                                            << 31 << "-.1" << 1;
    QTest::newRow("highest derivative inside SINH") << "SINH(Y') = X" << "" << "0" << "-1" << 21 << ".15" << 2;
    QTest::newRow("implicit, guess picks the negative root") << "Y' * Y' = X + 1" << "" << "0"
                                                              << "-0.66666666666666667 -1" << 21 << ".2" << 3;
    QTest::newRow("implicit, guess picks the positive root") << "Y' * Y' = X + 1" << "" << "0"
                                                              << "0.66666666666666667 1" << 21 << ".2" << 4;
    QTest::newRow("third order") << "Y''' - Y' = 0" << "" << "0" << "1 1 1" << 21 << ".1" << 5;
    QTest::newRow("A given in an IVP") << "Y' = A * Y" << ".5" << "0" << "1" << 21 << ".2" << 6;
    QTest::newRow("nonlinear, Y' * Y'' = 2") << "Y' * Y'' = 2" << "" << "0" << "1 2" << 21 << ".1" << 7;
}

void TstSolver::exactInitialValueProblems() {
    QFETCH(QString, equation);
    QFETCH(QString, a);
    QFETCH(QString, x0);
    QFETCH(QString, init);
    QFETCH(int, points);
    QFETCH(QString, dx);
    QFETCH(int, exact);
    const Problem p = buildProblem(input(equation.toStdString(), a.toStdString(),
                                         x0.toStdString(), init.toStdString(),
                                         std::to_string(points), dx.toStdString()));
    const SolveResult r = solve(p);
    QVERIFY2(r.ok(), r.message.c_str());
    QCOMPARE(r.rowDone.size(), size_t(points));
    for (bool done : r.rowDone) QVERIFY(done);
    const double err = tableError(p, r, kExact[exact]);
    QVERIFY2(err <= 1e-9, qPrintable(QString("error %1").arg(err)));
}

void TstSolver::stiffLinearProblemTakesFewSteps() {
    // Decay rate 1000 around the smooth solution cos x.
    const Problem p = buildProblem(
        input("Y' = (COS(X) - Y) * 1000 - SIN(X)", "", "0", "1", "101", ".05"));
    const SolveResult r = solve(p);
    QVERIFY2(r.ok(), r.message.c_str());
    QCOMPARE(r.method, Method::Bdf);
    QVERIFY2(r.steps < 1000, qPrintable(QString("%1 steps").arg(r.steps)));
    QVERIFY(tableError(p, r, kExact[8]) <= 1e-8);
}

void TstSolver::defaultControlsServe_data() {
    QTest::addColumn<QString>("equation");
    QTest::addColumn<QString>("x0");
    QTest::addColumn<QString>("init");
    QTest::addColumn<QVector<double>>("dataX");
    QTest::addColumn<int>("exact");
    QTest::addColumn<int>("maxIterations");
    QTest::addColumn<bool>("stiff");
    QTest::newRow("exact fit of a linear problem") << "X X Y'' - (2 Y) = 0" << "1" << "0 0"
                                                   << QVector<double>{2, 3} << 12 << 2 << false;
    QTest::newRow("boundary layer") << "0.1 Y'' + Y' - (1.1 Y) = 0" << "-1" << "0 0"
                                    << QVector<double>{-1, 1} << 13 << 2 << false;
    QTest::newRow("stiff after a fast transient") << "Y' = -1000 (Y - COS( X))" << "0" << "0"
                                                  << QVector<double>{} << 14 << 0 << true;
}

void TstSolver::defaultControlsServe() {
    QFETCH(QString, equation);
    QFETCH(QString, x0);
    QFETCH(QString, init);
    QFETCH(QVector<double>, dataX);
    QFETCH(int, exact);
    QFETCH(int, maxIterations);
    QFETCH(bool, stiff);
    ProblemInput in = input(equation.toStdString(), "", x0.toStdString(), init.toStdString(),
                            "21", ".1");
    for (double x : dataX) addData(in, kExact[exact], {x});
    const Problem p = buildProblem(in);
    const SolveResult r = solve(p);
    QVERIFY2(r.ok(), r.message.c_str());
    QVERIFY(r.fitIterations <= maxIterations);
    QCOMPARE(r.method == Method::Bdf, stiff);
    const double err = tableError(p, r, kExact[exact]);
    QVERIFY2(err <= 1e-9, qPrintable(QString("error %1").arg(err)));
}

void TstSolver::fits_data() {
    QTest::addColumn<QString>("equation");
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("x0");
    QTest::addColumn<QString>("guesses");
    QTest::addColumn<int>("exact");
    QTest::addColumn<QVector<double>>("dataX");
    QTest::addColumn<QVector<double>>("expected");  // initial values, then A

    QTest::newRow("known A, points on both sides of x0")
        << "Y' * Y'' = A * X" << "3.8" << "0" << ".6 1.1" << 10
        << QVector<double>{-1, -.5, .5, 1, 1.5, 2} << QVector<double>{.5, 1, 4};
    QTest::newRow("linear, all points on both sides")
        << "Y'' + (4 * Y) = 0" << "" << "0" << "0 0" << 9
        << QVector<double>{-1.5, -.5, .7, 2} << QVector<double>{1, 1};
    QTest::newRow("A blank starts at 1")
        << "Y' = A * Y" << "" << "0" << "1.5" << 11
        << QVector<double>{-1, .5, 1, 2} << QVector<double>{2, .7};
    QTest::newRow("all points below x0")
        << "Y'' + (4 * Y) = 0" << "" << "1" << "0 0" << 0
        << QVector<double>{-1, -.5, 0, .5} << QVector<double>{std::sin(2.0) / 2, std::cos(2.0)};
}

void TstSolver::fits() {
    QFETCH(QString, equation);
    QFETCH(QString, a);
    QFETCH(QString, x0);
    QFETCH(QString, guesses);
    QFETCH(int, exact);
    QFETCH(QVector<double>, dataX);
    QFETCH(QVector<double>, expected);
    ProblemInput in = input(equation.toStdString(), a.toStdString(), x0.toStdString(),
                            guesses.toStdString(), "11", ".1");
    for (double x : dataX) addData(in, kExact[exact], {x});
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
    for (size_t i = 0; i < p.dataX.size(); ++i)
        QVERIFY(std::fabs(r.dataFitted[i] - p.dataY[i]) < 1e-9);
}

void TstSolver::fewerPointsThanUnknownsGivesMinimumNormFit() {
    // Y = X^2 + c0 + c1 X through (1, 3): c0 + c1 = 2; from the guesses (0, 0) the
    // smallest change is (1, 1).
    ProblemInput in = input("Y'' - 2 = 0", "", "0", "0 0", "5", ".5");
    in.dataPoints = {{"1", "3"}};
    const Problem p = buildProblem(in);
    const SolveResult r = solve(p);
    QVERIFY2(r.ok(), r.message.c_str());
    QVERIFY(r.underdetermined);
    QVERIFY(std::fabs(r.initial[0] - 1) < 1e-6);
    QVERIFY(std::fabs(r.initial[1] - 1) < 1e-6);
    QVERIFY(reportText(p, r).find("minimum-norm") != std::string::npos);
}

void TstSolver::failures_data() {
    QTest::addColumn<QString>("equation");
    QTest::addColumn<QString>("init");
    QTest::addColumn<QString>("x0");
    QTest::addColumn<QString>("controls");
    QTest::addColumn<bool>("bvp");
    QTest::addColumn<int>("stop");           // Stop
    QTest::addColumn<QString>("limit");
    QTest::addColumn<QString>("message");

    QTest::newRow("blow-up") << "Y' = Y * Y" << "1" << "0" << ",,1000000,0,,," << false
                             << int(Stop::Failed) << "" << "blows up";
    QTest::newRow("blow-up within default STEPSLIM") << "Y' = Y * Y" << "1" << "0" << "" << false
                                                     << int(Stop::Failed) << "" << "blows up";
    QTest::newRow("division by zero") << "Y' = 1 / X" << "1" << "0" << "" << false
                                      << int(Stop::Failed) << "" << "Division by zero";
    QTest::newRow("Newton finds no root") << "Y' * Y' + 1 = 0" << "1" << "0" << "" << false
                                          << int(Stop::Failed) << "" << "Newton's method found no Y'";
    QTest::newRow("Newton loses the root past x = 1") << "Y' * Y' = 1 - X" << "0 1" << "0"
                                                      << ",,100000,0,,," << false << int(Stop::Failed)
                                                      << "" << "Newton's method found no Y' at x = 1";
    QTest::newRow("STEPSLIM") << "Y'' + (4 * Y) = 0" << "0 1" << "0" << ",,2,,,," << false
                              << int(Stop::LimitReached) << "STEPSLIM" << "Raise STEPSLIM (now 2)";
    QTest::newRow("REMAX") << "Y' * Y'' = A * X" << "3 3" << "0" << "1,,,,,," << true
                           << int(Stop::LimitReached) << "REMAX" << "Raise REMAX (now 1)";
    QTest::newRow("EVALMAX") << "Y' * Y'' = A * X" << "3 3" << "0" << ",,,,2,," << true
                             << int(Stop::LimitReached) << "EVALMAX" << "Raise EVALMAX (now 2)";
}

void TstSolver::failures() {
    QFETCH(QString, equation);
    QFETCH(QString, init);
    QFETCH(QString, x0);
    QFETCH(QString, controls);
    QFETCH(bool, bvp);
    QFETCH(int, stop);
    QFETCH(QString, limit);
    QFETCH(QString, message);
    ProblemInput in = input(equation.toStdString(), "1", x0.toStdString(), init.toStdString(),
                            "21", ".1");
    setControls(in, controls.toStdString());
    if (bvp) addData(in, kExact[10], {-1, -.5, .5, 1, 1.5, 2});
    const Problem p = buildProblem(in);
    QElapsedTimer timer;
    timer.start();
    const SolveResult r = solve(p);
    QVERIFY(timer.elapsed() < 5000);
    QCOMPARE(int(r.stop), stop);
    QCOMPARE(QString::fromStdString(r.limitName), limit);
    QVERIFY2(r.message.find(message.toStdString()) != std::string::npos, r.message.c_str());
    QVERIFY(!r.stoppedBecause.empty());
    // The report still states the failure and whatever was reached.
    const std::string report = reportText(p, r);
    QVERIFY(report.find(message.toStdString()) != std::string::npos);
    if (r.stop == Stop::LimitReached) QVERIFY(r.rowDone.at(0));
}

void TstSolver::inputErrors_data() {
    QTest::addColumn<QString>("equation");
    QTest::addColumn<QString>("init");
    QTest::addColumn<QString>("points");
    QTest::addColumn<QString>("dx");
    QTest::addColumn<QString>("message");
    QTest::newRow("too few initial values") << "Y'' + (4 * Y) = 0" << "0" << "11" << ".1"
                                            << "needs 2 (Y, Y' at x0); got 1";
    QTest::newRow("too many initial values") << "Y' = X" << "0 1 2" << "11" << ".1"
                                             << "Too many initial values";
    QTest::newRow("not a number") << "Y' = X" << "0x" << "11" << ".1" << "\"0x\" is not a number";
    QTest::newRow("Delta_x zero") << "Y' = X" << "0" << "11" << "0" << "Delta_x (answer 6) is 0";
    QTest::newRow("points not whole") << "Y' = X" << "0" << "2.5" << ".1" << "whole number";
    QTest::newRow("equation does not parse") << "Y' = (X" << "0" << "11" << ".1" << "column";
}

void TstSolver::solverVariables() {
    ProblemInput in = input("Y' = X", "", "0", "0", "11", ".1");
    setControls(in, "7,,250,,,1e-6,");
    const Problem p = buildProblem(in);
    QVERIFY(p.controlsFromFile);
    QCOMPARE(p.controls.remax, 7);
    QCOMPARE(p.controls.stepsLim, 250);
    QCOMPARE(p.controls.accuracy, 1e-6);
    // Blank answers take their defaults, and the report says so.
    QCOMPARE(p.controls.detail, 0);
    QCOMPARE(p.controls.evalMax, 3000);
    QCOMPARE(p.controls.zero, 1e-6);
    QVERIFY(p.controlDefaulted[1] && p.controlDefaulted[6] && !p.controlDefaulted[0]);
    const SolveResult r = solve(p);
    QVERIFY(r.ok());
    QVERIFY(reportText(p, r).find("[blank: default]") != std::string::npos);

    for (const char *bad : {"2.5,,,,,,", ",,0,,,,", ",,,,,0,", ",,,,,,-1", "x,,,,,,"}) {
        ProblemInput b = input("Y' = X", "", "0", "0", "11", ".1");
        setControls(b, bad);
        QVERIFY_THROWS_EXCEPTION(InputError, buildProblem(b));
    }
}

void TstSolver::inputErrors() {
    QFETCH(QString, equation);
    QFETCH(QString, init);
    QFETCH(QString, points);
    QFETCH(QString, dx);
    QFETCH(QString, message);
    try {
        buildProblem(input(equation.toStdString(), "", "0", init.toStdString(),
                           points.toStdString(), dx.toStdString()));
        QFAIL("no InputError");
    } catch (const InputError &e) {
        QVERIFY2(std::string(e.what()).find(message.toStdString()) != std::string::npos, e.what());
    }
}

void TstSolver::plotFileFormat() {
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
        while (cols >> col) {
            ++count;
            QVERIFY2(col.find(',') == std::string::npos, line.c_str());
            const auto v = parseNumber(col);
            QVERIFY2(v.has_value(), col.c_str());
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

void TstSolver::reportNamesControlsAndStopReason() {
    ProblemInput in = input("Y' * Y'' = A * X", "3.8", "0", ".6 1.1", "11", ".1");
    addData(in, kExact[10], {-1, 1, 2});
    setControls(in, "5,1,100,0,3000,.0001,1.e-6");
    const Problem p = buildProblem(in);
    const SolveResult r = solve(p);
    QVERIFY(r.ok());
    const std::string report = reportText(p, r);
    for (const char *name : Controls::names) QVERIFY(report.find(name) != std::string::npos);
    QVERIFY(report.find("Iteration reports") != std::string::npos);
    QCOMPARE(r.reports.size(), size_t(r.fitIterations));
    QVERIFY(report.find("Fitted A") != std::string::npos);
    QVERIFY(report.find("Stopped because") != std::string::npos);
    QVERIFY(report.find("Solve time") != std::string::npos);
}

// A right-hand side that has a value at the start only: the BDF stepper fails, and says
// why in the solver's words, not in the integrator library's.
void TstSolver::bdfFailureInOwnWords() {
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

QTEST_GUILESS_MAIN(TstSolver)
#include "tst_solver.moc"
