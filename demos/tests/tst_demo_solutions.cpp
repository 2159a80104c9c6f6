// The closed-form solutions of the example problems: that each solves its equation as the
// notation reads it, that its derivatives agree with each other, that the plotted range and
// the data points stay clear of the equation's singular points, and that the initial values
// of the initial value problems are the closed form's.
#include "demos/DemoSolutions.h"
#include "notation/Equation.h"

#include <QtTest>
#include <algorithm>
#include <cmath>
#include <sstream>

using demos::DemoCase;

Q_DECLARE_METATYPE(const DemoCase *)

namespace {

std::vector<double> closedForm(const DemoCase &c, double x) {
    std::vector<double> y(static_cast<size_t>(c.order) + 1);
    for (int k = 0; k <= c.order; ++k) y[static_cast<size_t>(k)] = c.d(x, k);
    return y;
}

// Every X where the equation is evaluated: the plot points and the data points, plus x0.
std::vector<double> checkedPoints(const DemoCase &c) {
    std::vector<double> xs;
    for (int k = 0; k < c.nPoints; ++k) xs.push_back(c.plotX(k));
    for (const char *x : c.dataX) xs.push_back(std::stod(x));
    return xs;
}

void addDemoRows() {
    QTest::addColumn<const DemoCase *>("demo");
    for (const DemoCase &c : demos::allDemos()) QTest::newRow(c.stem) << &c;
}

}  // namespace

class TestDemoSolutions : public QObject {
    Q_OBJECT
private slots:
    void closedFormSolvesEquation_data() { addDemoRows(); }
    // At every plot and data point each derivative of the closed form is the central
    // difference of the one below it (a slip in a hand-derived formula shows here), and the
    // residual of the equation as the notation parses it vanishes relative to its terms.
    // Across the whole span the equation can be solved for its highest derivative: that
    // partial stays away from zero and every partial stays finite and moderate.
    void closedFormSolvesEquation() {
        QFETCH(const DemoCase *, demo);
        const notation::Equation eq = notation::Equation::parse(demo->equation);
        QCOMPARE(eq.order(), demo->order);
        QCOMPARE(eq.usesA(), demo->usesA());
        const double a = demo->usesA() ? demo->trueA : 1.0;
        std::vector<double> dY(static_cast<size_t>(demo->order) + 1);
        double dX = 0, dA = 0;
        for (double x : checkedPoints(*demo)) {
            for (int k = 0; k < demo->order; ++k) {
                const double h = 1e-5 * std::max(1.0, std::fabs(x));
                const double fd = (demo->d(x + h, k) - demo->d(x - h, k)) / (2 * h);
                const double exact = demo->d(x, k + 1);
                QVERIFY2(std::fabs(fd - exact) <= 1e-6 * std::max(1.0, std::fabs(exact)),
                         qPrintable(QStringLiteral("x=%1 k=%2: %3 vs %4").arg(x).arg(k + 1).arg(fd).arg(exact)));
            }
            const std::vector<double> y = closedForm(*demo, x);
            const double f = eq.residualWithGradient(x, y.data(), a, dY.data(), &dX, &dA);
            double scale = 1;
            for (size_t k = 0; k < y.size(); ++k) scale += std::fabs(dY[k] * y[k]);
            QVERIFY2(std::fabs(f) <= 1e-12 * scale,
                     qPrintable(QStringLiteral("x=%1: residual %2 (scale %3)").arg(x).arg(f).arg(scale)));
        }
        const std::vector<double> xs = checkedPoints(*demo);
        const double lo = *std::min_element(xs.begin(), xs.end());
        const double hi = *std::max_element(xs.begin(), xs.end());
        for (int i = 0; i <= 2000; ++i) {
            const double x = lo + (hi - lo) * i / 2000;
            const std::vector<double> y = closedForm(*demo, x);
            const double f = eq.residualWithGradient(x, y.data(), a, dY.data(), &dX, &dA);
            bool sound = std::isfinite(f) && std::isfinite(dA) && std::fabs(dX) < 1e6 && std::fabs(dY.back()) >= 1e-2;
            for (double p : dY) sound = sound && std::fabs(p) < 1e6;
            QVERIFY2(sound, qPrintable(QStringLiteral("x=%1").arg(x)));
        }
    }

    void initialValues_data() { addDemoRows(); }
    // An initial value problem starts on the closed form (up to the last printed digit); the
    // first guesses of a boundary problem are off the true values but within reach.
    void initialValues() {
        QFETCH(const DemoCase *, demo);
        std::istringstream in(demo->initText);
        std::vector<double> v;
        for (double d; in >> d;) v.push_back(d);
        QCOMPARE(static_cast<int>(v.size()), demo->order);
        const double x0 = demo->x0();
        for (int k = 0; k < demo->order; ++k) {
            const double exact = demo->d(x0, k);
            const double err = std::fabs(v[static_cast<size_t>(k)] - exact);
            if (!demo->isBvp()) {
                QVERIFY2(err <= 1e-15 * std::max(std::fabs(exact), 1e-3),
                         qPrintable(QStringLiteral("Y(%1) %2 vs %3").arg(k).arg(v[k]).arg(exact)));
            } else {
                QVERIFY(err > 1e-4 * std::max(std::fabs(exact), 1.0));
                QVERIFY(err <= 0.5 * std::max(std::fabs(exact), 1.0));
            }
        }
        if (demo->usesA()) {
            const double guess = std::stod(demo->aText);
            QVERIFY(guess != demo->trueA);
            QVERIFY(std::fabs(guess - demo->trueA) <= 0.25 * std::fabs(demo->trueA));
        }
        // A fit needs at least as many data points as unknowns.
        if (demo->isBvp())
            QVERIFY(static_cast<int>(demo->dataX.size()) > demo->order + (demo->usesA() ? 1 : 0));
    }
};

QTEST_GUILESS_MAIN(TestDemoSolutions)
#include "tst_demo_solutions.moc"
