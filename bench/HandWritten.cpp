#include "HandWritten.h"

#include "solver/Bdf.h"
#include "solver/Dop853.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

namespace bench {
namespace {

// y[0] = Y, y[1] = Y', ...; f = d/dx of y.
using Rhs = void (*)(double x, const double *y, double *f);
// The last row of the Jacobian (the rows above are the shift z_k' = z_(k+1)).
using Jac = void (*)(double x, const double *y, double *row);

struct Example {
    int order;
    Rhs rhs;
    Jac jac;
};

const std::map<std::string, Example> &examples() {
    static const std::map<std::string, Example> m = {
        // Y' * Y'' = 2
        {"ExIVP.1",
         {2, [](double, const double *y, double *f) { f[0] = y[1]; f[1] = 2 / y[1]; },
          [](double, const double *y, double *j) { j[0] = 0; j[1] = -2 / (y[1] * y[1]); }}},
        // Y^2 * 3 - Y'' = 0
        {"ExIVP.2",
         {2, [](double, const double *y, double *f) { f[0] = y[1]; f[1] = 3 * y[0] * y[0]; },
          [](double, const double *y, double *j) { j[0] = 6 * y[0]; j[1] = 0; }}},
        // Y'' + (4 * Y) = 0
        {"ExIVP.3",
         {2, [](double, const double *y, double *f) { f[0] = y[1]; f[1] = -4 * y[0]; },
          [](double, const double *, double *j) { j[0] = -4; j[1] = 0; }}},
        // Y' = (Y+X)/(Y-X)
        {"ExIVP.4",
         {1, [](double x, const double *y, double *f) { f[0] = (y[0] + x) / (y[0] - x); },
          [](double x, const double *y, double *j) { j[0] = -2 * x / ((y[0] - x) * (y[0] - x)); }}},
        // Y' = -Y * TAN( X)
        {"ExIVP.5",
         {1, [](double x, const double *y, double *f) { f[0] = -y[0] * std::tan(x); },
          [](double x, const double *, double *j) { j[0] = -std::tan(x); }}},
        // Y  Y'''/ 3 - (Y'' Y' ) X = Y' ^2
        {"ExProb.1",
         {3,
          [](double x, const double *y, double *f) {
              f[0] = y[1];
              f[1] = y[2];
              f[2] = 3 * (y[1] * y[1] / x + y[2] * y[1]) / y[0];
          },
          [](double x, const double *y, double *j) {
              j[0] = -3 * (y[1] * y[1] / x + y[2] * y[1]) / (y[0] * y[0]);
              j[1] = 3 * (2 * y[1] / x + y[2]) / y[0];
              j[2] = 3 * y[1] / y[0];
          }}},
    };
    return m;
}

// The example as the solver's steppers take it.
class Compiled : public quadrel::solver::OdeRhs {
public:
    explicit Compiled(const Example &e) : e_(e) {}
    bool operator()(double x, const double *u, double *du) override {
        e_.rhs(x, u, du);
        for (int i = 0; i < e_.order; ++i)
            if (!std::isfinite(du[i])) return false;
        return true;
    }
    bool jacobian(double x, const double *u, double *J, double *dfda) override {
        const int n = e_.order;
        double row[3] = {0, 0, 0};
        e_.jac(x, u, row);
        for (int i = 0; i < n * n; ++i) J[i] = 0;
        for (int k = 0; k + 1 < n; ++k) J[k * n + k + 1] = 1;
        for (int k = 0; k < n; ++k) J[(n - 1) * n + k] = row[k];
        for (int k = 0; k < n; ++k) dfda[k] = 0;
        return true;
    }

private:
    const Example &e_;
};

}  // namespace

bool hasHandWritten(const std::string &stem) { return examples().count(stem) != 0; }

PlotValues solveHandWritten(const std::string &stem, double x0, const std::vector<double> &init,
                            int nPoints, double dx, const IntegratorSettings &s) {
    PlotValues out;
    const Example &e = examples().at(stem);
    const int n = e.order;
    Compiled f(e);
    quadrel::solver::Dop853 dop(f);
    std::unique_ptr<quadrel::solver::Bdf> bdf;
    quadrel::solver::Stepper *st = &dop;
    if (s.bdf) st = (bdf = std::make_unique<quadrel::solver::Bdf>(f, n, 0, false)).get();
    std::vector<double> atol(static_cast<size_t>(n)), u(static_cast<size_t>(n)), du(u);
    for (int i = 0; i < n; ++i)
        atol[size_t(i)] = s.atol * std::max(1.0, std::fabs(init[size_t(i)]));
    st->setTolerances(s.rtol, atol);
    const double xEnd = x0 + (nPoints - 1) * dx;
    out.ok = nPoints < 2 || st->start(x0, init.data(), n, xEnd);
    int k = 0;
    out.x.reserve(size_t(nPoints));  // both solvers' tables are collected alike
    out.y.reserve(size_t(nPoints));
    out.yp.reserve(size_t(nPoints));
    auto observe = [&](double xk, const double *v) {
        out.x.push_back(xk);
        out.y.push_back(v[0]);
        if (n > 1) {
            out.yp.push_back(v[1]);
        } else {
            f(xk, v, du.data());
            out.yp.push_back(du[0]);
        }
        ++k;
    };
    observe(x0, init.data());
    while (out.ok && k < nPoints) {
        if (st->step() == quadrel::solver::Stepper::Result::Failed) {
            out.ok = false;
            out.error = st->message();
            break;
        }
        for (double xk = x0 + k * dx; k < nPoints && (st->x() - xk) * dx >= 0; xk = x0 + k * dx) {
            st->interpolate(xk, u.data());
            observe(xk, u.data());
        }
    }
    return out;
}

}  // namespace bench
