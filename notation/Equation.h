#pragma once
// The equation notation: parsing an ODE typed in Quadrel's plain notation into a compact
// evaluation program, and evaluating its residual F(X, Y, Y', ..., Y^(n), A) with
// forward-mode derivatives. Qt-free: the checker library and the solver link it alone.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace notation {

// A parse failure: the 1-based column where it was found and a message a student reads.
class ParseError : public std::runtime_error {
public:
    ParseError(int column, const std::string &message)
        : std::runtime_error(message), column_(column) {}
    int column() const { return column_; }

private:
    int column_;
};

// Partial derivatives of the residual at one point.
struct Gradient {
    double dX = 0;                // dF/dX
    double dA = 0;                // dF/dA
    std::vector<double> dY;       // dF/dY^(k), k = 0..order
};

class Equation {
public:
    // Parses text; throws ParseError. The equation means left - right = 0.
    static Equation parse(std::string_view text);

    int order() const;                 // highest derivative of Y that appears (>= 1)
    bool usesA() const;                // whether the parameter A appears
    bool usesDerivative(int k) const;  // whether Y^(k) appears (k = 0 is Y itself)

    // Residual at x with y[k] = Y^(k), k = 0..order, and parameter a. Allocates nothing.
    double residual(double x, const double *y, double a) const;
    // Residual and all partial derivatives in one pass. dY must hold order()+1 values.
    // Allocates nothing.
    double residualWithGradient(double x, const double *y, double a,
                                double *dY, double *dX, double *dA) const;

    // (Further members: the stored steps for the checker's listing, etc.)
};

}  // namespace notation
