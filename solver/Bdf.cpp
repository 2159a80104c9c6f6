#include "solver/Bdf.h"

#include <cvodes/cvodes.h>
#include <sunlinsol/sunlinsol_dense.h>
#include <sunmatrix/sunmatrix_dense.h>

#include <algorithm>

namespace quadrel::solver {

namespace {

// Why a BDF step failed, in the solver's words.
std::string failureText(int flag) {
    switch (flag) {
    case CV_TOO_MUCH_WORK: return "BDF took too many steps toward the next point";
    case CV_TOO_MUCH_ACC: return "BDF cannot reach the accuracy asked for in double precision";
    case CV_ERR_FAILURE: return "BDF steps failed their error test repeatedly down to the smallest step";
    case CV_CONV_FAILURE: return "BDF's Newton iteration failed to converge repeatedly down to the smallest step";
    case CV_RHSFUNC_FAIL:
    case CV_FIRST_RHSFUNC_ERR:
    case CV_REPTD_RHSFUNC_ERR:
    case CV_UNREC_RHSFUNC_ERR: return "BDF found no value of the equation at the points it tried";
    case CV_LSETUP_FAIL:
    case CV_LSOLVE_FAIL: return "BDF could not solve its linear system (the Jacobian is singular or not finite)";
    default: return "BDF stopped with failure code " + std::to_string(flag);
    }
}

}  // namespace

Bdf::Bdf(OdeRhs &f, int order, int nParams, bool fitA)
    : f_(f), n_(order), nParams_(nParams), fitA_(fitA), cacheZ_(size_t(order)),
      J_(size_t(order * order)), dfda_(size_t(order)),
      buf_(size_t(order * (1 + nParams))) {
    SUNContext_Create(nullptr, &ctx_);
    y_ = N_VNew_Serial(n_, ctx_);
    N_VEnableFusedOps_Serial(y_, SUNTRUE);
    tmp_ = N_VNew_Serial(n_, ctx_);
    A_ = SUNDenseMatrix(n_, n_, ctx_);
    LS_ = SUNLinSol_Dense(y_, A_, ctx_);
    yS_ = N_VCloneVectorArray(nParams_, y_);
    ySTmp_ = N_VCloneVectorArray(nParams_, y_);
    mem_ = CVodeCreate(CV_BDF, ctx_);
    CVodeInit(mem_, rhsFn, 0.0, y_);
    CVodeSetUserData(mem_, this);
    CVodeSetErrHandlerFn(mem_, errFn, this);
    CVodeSetLinearSolver(mem_, LS_, A_);
    CVodeSetJacFn(mem_, jacFn);
    CVodeSetMaxHnilWarns(mem_, -1);
}

Bdf::~Bdf() {
    CVodeFree(&mem_);
    N_VDestroyVectorArray(yS_, nParams_);
    N_VDestroyVectorArray(ySTmp_, nParams_);
    SUNLinSolFree(LS_);
    SUNMatDestroy(A_);
    N_VDestroy(tmp_);
    N_VDestroy(y_);
    SUNContext_Free(&ctx_);
}

bool Bdf::start(double x, const double *u, int dim, double xEnd) {
    sens_ = dim > n_ && nParams_ > 0;
    t_ = x;
    xEnd_ = xEnd;
    hLast_ = 0;
    cacheValid_ = false;
    message_.clear();
    double *y = N_VGetArrayPointer(y_);
    std::copy(u, u + n_, y);
    CVodeReInit(mem_, x, y_);
    double *atol = N_VGetArrayPointer(tmp_);
    for (int k = 0; k < n_; ++k) atol[k] = atol_[size_t(k)];
    CVodeSVtolerances(mem_, rtol_, tmp_);
    if (sens_) {
        for (int j = 0; j < nParams_; ++j)
            std::copy(u + n_ * (1 + j), u + n_ * (2 + j), N_VGetArrayPointer(yS_[j]));
        if (!sensInit_) {
            CVodeSensInit(mem_, nParams_, CV_STAGGERED, sensFn, yS_);
            sensInit_ = true;
        } else {
            CVodeSensReInit(mem_, CV_STAGGERED, yS_);
        }
        CVodeSensEEtolerances(mem_);
        CVodeSetSensErrCon(mem_, SUNFALSE);
    } else if (sensInit_) {
        CVodeSensToggleOff(mem_);
    }
    CVodeSetStopTime(mem_, xEnd);
    CVodeSetInitStep(mem_, (xEnd > x ? 1 : -1) * initialStep_);  // 0: CVODES estimates it
    initialStep_ = 0;
    stepsSeen_ = rhsSeen_ = jacSeen_ = 0;
    return f_.stateRhs(x, y, N_VGetArrayPointer(tmp_));
}

void Bdf::collectStats() {
    long ns = 0, nf = 0, nj = 0;
    CVodeGetNumSteps(mem_, &ns);
    CVodeGetNumRhsEvals(mem_, &nf);
    CVodeGetNumJacEvals(mem_, &nj);
    steps += ns - stepsSeen_;
    rhsEvals += nf - rhsSeen_;
    jacEvals += nj - jacSeen_;
    stepsSeen_ = ns;
    rhsSeen_ = nf;
    jacSeen_ = nj;
}

Stepper::Result Bdf::step() {
    const int flag = CVode(mem_, xEnd_, y_, &t_, CV_ONE_STEP);
    collectStats();
    if (flag < 0) {
        message_ = failureText(flag);
        return Result::Failed;
    }
    CVodeGetLastStep(mem_, &hLast_);
    return Result::Ok;
}

const double *Bdf::u() {
    std::copy(N_VGetArrayPointer(y_), N_VGetArrayPointer(y_) + n_, buf_.begin());
    if (sens_) {
        CVodeGetSensDky(mem_, t_, 0, ySTmp_);
        for (int j = 0; j < nParams_; ++j)
            std::copy(N_VGetArrayPointer(ySTmp_[j]), N_VGetArrayPointer(ySTmp_[j]) + n_,
                      buf_.begin() + n_ * (1 + j));
    }
    return buf_.data();
}

void Bdf::interpolate(double x, double *u) {
    CVodeGetDky(mem_, x, 0, tmp_);
    std::copy(N_VGetArrayPointer(tmp_), N_VGetArrayPointer(tmp_) + n_, u);
    if (!sens_) return;
    CVodeGetSensDky(mem_, x, 0, ySTmp_);
    for (int j = 0; j < nParams_; ++j)
        std::copy(N_VGetArrayPointer(ySTmp_[j]), N_VGetArrayPointer(ySTmp_[j]) + n_,
                  u + n_ * (1 + j));
}

bool Bdf::jacobianAt(double t, const double *z) {
    if (cacheValid_ && t == cacheT_ && std::equal(z, z + n_, cacheZ_.begin())) return true;
    cacheValid_ = f_.jacobian(t, z, J_.data(), dfda_.data());
    cacheT_ = t;
    std::copy(z, z + n_, cacheZ_.begin());
    return cacheValid_;
}

int Bdf::rhsFn(sunrealtype t, N_Vector y, N_Vector ydot, void *user) {
    auto *self = static_cast<Bdf *>(user);
    // Recoverable on failure: CVODES tries a smaller step.
    return self->f_.stateRhs(t, N_VGetArrayPointer(y), N_VGetArrayPointer(ydot)) ? 0 : 1;
}

int Bdf::jacFn(sunrealtype t, N_Vector y, N_Vector, SUNMatrix J, void *user, N_Vector,
               N_Vector, N_Vector) {
    auto *self = static_cast<Bdf *>(user);
    if (!self->jacobianAt(t, N_VGetArrayPointer(y))) return 1;
    const int n = self->n_;
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) SM_ELEMENT_D(J, r, c) = self->J_[size_t(r * n + c)];
    return 0;
}

int Bdf::sensFn(int ns, sunrealtype t, N_Vector y, N_Vector, N_Vector *yS, N_Vector *ySdot,
                void *user, N_Vector, N_Vector) {
    auto *self = static_cast<Bdf *>(user);
    if (!self->jacobianAt(t, N_VGetArrayPointer(y))) return 1;
    const int n = self->n_;
    for (int j = 0; j < ns; ++j) {
        const double *s = N_VGetArrayPointer(yS[j]);
        double *d = N_VGetArrayPointer(ySdot[j]);
        for (int r = 0; r < n; ++r) {
            double v = (self->fitA_ && j == n) ? self->dfda_[size_t(r)] : 0.0;
            for (int c = 0; c < n; ++c) v += self->J_[size_t(r * n + c)] * s[c];
            d[r] = v;
        }
    }
    return 0;
}

// The library's own report is not shown (its words name its internals); failureText says
// what happened instead.
void Bdf::errFn(int, const char *, const char *, char *, void *) {}

}  // namespace quadrel::solver
