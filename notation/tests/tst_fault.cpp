// Naming the step that makes an equation's value (or slope) not finite.
#include "notation/Fault.h"

#include <QtTest>

class TstFault : public QObject {
    Q_OBJECT
private slots:
    void names_data() {
        QTest::addColumn<QString>("equation");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<QString>("text");  // empty: no fault
        QTest::newRow("sqrt") << "Y' = SQRT(-1 - Y)" << 0.0 << 0.5
                              << "SQRT of a negative number (-1.5) at column 6";
        QTest::newRow("log") << "Y' = Y + LOG( X)" << -1.0 << 0.0
                             << "LOG of a non-positive number (-1) at column 10";
        QTest::newRow("exp") << "Y' = 2 * EXP( 1000 Y)" << 0.0 << 1.0
                             << "EXP overflow (1000) at column 10";
        QTest::newRow("division") << "Y' = Y + (1 / X)" << 0.0 << 1.0
                                  << "Division by zero (1 / 0) at column 13";
        QTest::newRow("power") << "Y' = Y^0.5" << 0.0 << -4.0
                               << "A negative number to a fractional power (-4 ^ 0.5) at column 7";
        QTest::newRow("asin") << "Y' = ASIN( Y)" << 0.0 << 2.0
                              << "ASIN of a number outside -1 to 1 (2) at column 6";
        QTest::newRow("slope only") << "Y' = SQRT( Y)" << 0.0 << 0.0
                                    << "SQRT at 0 has no finite slope at column 6";
        QTest::newRow("first of two") << "Y' = LOG( Y) + SQRT( Y)" << 0.0 << -1.0
                                      << "LOG of a non-positive number (-1) at column 6";
        QTest::newRow("finite") << "Y' = Y / (1 + X)" << 1.0 << 2.0 << "";
    }
    void names() {
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

QTEST_GUILESS_MAIN(TstFault)
#include "tst_fault.moc"
