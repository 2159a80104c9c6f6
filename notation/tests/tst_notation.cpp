// The notation's rules pinned with hand-computed values, its derivatives against central
// differences, every parse error with its column, and evaluation without allocation.
#include "notation/Equation.h"

#include <QtTest>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

// Counts every allocation of the test program so evaluation can be shown to make none.
static std::atomic<long> g_allocations{0};
void *operator new(std::size_t n) {
    ++g_allocations;
    if (void *p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void *operator new[](std::size_t n) {
    ++g_allocations;
    if (void *p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }

using notation::Equation;
using notation::ParseError;

namespace {

// The sample point used by the hand-computed tables: distinct values so that a wrong order
// of evaluation shows. X = 2, Y = 3, Y' = 5, Y'' = 7, Y''' = 11, Y'''' = 17, A = 13.
constexpr double kX = 2, kA = 13;
const double kY[] = {3, 5, 7, 11, 17, 19};

std::vector<double> yAt(const Equation &eq, const double *y) {
    return std::vector<double>(y, y + eq.order() + 1);
}

QString errorOf(const char *text, int *column) {
    try {
        Equation::parse(text);
    } catch (const ParseError &e) {
        *column = e.column();
        return QString::fromStdString(e.what());
    }
    *column = 0;
    return QString();
}

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
    void rules_data();
    void rules();
    void functions_data();
    void functions();
    void demos_data();
    void demos();
    void demoDerivatives_data();
    void demoDerivatives();
    void knownSolutions_data();
    void knownSolutions();
    void errors_data();
    void errors();
    void whatAppears_data();
    void whatAppears();
    void affineInHighest_data();
    void affineInHighest();
    void constantsAreFolded();
    void longEquation();
    void evaluationAllocatesNothing();
    void copiesEvaluateIndependently();
    void defaultEquationHasNoValue();
    void listingPieces();
};

void TestNotation::rules_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    // X = 2, Y = 3, Y' = 5, Y'' = 7, A = 13
    QTest::newRow("no precedence: X + A*Y is (X+A)Y") << "X + A*Y = Y'" << 40.0;
    QTest::newRow("juxtaposition left to right") << "3 4 y - 5 6 = Y'" << 181.0;
    QTest::newRow("power then product then difference") << "Y^2 * 3 - Y'' = Y'" << 15.0;
    QTest::newRow("2 * X ^2 is (2X) squared") << "2 * X ^2 = Y'" << 11.0;
    QTest::newRow("group is one term") << "X + ( 6*Y) = Y'" << 15.0;
    QTest::newRow("unary minus binds the next term") << "-Y * TAN( X) = Y'"
                                                       << (-3 * std::tan(2.0) - 5);
    QTest::newRow("unary minus after ^") << "X^ -2 * A = Y'" << -1.75;
    QTest::newRow("unary minus at start of right side") << "Y' = -3 / (X*X)" << 5.75;
    QTest::newRow("unary minus before a power") << "-Y' ^ 2" << 25.0;
    QTest::newRow("double sign") << "Y' - -Y" << 8.0;
    QTest::newRow("unary plus") << "Y' * +X" << 10.0;
    QTest::newRow("signed group") << "Y' + -(X)" << 3.0;
    QTest::newRow("no equals sign") << "Y' - Y" << 2.0;
    QTest::newRow("case does not matter") << "y' + x * a" << 91.0;
    QTest::newRow("side by side terms") << "Y'' Y' X" << 70.0;
    QTest::newRow("subtraction runs left to right") << "Y' - 2 - X" << 1.0;
    QTest::newRow("division runs left to right") << "Y' / 5 / X" << 0.5;
    QTest::newRow("powers run left to right") << "2 ^ 3 ^ 2 Y'" << 320.0;
    QTest::newRow("nested groups") << "Y' + (X - (Y - A))" << 17.0;
    QTest::newRow("deeply nested groups") << "((((Y')))) + ((X))" << 7.0;
    QTest::newRow("number forms") << "Y' = .5 + 1.e-6 + 1.E-6 + 2E3" << (5 - (0.5 + 2e-6 + 2000));
    QTest::newRow("number glued to a name") << "2X Y'" << 20.0;
    QTest::newRow("blanks are optional around operators") << "Y'*Y''-X=0" << 33.0;
    QTest::newRow("tabs count as blanks") << "Y'\t+\tX" << 7.0;
    QTest::newRow("function argument is its own group") << "Y' = X SIN( X/2)"
                                                         << (5 - 2 * std::sin(1.0));
    QTest::newRow("function value then operator") << "Y' = SIN( X + 1) * 2"
                                                   << (5 - std::sin(3.0) * 2);
    QTest::newRow("function side by side") << "SIN(X) COS(X) Y'"
                                           << (std::sin(2.0) * std::cos(2.0) * 5);
    QTest::newRow("high derivative") << "Y'''' - Y''' = Y" << 3.0;
    QTest::newRow("derivative skipped orders") << "Y''' = X" << 9.0;
}

void TestNotation::rules() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    const Equation eq = Equation::parse(text.toStdString());
    const std::vector<double> y = yAt(eq, kY);
    QCOMPARE(eq.residual(kX, y.data(), kA), expected);
    std::vector<double> dY(y.size());
    double dX = 0, dA = 0;
    QCOMPARE(eq.residualWithGradient(kX, y.data(), kA, dY.data(), &dX, &dA), expected);
}

void TestNotation::functions_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    // Y' = 5 in every row; X = 2.
    QTest::newRow("SIN") << "Y' + SIN(X / 4)" << 5 + std::sin(0.5);
    QTest::newRow("COS") << "Y' + cos(X / 4)" << 5 + std::cos(0.5);
    QTest::newRow("TAN") << "Y' + Tan(X / 4)" << 5 + std::tan(0.5);
    QTest::newRow("ASIN") << "Y' + ASIN(X / 4)" << 5 + std::asin(0.5);
    QTest::newRow("ACOS") << "Y' + ACOS(X / 4)" << 5 + std::acos(0.5);
    QTest::newRow("ATAN") << "Y' + ATAN(X / 4)" << 5 + std::atan(0.5);
    QTest::newRow("SINH") << "Y' + SINH(X / 4)" << 5 + std::sinh(0.5);
    QTest::newRow("COSH") << "Y' + COSH(X / 4)" << 5 + std::cosh(0.5);
    QTest::newRow("TANH") << "Y' + TANH(X / 4)" << 5 + std::tanh(0.5);
    QTest::newRow("EXP") << "Y' + EXP(0)" << 6.0;
    QTest::newRow("LOG is natural") << "Y' + LOG(EXP(X))" << 7.0;
    QTest::newRow("LOG10") << "Y' + LOG10(100)" << 7.0;
    QTest::newRow("SQRT") << "SQRT(X * 8) Y'" << 20.0;
    QTest::newRow("ABS") << "ABS(-3) + Y'" << 8.0;
    QTest::newRow("ABS of an expression") << "ABS(X - Y) + Y'" << 6.0;
}

