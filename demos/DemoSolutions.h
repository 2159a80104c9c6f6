#pragma once
// The fifteen example problems and their closed-form solutions, in one place for the demo
// files' generator, the demo tests and the benchmark.
//
// Each equation is read as the notation reads it: strictly left to right, no precedence,
// a parenthesised group is one term and a unary minus takes the next term only. The
// comment above each case gives the equation in ordinary notation as it is read, and the
// closed form that solves it.
//
// Plain C++ (no Qt), so that every consumer can include it.
#include <cmath>
#include <string>
#include <vector>

namespace demos {

struct DemoCase {
    const char *stem;       // file stem: the file is stem + ".ode"
    const char *equation;   // the equation answer, exactly as in the file
    int order;              // highest derivative in the equation
    const char *aText;      // answer 2: the start value of A ("" when the equation has no A)
    double trueA;           // the A of the closed form (NaN when the equation has no A)
    const char *x0Text;     // answer 3
    const char *initText;   // answer 4: initial values (IVP) or their first guesses (BVP)
    int nPoints;            // answer 5
    const char *dxText;     // answer 6
    std::vector<const char *> dataX;  // X of the data points; Y comes from the closed form
    const char *note1;
    const char *note2;
    // k-th derivative of the closed-form solution, k = 0 .. order.
    double (*d)(double x, int k);

