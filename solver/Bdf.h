#pragma once
// The backward differentiation formulas of CVODES (SUNDIALS, Debian libsundials-dev),
// orders 1-5, for stiff problems: Newton iteration with the system's exact dense Jacobian,
// forward sensitivities (staggered, without their own error control, like the explicit
// pair's), dense output by the method's own interpolating polynomial.
#include "solver/Stepper.h"

#include <nvector/nvector_serial.h>
#include <sundials/sundials_context.h>
#include <sundials/sundials_linearsolver.h>
#include <sundials/sundials_matrix.h>

namespace quadrel::solver {

class Bdf : public Stepper {
public:
    // order: the state's components; nParams: sensitivities carried when start() gets
    // order * (1 + nParams) components; the last one is the parameter A when fitA.
    Bdf(OdeRhs &f, int order, int nParams, bool fitA);
    ~Bdf() override;
    Bdf(const Bdf &) = delete;
    Bdf &operator=(const Bdf &) = delete;

    bool start(double x, const double *u, int dim, double xEnd) override;
    Result step() override;
    double x() const override { return t_; }
    const double *u() override;
    double lastStep() const override { return hLast_; }
    void interpolate(double x, double *u) override;
    const char *name() const override { return "BDF"; }
    // The first step of the next start (0: CVODES estimates it).
    void setInitialStep(double h) { initialStep_ = h; }

private:
    bool jacobianAt(double t, const double *z);
    void collectStats();

    static int rhsFn(sunrealtype t, N_Vector y, N_Vector ydot, void *user);
    static int jacFn(sunrealtype t, N_Vector y, N_Vector fy, SUNMatrix J, void *user,
                     N_Vector, N_Vector, N_Vector);
    static int sensFn(int ns, sunrealtype t, N_Vector y, N_Vector ydot, N_Vector *yS,
                      N_Vector *ySdot, void *user, N_Vector, N_Vector);
    static void errFn(int code, const char *module, const char *function, char *msg,
                      void *user);

    OdeRhs &f_;
    int n_, nParams_;
    bool fitA_;
    bool sens_ = false;
    double initialStep_ = 0;
    double t_ = 0, hLast_ = 0, xEnd_ = 0;
    long stepsSeen_ = 0, rhsSeen_ = 0, jacSeen_ = 0;

    // The Jacobian cached by (t, z): the Jacobian and the sensitivities ask at one point.
    bool cacheValid_ = false;
    double cacheT_ = 0;
    std::vector<double> cacheZ_, J_, dfda_, buf_;

    SUNContext ctx_ = nullptr;
    void *mem_ = nullptr;
    N_Vector y_ = nullptr, tmp_ = nullptr;
    N_Vector *yS_ = nullptr, *ySTmp_ = nullptr;
    SUNMatrix A_ = nullptr;
    SUNLinearSolver LS_ = nullptr;
    bool sensInit_ = false;
};

}  // namespace quadrel::solver