void TestNotation::functions() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    const Equation eq = Equation::parse(text.toStdString());
    QCOMPARE(eq.residual(kX, kY, kA), expected);
}

void TestNotation::demos_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("expected");
    QTest::addColumn<int>("order");
    QTest::addColumn<bool>("usesA");
    // Hand-computed, strictly left to right, at X = 2, Y = 3, Y' = 5, Y'' = 7, Y''' = 11,
    // A = 13.
    QTest::newRow("ExIVP.1") << 0 << 33.0 << 2 << false;                 // 5*7 - 2
    QTest::newRow("ExIVP.2") << 1 << 20.0 << 2 << false;                 // 9*3 - 7
    QTest::newRow("ExIVP.3") << 2 << 19.0 << 2 << false;                 // 7 + 12
    QTest::newRow("ExIVP.4") << 3 << 0.0 << 1 << false;                  // 5 - 5/1
    QTest::newRow("ExIVP.5") << 4 << (5 + 3 * std::tan(2.0)) << 1 << false;
    QTest::newRow("ExBVP.1") << 5 << 5.0 << 2 << false;                  // 7 - 2
    QTest::newRow("ExBVP.2") << 6 << 33.0 << 2 << false;                 // 35 - 2
    QTest::newRow("ExBVP.3") << 7 << -25.0 << 2 << false;                // 125 - 150
    QTest::newRow("ExBVP.4") << 8 << 55.75 << 2 << false;                // 35 + 20 + 0.75
    QTest::newRow("ExBVP.5") << 9 << 9.0 << 2 << true;                   // 35 - 26
    QTest::newRow("ExBVP.6") << 10 << 58.25 << 2 << true;                // 35 + 20 + 3.25
    QTest::newRow("ExBVP.7") << 11 << 139.75 << 2 << true;               // 119 + 20 + 0.75
    QTest::newRow("ExBVP.8") << 12 << 139.75 << 2 << true;               // 119 + 20 + 0.75
    QTest::newRow("ExBVP.9") << 13 << -26.0 << 2 << false;               // -28 + 20 - 18
    QTest::newRow("ExProb.1") << 14 << -73.0 << 3 << false;              // (11 - 35)*2 - 25
}

void TestNotation::demos() {
    QFETCH(int, index);
    QFETCH(double, expected);
    QFETCH(int, order);
    QFETCH(bool, usesA);
    const Equation eq = Equation::parse(kDemos[index]);
    QCOMPARE(eq.order(), order);
    QCOMPARE(eq.usesA(), usesA);
    QCOMPARE(eq.residual(kX, kY, kA), expected);
}

