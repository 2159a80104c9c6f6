// The notation's rules pinned with hand-computed values, its derivatives against central
// differences, every parse error with its column, evaluation without allocation, and the
// naming of the step that is not finite.
#include "notation/Equation.h"
#include "notation/Fault.h"

#include <QtTest>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

// Counts every allocation of the test program so evaluation can be shown to make none.
static std::atomic<long> g_allocations{0};
static void *counted(std::size_t n) {
    ++g_allocations;
    if (void *p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void *operator new(std::size_t n) { return counted(n); }
void *operator new[](std::size_t n) { return counted(n); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }

using notation::Equation;

namespace {

// The sample point used by the hand-computed tables: distinct values so that a wrong order
// of evaluation shows. X = 2, Y = 3, Y' = 5, Y'' = 7, Y''' = 11, Y'''' = 17, A = 13.
constexpr double kX = 2, kA = 13;
const double kY[] = {3, 5, 7, 11, 17, 19};

// The fifteen demo equations as their example files state them.
const char *const kDemos[] = {
    "Y' * Y'' = 2",
    "Y^2 * 3 - Y'' = 0",
    "Y'' + (4 * Y) = 0",
    "Y' = (Y+X)/(Y-X)",
    "Y' = -Y * TAN( X)",
    "Y'' - 2 = 0",
    "Y' * Y'' - X = 0",
    "Y^2 * 2 * Y'' - 1 = Y' ^2 * 2 * Y",
    "(X * X + 1) * Y'' + (2 * X * Y' ) = -3 / (X*X)",
    "Y' * Y'' = A * X",
    "(X * X + 1) * Y'' + (2 * X * Y' ) + (X^ -2 * A) = 0",
    "(X^2 + A) * Y'' + (2 * X * Y' ) + (3 / X / X) = 0",
    "(X^2 + A) * Y'' + (2 * X * Y' ) + (X^ -2 * 3) = 0",
    "-X X Y'' + (2 X Y' ) = (X^2 + 2) Y",
    "Y  Y'''/ 3 - (Y'' Y' ) X = Y' ^2",
};

}  // namespace

class TestNotation : public QObject {
    Q_OBJECT
private slots:
    // Values at the sample point, plain and with the gradient.
    void rules_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("no precedence: X + A*Y is (X+A)Y") << "X + A*Y = Y'" << 40.0;
        QTest::newRow("juxtaposition left to right") << "3 4 y - 5 6 = Y'" << 181.0;
        QTest::newRow("power then product then difference") << "Y^2 * 3 - Y'' = Y'" << 15.0;
        QTest::newRow("2 * X ^2 is (2X) squared") << "2 * X ^2 = Y'" << 11.0;
        QTest::newRow("group is one term") << "X + ( 6*Y) = Y'" << 15.0;
        QTest::newRow("unary minus binds the next term") << "-Y * TAN( X) = Y'" << (-3 * std::tan(2.0) - 5);
        QTest::newRow("unary minus after ^") << "X^ -2 * A = Y'" << -1.75;
        QTest::newRow("unary minus before a power") << "-Y' ^ 2" << 25.0;
        QTest::newRow("double sign") << "Y' - -Y" << 8.0;
        QTest::newRow("unary plus") << "Y' * +X" << 10.0;
        QTest::newRow("signed group") << "Y' + -(X)" << 3.0;
        QTest::newRow("no equals sign") << "Y' - Y" << 2.0;
        QTest::newRow("case does not matter") << "y' + x * a" << 91.0;
        QTest::newRow("subtraction runs left to right") << "Y' - 2 - X" << 1.0;
        QTest::newRow("division runs left to right") << "Y' / 5 / X" << 0.5;
        QTest::newRow("powers run left to right") << "2 ^ 3 ^ 2 Y'" << 320.0;
        QTest::newRow("nested groups") << "Y' + (X - (Y - A))" << 17.0;
        QTest::newRow("deeply nested groups") << "((((Y')))) + ((X))" << 7.0;
        QTest::newRow("number forms") << "Y' = .5 + 1.e-6 + 1.E-6 + 2E3" << (5 - (0.5 + 2e-6 + 2000));
        QTest::newRow("number glued to a name") << "2X Y'" << 20.0;
        QTest::newRow("blanks are optional around operators") << "Y'*Y''-X=0" << 33.0;
        QTest::newRow("tabs count as blanks") << "Y'\t+\tX" << 7.0;
        QTest::newRow("function argument is its own group") << "Y' = X SIN( X/2)" << (5 - 2 * std::sin(1.0));
        QTest::newRow("function value then operator") << "Y' = SIN( X + 1) * 2" << (5 - std::sin(3.0) * 2);
        QTest::newRow("function side by side") << "SIN(X) COS(X) Y'" << (std::sin(2.0) * std::cos(2.0) * 5);
        QTest::newRow("high derivative") << "Y'''' - Y''' = Y" << 3.0;
        // Each function with its own argument, so that two names swapped show.
        QTest::newRow("circular") << "Y' + SIN(X / 4) + cos(X / 8) + Tan(X / 16)"
                                  << 5 + std::sin(0.5) + std::cos(0.25) + std::tan(0.125);
        QTest::newRow("inverse") << "Y' + ASIN(X / 4) + ACOS(X / 8) + ATAN(X / 16)"
                                 << 5 + std::asin(0.5) + std::acos(0.25) + std::atan(0.125);
        QTest::newRow("hyperbolic") << "Y' + SINH(X / 4) + COSH(X / 8) + TANH(X / 16)"
                                    << 5 + std::sinh(0.5) + std::cosh(0.25) + std::tanh(0.125);
        QTest::newRow("EXP") << "Y' + EXP(0)" << 6.0;
        QTest::newRow("LOG is natural") << "Y' + LOG(EXP(X))" << 7.0;
        QTest::newRow("LOG10") << "Y' + LOG10(100)" << 7.0;
        QTest::newRow("SQRT") << "SQRT(X * 8) Y'" << 20.0;
        QTest::newRow("ABS of a number") << "ABS(-3) + Y'" << 8.0;
        QTest::newRow("ABS of an expression") << "ABS(X - Y) + Y'" << 6.0;
    }
    void rules() {
        QFETCH(QString, text);
        QFETCH(double, expected);
        const Equation eq = Equation::parse(text.toStdString());
        QCOMPARE(eq.residual(kX, kY, kA), expected);
        double dY[6], dX = 0, dA = 0;
        QCOMPARE(eq.residualWithGradient(kX, kY, kA, dY, &dX, &dA), expected);
    }

    // The demo equations (by index) and others: value, order, and what appears in them.
    void demos_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::addColumn<QString>("derivatives");  // which Y^(k) appear, k = 0..order
        QTest::addColumn<bool>("usesA");
        QTest::addColumn<bool>("usesX");
        // Hand-computed, strictly left to right, at the sample point.
        QTest::newRow("ExIVP.1") << "0" << 33.0 << "011" << false << false;       // 5*7 - 2
        QTest::newRow("ExIVP.2") << "1" << 20.0 << "101" << false << false;       // 9*3 - 7
        QTest::newRow("ExIVP.3") << "2" << 19.0 << "101" << false << false;       // 7 + 12
        QTest::newRow("ExIVP.4") << "3" << 0.0 << "11" << false << true;          // 5 - 5/1
        QTest::newRow("ExIVP.5") << "4" << (5 + 3 * std::tan(2.0)) << "11" << false << true;
        QTest::newRow("ExBVP.1") << "5" << 5.0 << "001" << false << false;        // 7 - 2
        QTest::newRow("ExBVP.2") << "6" << 33.0 << "011" << false << true;        // 35 - 2
        QTest::newRow("ExBVP.3") << "7" << -25.0 << "111" << false << false;      // 125 - 150
        QTest::newRow("ExBVP.4") << "8" << 55.75 << "011" << false << true;       // 35 + 20 + 0.75
        QTest::newRow("ExBVP.5") << "9" << 9.0 << "011" << true << true;          // 35 - 26
        QTest::newRow("ExBVP.6") << "10" << 58.25 << "011" << true << true;       // 35 + 20 + 3.25
        QTest::newRow("ExBVP.7") << "11" << 139.75 << "011" << true << true;      // 119 + 20 + 0.75
        QTest::newRow("ExBVP.8") << "12" << 139.75 << "011" << true << true;      // 119 + 20 + 0.75
        QTest::newRow("ExBVP.9") << "13" << -26.0 << "111" << false << true;      // -28 + 20 - 18
        QTest::newRow("ExProb.1") << "14" << -73.0 << "1111" << false << true;    // (11 - 35)*2 - 25
        QTest::newRow("gap in orders") << "Y''' = A" << -2.0 << "0001" << true << false;
        QTest::newRow("fourth order") << "Y'''' + ( 1.234 * X * Y'') = - 2 * Tan( Y / X) + 3.21"
                                      << (17 + 1.234 * 2 * 7 - (-2 * std::tan(1.5) + 3.21)) << "10101"
                                      << false << true;
    }
    void demos() {
        QFETCH(QString, text);
        QFETCH(QString, derivatives);
        bool isDemo = false;
        const int index = text.toInt(&isDemo);
        const Equation eq = Equation::parse(isDemo ? kDemos[index] : text.toStdString().c_str());
        QCOMPARE(eq.order(), derivatives.size() - 1);
        QTEST(eq.usesA(), "usesA");
        QTEST(eq.usesX(), "usesX");
        for (int k = 0; k <= eq.order(); ++k) QCOMPARE(eq.usesDerivative(k), derivatives[k] == '1');
        QVERIFY(!eq.usesDerivative(eq.order() + 1) && !eq.usesDerivative(-1));
        QTEST(eq.residual(kX, kY, kA), "expected");
    }

    void demoDerivatives_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("shift");  // added to every Y value of the sample point
        for (int i = 0; i < 15; ++i) {
            QTest::addRow("demo %d at x=2", i + 1) << i << 2.0 << 0.0;
            QTest::addRow("demo %d at x=-0.7", i + 1) << i << -0.7 << 0.3;
            QTest::addRow("demo %d at x=3.3", i + 1) << i << 3.3 << -1.1;
        }
    }
    void demoDerivatives() {
        QFETCH(int, index);
        QFETCH(double, x);
        QFETCH(double, shift);
        const Equation eq = Equation::parse(kDemos[index]);
        const int n = eq.order();
        std::vector<double> y(std::size_t(n) + 1);
        for (int k = 0; k <= n; ++k) y[std::size_t(k)] = kY[k] + shift;
        const double a = 1.7;
        std::vector<double> dY(y.size(), -99);
        double dX = -99, dA = -99;
        QCOMPARE(eq.residualWithGradient(x, y.data(), a, dY.data(), &dX, &dA), eq.residual(x, y.data(), a));
        // Central difference of the residual in argument k (-1: X, n+1: A) against `got`.
        auto check = [&](int k, double got) {
            double xx = x, aa = a;
            std::vector<double> yy = y;
            double &v = k < 0 ? xx : k > n ? aa : yy[std::size_t(k)];
            const double v0 = v, h = 1e-5 * std::max(1.0, std::fabs(v0));
            v = v0 + h;
            const double up = eq.residual(xx, yy.data(), aa);
            v = v0 - h;
            const double want = (up - eq.residual(xx, yy.data(), aa)) / (2 * h);
            QVERIFY2(std::fabs(got - want) <= 1e-6 * std::max(1.0, std::fabs(want)),
                     qPrintable(QString("argument %1: %2 vs %3").arg(k).arg(got).arg(want)));
        };
        check(-1, dX);
        check(n + 1, dA);
        double slope = -99;
        QCOMPARE(eq.residualAndSlope(x, y.data(), a, slope), eq.residual(x, y.data(), a));
        check(n, slope);
        if (!eq.usesA()) QCOMPARE(dA, 0.0);
        for (int k = 0; k <= n; ++k) {
            check(k, dY[std::size_t(k)]);
            if (!eq.usesDerivative(k)) QCOMPARE(dY[std::size_t(k)], 0.0);
        }
    }

    void knownSolutions_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<double>("x");
        for (double x : {-3.0, -0.5, 0.25, 1.0, 2.5, 7.0, 20.0}) {
            QTest::addRow("Y = 300/(450+X^2) at %g", x) << 14 << x;
            QTest::addRow("Y = X cos X at %g", x) << 13 << x;
        }
    }
    void knownSolutions() {
        QFETCH(int, index);
        QFETCH(double, x);
        const Equation eq = Equation::parse(kDemos[index]);
        double y[4], scale;
        if (index == 14) {
            const double u = 450 + x * x;
            y[0] = 300 / u;
            y[1] = -600 * x / (u * u);
            y[2] = -600 / (u * u) + 2400 * x * x / (u * u * u);
            y[3] = 7200 * x / (u * u * u) - 14400 * x * x * x / (u * u * u * u);
            scale = std::fabs(y[0] * y[3]) + std::fabs(y[2] * y[1] * x) + y[1] * y[1];
        } else {
            y[0] = x * std::cos(x);
            y[1] = std::cos(x) - x * std::sin(x);
            y[2] = -2 * std::sin(x) - x * std::cos(x);
            y[3] = 0;
            scale = std::fabs(x * x * y[2]) + std::fabs(2 * x * y[1]) + std::fabs((x * x + 2) * y[0]);
        }
        const double r = eq.residual(x, y, 0);
        QVERIFY2(std::fabs(r) <= 1e-12 * scale, qPrintable(QString("residual %1").arg(r)));
    }

    void errors_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("message");  // a part of the message
        QTest::newRow("empty") << "" << 1 << "empty";
        QTest::newRow("only blanks") << "    " << 1 << "empty";
        QTest::newRow("unknown name") << "Y' = - H * Tan( Y / X)" << 8 << "Unknown name 'H'";
        QTest::newRow("glued names") << "Y' = XY" << 6 << "separate terms with a blank or *";
        QTest::newRow("glued function") << "Y' = SINX" << 6 << "separate terms with a blank or *";
        QTest::newRow("unclosed group") << "Y' = (X + 1" << 6 << "never closed";
        QTest::newRow("extra close") << "Y' = X)" << 7 << "no matching '('";
        QTest::newRow("extra close on the left") << "Y' + 1) = X" << 7 << "no matching '('";
        QTest::newRow("equals inside a group") << "Y' = (X = 1)" << 9 << "Missing ')'";
        QTest::newRow("missing operand") << "X + = 1 + Y'" << 5 << "Missing a term after '+'";
        QTest::newRow("missing operand at the end") << "Y' * " << 6 << "Missing a term after '*'";
        QTest::newRow("missing left side") << "= Y'" << 1 << "Missing a term before '='";
        QTest::newRow("missing right side") << "Y' =" << 5 << "Missing a term after '='";
        QTest::newRow("two operators") << "Y' * / X" << 6 << "Missing a term after '*'";
        QTest::newRow("empty parentheses") << "Y' = ()" << 7 << "inside the parentheses";
        QTest::newRow("second equals") << "Y' = X = 1" << 8 << "Only one '='";
        QTest::newRow("no Y") << "X = 1" << 1 << "no Y";
        QTest::newRow("no derivative") << "X + Y = 2" << 5 << "no derivative";
        QTest::newRow("function without parentheses") << "Y' = SIN X" << 10 << "SIN needs its argument";
        QTest::newRow("function at the end") << "Y' = exp" << 9 << "EXP needs its argument";
        QTest::newRow("two dots") << "Y' = 1.2.5" << 9 << "second '.'";
        QTest::newRow("lone dot") << "Y' = . 5" << 6 << "'.' must belong to a number";
        QTest::newRow("apostrophe after X") << "Y' = X'" << 7 << "may only follow Y";
        QTest::newRow("apostrophe alone") << "Y' = ' 2" << 6 << "may only follow Y";
        QTest::newRow("unexpected character") << "Y' # 2" << 4 << "Unexpected character '#'";
        QTest::newRow("non-ASCII byte") << (QString("Y' = ") + QChar(0xB5)) << 6 << "code 0xB5";
        QTest::newRow("number out of range") << "Y' = 1e999" << 6 << "out of range";
        QTest::newRow("too deep") << (QString(101, '(') + "Y'" + QString(101, ')')) << 101 << "inside each other";
        QTest::newRow("too high a derivative") << ("X + Y" + QString(100, '\'')) << 5 << "not supported";
        // Far too long fails at once on its length, not after reading 10 MB of "(".
        QTest::newRow("too long") << QString(10 << 20, '(') << 100001 << "10485760 characters long; at most 100000";
        QTest::newRow("longest accepted") << ("Y' = X" + QString(99993, ' ') + "+") << 100001 << "after '+'";
    }
    void errors() {
        QFETCH(QString, text);
        QFETCH(QString, message);
        try {
            Equation::parse(text.toLatin1().toStdString());
            QFAIL("no error raised");
        } catch (const notation::ParseError &e) {
            QVERIFY2(QString::fromStdString(e.what()).contains(message), e.what());
            QTEST(e.column(), "column");
        }
    }

    void affineInHighest_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("affine");
        QTest::addColumn<bool>("constantSlope");
        QTest::newRow("sum") << "Y'' + (4 * Y) = 0" << true << true;
        QTest::newRow("numbers scale and subtract") << "-Y'' / 2 - (3 * Y'') = Y" << true << true;
        QTest::newRow("power 1") << "Y'' ^ 1 = Y" << true << true;
        QTest::newRow("times Y'") << "Y' * Y'' = 2" << true << false;
        QTest::newRow("over X") << "Y'' / X = Y" << true << false;
        QTest::newRow("times A") << "A * Y'' = 1" << true << false;
        QTest::newRow("squared") << "Y' * Y' = X + 1" << false << false;
        QTest::newRow("power 2") << "Y'' ^ 2 = Y" << false << false;
        QTest::newRow("in a function") << "SINH(Y') = X" << false << false;
        QTest::newRow("divisor") << "1 / Y'' = X" << false << false;
    }
    void affineInHighest() {
        QFETCH(QString, text);
        QFETCH(bool, affine);
        QFETCH(bool, constantSlope);
        const Equation eq = Equation::parse(text.toStdString());
        QCOMPARE(eq.affineInHighest(), affine);
        QCOMPARE(eq.constantSlope(), constantSlope);
        // The claim checked on values: F(g) on a line, with one slope at two points.
        auto F = [&](double x, double y0, double g) {
            const double y[3] = {y0, 0.7, g};
            return eq.residual(x, y, 1.3);
        };
        if (affine) QVERIFY(std::fabs(F(.4, .2, 2) - 2 * F(.4, .2, 1) + F(.4, .2, 0)) < 1e-12);
        if (constantSlope) QCOMPARE(F(.4, .2, 1) - F(.4, .2, 0), F(1.9, -3, 1) - F(1.9, -3, 0));
    }

    void longEquationAllocatesNothing() {
        // A side of 18000 terms is one long left-to-right chain, evaluated without recursion
        // and without allocating.
        std::string text = "Y'";
        for (int i = 0; i < 9000; ++i) text += " + X - (-A)";
        const Equation eq = Equation::parse(text), demo = Equation::parse(kDemos[14]);
        double dY[4], dX, dA;
        const long before = g_allocations.load();
        QVERIFY(std::isfinite(demo.residual(kX, kY, kA) + demo.residualWithGradient(kX, kY, kA, dY, &dX, &dA)));
        QCOMPARE(eq.residualWithGradient(kX, kY, kA, dY, &dX, &dA), 5 + 9000 * (2 + 13.0));
        QCOMPARE(eq.residual(kX, kY, kA), 5 + 9000 * (2 + 13.0));
        QCOMPARE(g_allocations.load(), before);
        QCOMPARE(dX, 9000.0);
        QCOMPARE(dA, 9000.0);
        QCOMPARE(dY[1], 1.0);
    }

    void copiesAndTheEmptyEquation() {
        const Equation original = Equation::parse("Y' - X Y");
        const Equation copy = original;
        double dY[2], dX, dA;
        // (Y' - X) * Y
        QCOMPARE(copy.residualWithGradient(2, kY, 0, dY, &dX, &dA), 9.0);
        QCOMPARE(dX, -3.0);
        QCOMPARE(dY[0], 3.0);
        QCOMPARE(dY[1], 3.0);
        QCOMPARE(original.residual(1, kY, 0), 12.0);
        // A default equation has no value and no slopes.
        const Equation none;
        QVERIFY(std::isnan(none.residual(1, kY, 1)));
        QVERIFY(std::isnan(none.residualWithGradient(1, kY, 1, dY, &dX, &dA)));
        QCOMPARE(dY[0], 0.0);
        QCOMPARE(dX, 0.0);
        QVERIFY(!none.usesDerivative(0));
    }

    // The checker's listings show the steps; here what they do not show.
    void foldedConstants() {
        // 3*4 is worked out once at parse time: the program computes 12*Y', then -5, then *6,
        // and the reverse sweep skips the -5, which passes the derivative on unchanged.
        const Equation folded = Equation::parse("3 4 y' - 5 6");
        QCOMPARE(folded.steps().size(), std::size_t(4));
        QCOMPARE(folded.programLength(), std::size_t(3));
        QCOMPARE(folded.reverseLength(), std::size_t(2));
        QCOMPARE(folded.residual(0, kY, 0), 330.0);
    }

    // The step that makes an equation's value (or slope) not finite, named with its column.
    void faultNames_data() {
        QTest::addColumn<QString>("equation");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<QString>("text");  // empty: no fault
        const auto row = [](const char *name, const char *equation, double x, double y, const char *text) {
            QTest::newRow(name) << QString(equation) << x << y << QString(text);
        };
        row("sqrt", "Y' = SQRT(-1 - Y)", 0, 0.5, "SQRT of a negative number (-1.5) at column 6");
        row("log", "Y' = Y + LOG( X)", -1, 0, "LOG of a non-positive number (-1) at column 10");
        row("exp", "Y' = 2 * EXP( 1000 Y)", 0, 1, "EXP overflow (1000) at column 10");
        row("division", "Y' = Y + (1 / X)", 0, 1, "Division by zero (1 / 0) at column 13");
        row("power", "Y' = Y^0.5", 0, -4, "A negative number to a fractional power (-4 ^ 0.5) at column 7");
        row("asin", "Y' = ASIN( Y)", 0, 2, "ASIN of a number outside -1 to 1 (2) at column 6");
        row("slope only", "Y' = SQRT( Y)", 0, 0, "SQRT at 0 has no finite slope at column 6");
        row("two faults", "Y' = LOG( Y) + SQRT( Y)", 0, -1, "LOG of a non-positive number (-1) at column 6");
        row("finite", "Y' = Y / (1 + X)", 1, 2, "");
    }
    void faultNames() {
        QFETCH(QString, equation);
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(QString, text);
        const notation::Equation eq = notation::Equation::parse(equation.toStdString());
        const double ys[2] = {y, 0.25};
        const notation::Fault f = notation::findFault(eq, x, ys, 1.0);
        QCOMPARE(f.found, !text.isEmpty());
        if (f.found) QCOMPARE(QString::fromStdString(f.text()), text);
    }
};

QTEST_APPLESS_MAIN(TestNotation)
#include "tst_notation.moc"