    bool isBvp() const { return !dataX.empty(); }
    bool usesA() const { return !std::isnan(trueA); }
    double x0() const { return std::stod(x0Text); }
    double dx() const { return std::stod(dxText); }
    double plotX(int k) const { return x0() + k * dx(); }
    double y(double x) const { return d(x, 0); }
    double yp(double x) const { return d(x, 1); }
    std::string fileName() const { return std::string(stem) + ".ode"; }
};

namespace detail {

constexpr double kNoA = NAN;

// ((X^2 + A) Y')' = -3 / X^2, solved for A > 0:
//   Y = (3/A)(ln X - ln(X^2 + A)/2) + (c1/sqrt A) atan(X / sqrt A) + c0,
//   Y' = (3/X + c1) / (X^2 + A).
inline double flux(double x, int k, double A, double c1, double c0) {
    const double h = x * x + A, g = 3 / x + c1, r = std::sqrt(A);
    switch (k) {
    case 0: return 3 / A * (std::log(x) - std::log(h) / 2) + c1 / r * std::atan(x / r) + c0;
    case 1: return g / h;
    default: return (-3 / (x * x) * h - g * 2 * x) / (h * h);
    }
}

}  // namespace detail

inline const std::vector<DemoCase> &allDemos() {
    using detail::kNoA;
    static const std::vector<DemoCase> cases = {
        // Y' Y'' = 2;  Y = (4/3)(X+1)^(3/2) - 1/3,  Y' = 2 sqrt(X+1)  (Y' = 0 at X = -1).
        {"ExIVP.1", "Y' * Y'' = 2", 2, "", kNoA, "0", "1 2", 21, ".1", {},
         "Y(0) = 1 & Y'(0) = 2", "Sol'n: Y = (4/3)(X+1)^1.5 - 1/3",
         [](double x, int k) {
             const double s = std::sqrt(x + 1);
             return k == 0 ? 4.0 / 3 * s * s * s - 1.0 / 3 : k == 1 ? 2 * s : 1 / s;
         }},
        // 3 Y^2 - Y'' = 0;  Y = 2 / (1-X)^2, which blows up at X = 1.
        {"ExIVP.2", "Y^2 * 3 - Y'' = 0", 2, "", kNoA, "0", "2 4", 13, ".05", {},
         "Y(0) = 2 & Y'(0) = 4", "Sol'n: Y = 2 / (1-X)^2, blows up at X = 1",
         [](double x, int k) {
             const double u = 1 / (1 - x);
             return k == 0 ? 2 * u * u : k == 1 ? 4 * u * u * u : 12 * u * u * u * u;
         }},
        // Y'' + 4Y = 0;  Y = sin(2X)/2.
        {"ExIVP.3", "Y'' + (4 * Y) = 0", 2, "", kNoA, "0", "0 1", 41, ".1", {},
         "Y(0) = 0 & Y'(0) = 1", "Sol'n: Y = SIN(2 X) / 2",
         [](double x, int k) {
             return k == 0 ? std::sin(2 * x) / 2 : k == 1 ? std::cos(2 * x) : -2 * std::sin(2 * x);
         }},
        // Y' = (Y+X)/(Y-X);  X^2 + 2XY - Y^2 = const, through (-2, 3): Y = X + sqrt(2X^2 + 17),
        // so Y - X never vanishes.
        {"ExIVP.4", "Y' = (Y+X)/(Y-X)", 1, "", kNoA, "-2", "3", 21, ".2", {},
         "Y(-2) = 3", "Sol'n: Y = X + SQRT(2 X^2 + 17)",
         [](double x, int k) {
             const double s = std::sqrt(2 * x * x + 17);
             return k == 0 ? x + s : 1 + 2 * x / s;
         }},
        // Y' = (-Y) tan X;  Y = 4 cos X / cos(3.14159), plotted backwards from 3.14159 and
        // clear of the pole of tan at pi/2.
        {"ExIVP.5", "Y' = -Y * TAN( X)", 1, "", kNoA, "3.14159", "4", 15, "-.1", {},
         "Y(3.14159) = 4, plotted backwards", "Sol'n: Y = 4 COS(X) / COS(3.14159)",
         [](double x, int k) {
             const double c = 4 / std::cos(3.14159);
             return k == 0 ? c * std::cos(x) : -c * std::sin(x);
         }},
        // Y'' - 2 = 0;  Y = X^2 - 3X + 1.
        {"ExBVP.1", "Y'' - 2 = 0", 2, "", kNoA, "0", ".5 -2", 21, ".2", {"-1", "1", "2", "3", "4"},
         "Sol'n: Y = X^2 - 3 X + 1", "",
         [](double x, int k) { return k == 0 ? (x - 3) * x + 1 : k == 1 ? 2 * x - 3 : 2.0; }},
        // Y' Y'' - X = 0;  Y'^2 = X^2 + 1:  Y = (X sqrt(X^2+1) + asinh X)/2 + 1.
        {"ExBVP.2", "Y' * Y'' - X = 0", 2, "", kNoA, "0", "1.1 .95", 16, ".2",
         {"-2", "-1", "1", "2", "3"},
         "Sol'n: Y = (X SQRT(X^2+1) + ASINH(X))/2 + 1", "",
         [](double x, int k) {
             const double r = std::sqrt(x * x + 1);
             return k == 0 ? (x * r + std::asinh(x)) / 2 + 1 : k == 1 ? r : x / r;
         }},
        // 2 Y^2 Y'' - 1 = 2 Y Y'^2;  Y = cosh(u)^(2/3) with u = (sqrt 3 / 2)(X - 1).
        {"ExBVP.3", "Y^2 * 2 * Y'' - 1 = Y' ^2 * 2 * Y", 2, "", kNoA, "0", "1.25 -.45", 16, ".2",
         {"-1", ".5", "1", "2", "3"},
         "Sol'n: Y = COSH(U)^(2/3), U = (X-1) SQRT(3)/2", "",
         [](double x, int k) {
             const double q = std::sqrt(3.0) / 2, u = q * (x - 1);
             const double c = std::cosh(u), s = std::sinh(u);
             if (k == 0) return std::cbrt(c * c);
             if (k == 1) return 2.0 / 3 * q * s / std::cbrt(c);
             return 2.0 / 3 * q * q * (std::cbrt(c * c) - s * s / (3 * c * std::cbrt(c)));
         }},
        // (X^2+1) Y'' + 2X Y' = -3/X^2;  Y = 3 ln X - (3/2) ln(X^2+1) + 2 atan X + 1.
        {"ExBVP.4", "(X * X + 1) * Y'' + (2 * X * Y' ) = -3 / (X*X)", 2, "", kNoA, "1",
         "1.5 2.2", 16, ".2", {".5", "1.5", "2", "3", "4"},
         "Sol'n: Y = 3 LOG(X) - 1.5 LOG(X^2+1) + 2 ATAN(X) + 1", "",
         [](double x, int k) { return detail::flux(x, k, 1, 2, 1); }},
        // Y' Y'' = A X;  A = 4, Y'^2 = 4X^2 + 1:  Y = X sqrt(4X^2+1)/2 + asinh(2X)/4 + 1/2.
        {"ExBVP.5", "Y' * Y'' = A * X", 2, "3.9", 4, "0", ".55 1.05", 21, ".1",
         {"-1", "-.5", ".5", "1", "1.5", "2"},
         "Find 'A' to best fit boundary points; A = 4",
         "Sol'n: Y = X SQRT(4 X^2+1)/2 + ASINH(2 X)/4 + .5",
         [](double x, int k) {
             const double r = std::sqrt(4 * x * x + 1);
             return k == 0 ? x * r / 2 + std::asinh(2 * x) / 4 + 0.5 : k == 1 ? r : 4 * x / r;
         }},
        // (X^2+1) Y'' + 2X Y' + A/X^2 = 0;  A = 2:  Y = 2 ln X - ln(X^2+1) + atan X + 1/2.
        {"ExBVP.6", "(X * X + 1) * Y'' + (2 * X * Y' ) + (X^ -2 * A) = 0", 2, "1.5", 2, "1",
         ".5 1.2", 16, ".2", {".5", "1.5", "2", "2.5", "3", "4"},
         "Find A to fit boundary pt.s; A = 2",
         "Sol'n: Y = 2 LOG(X) - LOG(X^2+1) + ATAN(X) + .5",
         [](double x, int k) {
             const double h = x * x + 1, g = 2 / x + 1;
             return k == 0 ? 2 * std::log(x) - std::log(h) + std::atan(x) + 0.5
                  : k == 1 ? g / h
                           : (-2 / (x * x) * h - g * 2 * x) / (h * h);
         }},
        // (X^2+A) Y'' + 2X Y' + 3/X^2 = 0;  A = 2:
        //   Y = (3/2)(ln X - ln(X^2+2)/2) + atan(X/sqrt 2)/sqrt 2.
        {"ExBVP.7", "(X^2 + A) * Y'' + (2 * X * Y' ) + (3 / X / X) = 0", 2, "1.95", 2, "1",
         "-.35 1.3", 16, ".2", {".5", "1.5", "2", "2.5", "3", "4"},
         "Find A to fit boundary pt.s; A = 2",
         "Sol'n: Y = 1.5 LOG(X) - .75 LOG(X^2+2) + ATAN(X/SQRT(2))/SQRT(2)",
         [](double x, int k) { return detail::flux(x, k, 2, 1, 0); }},
        // (X^2+A) Y'' + 2X Y' + 3 X^-2 = 0;  A = 1:  Y = 3 ln X - (3/2) ln(X^2+1) - 2 atan X + 2.
        {"ExBVP.8", "(X^2 + A) * Y'' + (2 * X * Y' ) + (X^ -2 * 3) = 0", 2, "1.05", 1, "1",
         "-.55 .55", 21, ".2", {".5", "1.5", "2", "3", "4", "5"},
         "Find A to fit boundary pt.s; A = 1",
         "Sol'n: Y = 3 LOG(X) - 1.5 LOG(X^2+1) - 2 ATAN(X) + 2",
         [](double x, int k) { return detail::flux(x, k, 1, -2, 2); }},
        // -X^2 Y'' + 2X Y' = (X^2+2) Y;  Y = X cos X.
        {"ExBVP.9", "-X X Y'' + (2 X Y' ) = (X^2 + 2) Y", 2, "", kNoA, "1", ".5 -.25", 16, ".2",
         {".5", "1.5", "2", "2.5", "3", "3.5"}, "Sol'n: Y = X COS( X)", "",
         [](double x, int k) {
             const double c = std::cos(x), s = std::sin(x);
             return k == 0 ? x * c : k == 1 ? c - x * s : -2 * s - x * c;
         }},
        // (Y Y'''/3 - Y'' Y') X = Y'^2;  Y = 300 / (450 + X^2). X = 0 is a singular point of
        // the equation (the factor of Y''' vanishes), so the problem starts at X = 1.
        {"ExProb.1", "Y  Y'''/ 3 - (Y'' Y' ) X = Y' ^2", 3, "", kNoA, "1",
         "0.66518847006651882 -0.0029498380047295737 -0.0029236753616721052", 21, "2", {},
         "NonLin ODE...Sol'n: Y = 300 / (450 + X^2)", "",
         [](double x, int k) {
             const double D = 450 + x * x;
             switch (k) {
             case 0: return 300 / D;
             case 1: return -600 * x / (D * D);
             case 2: return (1800 * x * x - 270000) / (D * D * D);
             default: return (3240000 * x - 7200 * x * x * x) / (D * D * D * D);
             }
         }},
    };
    return cases;
}

}  // namespace demos