void TestNotation::demoDerivatives_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("shift");  // added to every Y value of the sample point
    for (int i = 0; i < 15; ++i) {
        QTest::addRow("demo %d at x=2", i + 1) << i << 2.0 << 0.0;
        QTest::addRow("demo %d at x=-0.7", i + 1) << i << -0.7 << 0.3;
        QTest::addRow("demo %d at x=3.3", i + 1) << i << 3.3 << -1.1;
    }
}

void TestNotation::demoDerivatives() {
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
    const double r = eq.residualWithGradient(x, y.data(), a, dY.data(), &dX, &dA);
    QCOMPARE(r, eq.residual(x, y.data(), a));

    auto central = [&](auto &&f, double v) {
        const double h = 1e-5 * std::max(1.0, std::fabs(v));
        return (f(v + h) - f(v - h)) / (2 * h);
    };
    auto close = [](double got, double want) {
        return std::fabs(got - want) <= 1e-6 * std::max(1.0, std::fabs(want));
    };
    const double numX = central([&](double v) { return eq.residual(v, y.data(), a); }, x);
    QVERIFY2(close(dX, numX), qPrintable(QString("dX %1 vs %2").arg(dX).arg(numX)));
    const double numA = central([&](double v) { return eq.residual(x, y.data(), v); }, a);
    QVERIFY2(close(dA, numA), qPrintable(QString("dA %1 vs %2").arg(dA).arg(numA)));
    if (!eq.usesA()) QCOMPARE(dA, 0.0);
    for (int k = 0; k <= n; ++k) {
        std::vector<double> yy = y;
        const double numY = central(
            [&](double v) {
                yy[std::size_t(k)] = v;
                return eq.residual(x, yy.data(), a);
            },
            y[std::size_t(k)]);
        QVERIFY2(close(dY[std::size_t(k)], numY),
                 qPrintable(QString("dY%1 %2 vs %3").arg(k).arg(dY[std::size_t(k)]).arg(numY)));
        if (!eq.usesDerivative(k)) QCOMPARE(dY[std::size_t(k)], 0.0);
    }
}

void TestNotation::knownSolutions_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("x");
    for (double x : {-3.0, -0.5, 0.25, 1.0, 2.5, 7.0, 20.0}) {
        QTest::addRow("Y = 300/(450+X^2) at %g", x) << 14 << x;
        QTest::addRow("Y = X cos X at %g", x) << 13 << x;
    }
}

void TestNotation::knownSolutions() {
    QFETCH(int, index);
    QFETCH(double, x);
    const Equation eq = Equation::parse(kDemos[index]);
    double y[4];
    double scale;
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

void TestNotation::errors_data() {
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
    QTest::newRow("too deep") << (QString(101, '(') + "Y'" + QString(101, ')')) << 101
                              << "inside each other";
    QTest::newRow("too high a derivative") << ("X + Y" + QString(100, '\'')) << 5 << "not supported";
    // Far too long fails at once on its length, not after reading 10 MB of "(".
    QTest::newRow("too long") << QString(10 << 20, '(') << 100001 << "10485760 characters long; at most 100000";
    QTest::newRow("longest accepted") << ("Y' = X" + QString(99993, ' ') + "+") << 100001 << "after '+'";
}

void TestNotation::errors() {
    QFETCH(QString, text);
    QFETCH(int, column);
    QFETCH(QString, message);
    int got = -1;
    const QByteArray bytes = text.toLatin1();
    const QString what = errorOf(bytes.constData(), &got);
    QVERIFY2(!what.isEmpty(), "no error raised");
    QVERIFY2(what.contains(message), qPrintable(what));
    QCOMPARE(got, column);
}

void TestNotation::whatAppears_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("order");
    QTest::addColumn<QString>("derivatives");  // which Y^(k) appear, k = 0..order
    QTest::addColumn<bool>("usesA");
    QTest::addColumn<bool>("usesX");
    QTest::newRow("first order") << "Y' = (Y+X)/(Y-X)" << 1 << "11" << false << true;
    QTest::newRow("gap in orders") << "Y''' = A" << 3 << "0001" << true << false;
    QTest::newRow("lower case") << "y'' a + y" << 2 << "101" << true << false;
    QTest::newRow("fourth order") << "Y'''' + ( 1.234 * X * Y'') = - 2 * Tan( Y / X) + 3.21"
                                  << 4 << "10101" << false << true;
}

