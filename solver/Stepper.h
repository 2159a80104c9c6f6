#pragma once
// One step at a time of an integration method with error control and dense output: the
// driver observes output points between steps by interpolation, counts the steps between
// them and watches for blow-up, whichever method steps.
#include "solver/System.h"

#include <string>
#include <vector>

namespace quadrel::solver {

class Stepper {
public:
    enum class Result { Ok, Failed, Stiff };

    virtual ~Stepper() = default;

    // The tolerances of every step: relative rtol, and absolute atol[i] for component i of
    // the state; components beyond atol.size() (sensitivities) ride along on the same steps
    // without their own error control.
    void setTolerances(double rtol, const std::vector<double> &atol) {
        rtol_ = rtol;
        atol_.assign(atol.begin(), atol.end());  // keeps the capacity of earlier passes
    }
    // Starts at x with the dim components u, stepping toward xEnd and never past it.
    // False when f has no value at the start.
    virtual bool start(double x, const double *u, int dim, double xEnd) = 0;
    // One accepted step. Stiff: the step was accepted but the method keeps its step size
    // down for stability rather than accuracy; an implicit method should take over.
    // Failed: message() says why.
    virtual Result step() = 0;
    virtual double x() const = 0;
    virtual const double *u() = 0;       // all dim components at x()
    virtual double lastStep() const = 0;
    // All components at a point of the last step, [x() - lastStep(), x()].
    virtual void interpolate(double x, double *u) = 0;
    virtual const char *name() const = 0;

    const std::string &message() const { return message_; }

    long steps = 0, rhsEvals = 0, jacEvals = 0;

protected:
    double rtol_ = 1e-12;
    std::vector<double> atol_;
    std::string message_;
};

}  // namespace quadrel::solver
