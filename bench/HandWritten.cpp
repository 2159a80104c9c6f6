#include "HandWritten.h"

#include <cvodes/cvodes.h>
#include <nvector/nvector_serial.h>
#include <sundials/sundials_context.h>
#include <sunlinsol/sunlinsol_dense.h>
#include <sunmatrix/sunmatrix_dense.h>

#include <algorithm>
#include <cmath>
#include <map>

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

int cvRhs(sunrealtype x, N_Vector y, N_Vector ydot, void *user) {
    const Example *e = static_cast<const Example *>(user);
    e->rhs(x, N_VGetArrayPointer(y), N_VGetArrayPointer(ydot));
    const double *f = N_VGetArrayPointer(ydot);
    for (int i = 0; i < e->order; ++i)
        if (!std::isfinite(f[i])) return 1;  // recoverable: CVODES retries a smaller step
    return 0;
}

int cvJac(sunrealtype x, N_Vector y, N_Vector, SUNMatrix J, void *user, N_Vector, N_Vector,
          N_Vector) {
    const Example *e = static_cast<const Example *>(user);
    const int n = e->order;
    double row[3] = {0, 0, 0};
    e->jac(x, N_VGetArrayPointer(y), row);
    SUNMatZero(J);
    for (int k = 0; k + 1 < n; ++k) SM_ELEMENT_D(J, k, k + 1) = 1;
    for (int k = 0; k < n; ++k) SM_ELEMENT_D(J, n - 1, k) = row[k];
    return 0;
}

}  // namespace

bool hasHandWritten(const std::string &stem) { return examples().count(stem) != 0; }

PlotValues solveHandWritten(const std::string &stem, double x0, const std::vector<double> &init,
                            int nPoints, double dx, const IntegratorSettings &s) {
    PlotValues out;
    const Example &e = examples().at(stem);
    const int n = e.order;
    SUNContext ctx = nullptr;
    SUNContext_Create(nullptr, &ctx);
    N_Vector y = N_VNew_Serial(n, ctx);
    N_Vector atol = N_VNew_Serial(n, ctx);
    for (int i = 0; i < n; ++i) {
        NV_Ith_S(y, i) = init[static_cast<size_t>(i)];
        NV_Ith_S(atol, i) = s.atol * std::max(1.0, std::fabs(init[static_cast<size_t>(i)]));
    }
    void *mem = CVodeCreate(s.bdf ? CV_BDF : CV_ADAMS, ctx);
    SUNMatrix J = SUNDenseMatrix(n, n, ctx);
    SUNLinearSolver LS = SUNLinSol_Dense(y, J, ctx);
    CVodeInit(mem, cvRhs, x0, y);
    CVodeSVtolerances(mem, s.rtol, atol);
    CVodeSetUserData(mem, const_cast<Example *>(&e));
    CVodeSetLinearSolver(mem, LS, J);
    CVodeSetJacFn(mem, cvJac);
    CVodeSetMaxNumSteps(mem, s.maxSteps);
    CVodeSetStopTime(mem, x0 + (nPoints - 1) * dx);

    std::vector<double> f(static_cast<size_t>(n));
    out.ok = true;
    for (int k = 0; k < nPoints; ++k) {
        const double xk = x0 + k * dx;
        double t = x0;
        if (k > 0) {
            const int flag = CVode(mem, xk, y, &t, CV_NORMAL);
            if (flag < 0) {
                out.ok = false;
                out.error = "CVode flag " + std::to_string(flag) + " at x " + std::to_string(t);
                break;
            }
        }
        const double *v = N_VGetArrayPointer(y);
        out.x.push_back(xk);
        out.y.push_back(v[0]);
        if (n > 1) {
            out.yp.push_back(v[1]);
        } else {
            e.rhs(xk, v, f.data());
            out.yp.push_back(f[0]);
        }
    }
    CVodeFree(&mem);
    SUNLinSolFree(LS);
    SUNMatDestroy(J);
    N_VDestroy(atol);
    N_VDestroy(y);
    SUNContext_Free(&ctx);
    return out;
}

}  // namespace bench