void TestNotation::whatAppears() {
    QFETCH(QString, text);
    QFETCH(int, order);
    QFETCH(QString, derivatives);
    QFETCH(bool, usesA);
    QFETCH(bool, usesX);
    const Equation eq = Equation::parse(text.toStdString());
    QCOMPARE(eq.order(), order);
    QCOMPARE(eq.usesA(), usesA);
    QCOMPARE(eq.usesX(), usesX);
    for (int k = 0; k <= order; ++k)
        QCOMPARE(eq.usesDerivative(k), derivatives[k] == '1');
    QVERIFY(!eq.usesDerivative(order + 1));
    QVERIFY(!eq.usesDerivative(-1));
}

void TestNotation::affineInHighest_data() {
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

void TestNotation::affineInHighest() {
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

void TestNotation::constantsAreFolded() {
    // 3*4 is worked out once at parse time: the program computes 12*Y', then -5, then *6,
    // and the reverse sweep skips the -5, which passes the derivative on unchanged.
    const Equation eq = Equation::parse("3 4 y' - 5 6");
    QCOMPARE(eq.steps().size(), std::size_t(4));
    QCOMPARE(eq.programLength(), std::size_t(3));
    QCOMPARE(eq.reverseLength(), std::size_t(2));
    QCOMPARE(eq.residual(0, kY, 0), 330.0);
}

void TestNotation::longEquation() {
    // A side of 18000 terms is one long left-to-right chain, evaluated without recursion.
    std::string text = "Y'";
    for (int i = 0; i < 9000; ++i) text += " + X - (-A)";
    const Equation eq = Equation::parse(text);
    double dY[2], dX, dA;
    QCOMPARE(eq.residualWithGradient(kX, kY, kA, dY, &dX, &dA), 5 + 9000 * (2 + 13.0));
    QCOMPARE(dX, 9000.0);
    QCOMPARE(dA, 9000.0);
    QCOMPARE(dY[1], 1.0);
}

void TestNotation::evaluationAllocatesNothing() {
    const Equation eq = Equation::parse(kDemos[14]);
    double dY[4], dX, dA;
    const long before = g_allocations.load();
    double sum = 0;
    for (int i = 0; i < 1000; ++i) {
        sum += eq.residual(0.1 * i, kY, kA);
        sum += eq.residualWithGradient(0.1 * i, kY, kA, dY, &dX, &dA);
    }
    QCOMPARE(g_allocations.load(), before);
    QVERIFY(std::isfinite(sum));
}

void TestNotation::copiesEvaluateIndependently() {
    const Equation original = Equation::parse("Y' - X Y");
    const Equation copy = original;
    double dY[2], dX, dA;
    // (Y' - X) * Y
    QCOMPARE(copy.residualWithGradient(2, kY, 0, dY, &dX, &dA), 9.0);
    QCOMPARE(dX, -3.0);
    QCOMPARE(dY[0], 3.0);
    QCOMPARE(dY[1], 3.0);
    QCOMPARE(original.residual(1, kY, 0), 12.0);
}

void TestNotation::defaultEquationHasNoValue() {
    const Equation eq;
    double dY[1] = {-1}, dX = -1, dA = -1;
    QVERIFY(std::isnan(eq.residual(1, kY, 1)));
    QVERIFY(std::isnan(eq.residualWithGradient(1, kY, 1, dY, &dX, &dA)));
    QCOMPARE(dY[0], 0.0);
    QCOMPARE(dX, 0.0);
    QVERIFY(!eq.usesDerivative(0));
}

void TestNotation::listingPieces() {
    const Equation eq = Equation::parse("Y' = -3 / (X*X)");
    QCOMPARE(eq.terms().size(), std::size_t(10));  // Y' = - 3 / ( X * X )
    QCOMPARE(eq.tokenText(eq.terms()[0]), std::string("Y'"));
    QCOMPARE(eq.steps().size(), std::size_t(3));
    // t1 = X * X, t2 = -3 / t1, t3 = Y' - t2
    QCOMPARE(eq.slotName(eq.steps()[0].a), std::string("X"));
    QCOMPARE(eq.slotName(eq.steps()[1].a), std::string("-3"));
    QCOMPARE(eq.slotName(eq.steps()[1].b), std::string("t1"));
    QCOMPARE(eq.slotName(eq.steps()[2].a), std::string("Y'"));
    QCOMPARE(std::string(Equation::opName(eq.steps()[2].op)), std::string("-"));
    QCOMPARE(eq.steps()[2].column, 4);
    const std::vector<double> t = eq.trace(2, kY, 0);
    QCOMPARE(t.size(), std::size_t(3));
    QCOMPARE(t[0], 4.0);
    QCOMPARE(t[1], -0.75);
    QCOMPARE(t[2], 5.75);
}

QTEST_APPLESS_MAIN(TestNotation)
#include "tst_notation.moc"
