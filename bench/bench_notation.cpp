// The notation's evaluation (residual and every partial derivative) against the same
// residuals written by hand in C++ with hand-derived derivatives, for the fifteen examples.
// Both sides are called through a function of the same shape that the compiler cannot
// inline into the loop, as the solver calls them.
//   bench_notation [evaluations]      (default 3000000 per example)
#include "notation/Equation.h"

#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Fn = double (*)(double x, const double *y, double a, double *dY, double *dX, double *dA);

#define HAND __attribute__((noinline)) double

// Each is the equation read strictly left to right, as the notation stores it.
HAND ivp1(double, const double *y, double, double *dY, double *dX, double *dA) {
    dY[0] = 0; dY[1] = y[2]; dY[2] = y[1]; *dX = 0; *dA = 0;
    return y[1] * y[2] - 2;
}
HAND ivp2(double, const double *y, double, double *dY, double *dX, double *dA) {
    dY[0] = 6 * y[0]; dY[1] = 0; dY[2] = -1; *dX = 0; *dA = 0;
    return y[0] * y[0] * 3 - y[2];
}
HAND ivp3(double, const double *y, double, double *dY, double *dX, double *dA) {
    dY[0] = 4; dY[1] = 0; dY[2] = 1; *dX = 0; *dA = 0;
    return y[2] + 4 * y[0];
}
HAND ivp4(double x, const double *y, double, double *dY, double *dX, double *dA) {
    const double d = y[0] - x, id2 = 1 / (d * d);
    dY[0] = 2 * x * id2; dY[1] = 1; *dX = -2 * y[0] * id2; *dA = 0;
    return y[1] - (y[0] + x) / d;
}
HAND ivp5(double x, const double *y, double, double *dY, double *dX, double *dA) {
    const double t = std::tan(x);
    dY[0] = t; dY[1] = 1; *dX = y[0] * (1 + t * t); *dA = 0;
    return y[1] + y[0] * t;
}
HAND bvp1(double, const double *y, double, double *dY, double *dX, double *dA) {
    dY[0] = 0; dY[1] = 0; dY[2] = 1; *dX = 0; *dA = 0;
    return y[2] - 2;
}
HAND bvp2(double x, const double *y, double, double *dY, double *dX, double *dA) {
    dY[0] = 0; dY[1] = y[2]; dY[2] = y[1]; *dX = -1; *dA = 0;
    return y[1] * y[2] - x;
}
HAND bvp3(double, const double *y, double, double *dY, double *dX, double *dA) {
    dY[0] = 4 * y[0] * y[2] - 2 * y[1] * y[1]; dY[1] = -4 * y[1] * y[0]; dY[2] = 2 * y[0] * y[0];
    *dX = 0; *dA = 0;
    return y[0] * y[0] * 2 * y[2] - 1 - y[1] * y[1] * 2 * y[0];
}
HAND bvp4(double x, const double *y, double, double *dY, double *dX, double *dA) {
    const double x2 = x * x;
    dY[0] = 0; dY[1] = 2 * x; dY[2] = x2 + 1;
    *dX = 2 * x * y[2] + 2 * y[1] - 6 / (x2 * x); *dA = 0;
    return (x2 + 1) * y[2] + 2 * x * y[1] + 3 / x2;
}
HAND bvp5(double x, const double *y, double a, double *dY, double *dX, double *dA) {
    dY[0] = 0; dY[1] = y[2]; dY[2] = y[1]; *dX = -a; *dA = -x;
    return y[1] * y[2] - a * x;
}
HAND bvp6(double x, const double *y, double a, double *dY, double *dX, double *dA) {
    const double x2 = x * x;
    dY[0] = 0; dY[1] = 2 * x; dY[2] = x2 + 1;
    *dX = 2 * x * y[2] + 2 * y[1] - 2 * a / (x2 * x); *dA = 1 / x2;
    return (x2 + 1) * y[2] + 2 * x * y[1] + a / x2;
}
HAND bvp7(double x, const double *y, double a, double *dY, double *dX, double *dA) {
    const double x2 = x * x;
    dY[0] = 0; dY[1] = 2 * x; dY[2] = x2 + a;
    *dX = 2 * x * y[2] + 2 * y[1] - 6 / (x2 * x); *dA = y[2];
    return (x2 + a) * y[2] + 2 * x * y[1] + 3 / x / x;
}
HAND bvp8(double x, const double *y, double a, double *dY, double *dX, double *dA) {
    const double x2 = x * x;
    dY[0] = 0; dY[1] = 2 * x; dY[2] = x2 + a;
    *dX = 2 * x * y[2] + 2 * y[1] - 6 / (x2 * x); *dA = y[2];
    return (x2 + a) * y[2] + 2 * x * y[1] + 3 / x2;
}
HAND bvp9(double x, const double *y, double, double *dY, double *dX, double *dA) {
    const double x2 = x * x;
    dY[0] = -(x2 + 2); dY[1] = 2 * x; dY[2] = -x2;
    *dX = -2 * x * y[2] + 2 * y[1] - 2 * x * y[0]; *dA = 0;
    return -x2 * y[2] + 2 * x * y[1] - (x2 + 2) * y[0];
}
HAND prob1(double x, const double *y, double, double *dY, double *dX, double *dA) {
    const double inner = y[0] * y[3] / 3 - y[2] * y[1];
    dY[0] = y[3] * x / 3; dY[1] = -y[2] * x - 2 * y[1]; dY[2] = -y[1] * x; dY[3] = y[0] * x / 3;
    *dX = inner; *dA = 0;
    return inner * x - y[1] * y[1];
}

struct Demo {
    const char *stem;
    const char *equation;
    Fn hand;
};

const Demo kDemos[] = {
    {"ExIVP.1", "Y' * Y'' = 2", ivp1},
    {"ExIVP.2", "Y^2 * 3 - Y'' = 0", ivp2},
    {"ExIVP.3", "Y'' + (4 * Y) = 0", ivp3},
    {"ExIVP.4", "Y' = (Y+X)/(Y-X)", ivp4},
    {"ExIVP.5", "Y' = -Y * TAN( X)", ivp5},
    {"ExBVP.1", "Y'' - 2 = 0", bvp1},
    {"ExBVP.2", "Y' * Y'' - X = 0", bvp2},
    {"ExBVP.3", "Y^2 * 2 * Y'' - 1 = Y' ^2 * 2 * Y", bvp3},
    {"ExBVP.4", "(X * X + 1) * Y'' + (2 * X * Y' ) = -3 / (X*X)", bvp4},
    {"ExBVP.5", "Y' * Y'' = A * X", bvp5},
    {"ExBVP.6", "(X * X + 1) * Y'' + (2 * X * Y' ) + (X^ -2 * A) = 0", bvp6},
    {"ExBVP.7", "(X^2 + A) * Y'' + (2 * X * Y' ) + (3 / X / X) = 0", bvp7},
    {"ExBVP.8", "(X^2 + A) * Y'' + (2 * X * Y' ) + (X^ -2 * 3) = 0", bvp8},
    {"ExBVP.9", "-X X Y'' + (2 X Y' ) = (X^2 + 2) Y", bvp9},
    {"ExProb.1", "Y  Y'''/ 3 - (Y'' Y' ) X = Y' ^2", prob1},
};

const notation::Equation *g_eq = nullptr;
__attribute__((noinline)) double viaNotation(double x, const double *y, double a, double *dY,
                                             double *dX, double *dA) {
    return g_eq->residualWithGradient(x, y, a, dY, dX, dA);
}

// Processor time of this thread in nanoseconds: the machine may be shared, and wall time
// would count the time other programs hold the processor.
double threadNanoseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
}

// Nanoseconds per evaluation, best of several rounds; `sink` keeps the results alive.
// Independent calls can overlap in the processor (throughput); chained calls feed each
// result into the next call's X and Y values, as a Newton iteration does (latency).
double timeIt(Fn f, long n, bool chained, double &sink) {
    const double y[4] = {0.7, -0.3, 1.1, 0.4};
    double dY[4], dX, dA;
    double best = 1e300;
    for (int round = 0; round < 5; ++round) {
        double acc = 0, r = 0;
        const double t0 = threadNanoseconds();
        if (chained) {
            double yy[4];
            for (long i = 0; i < n; ++i) {
                const double e = 1e-30 * (r + dY[1] + dX + dA);
                for (int k = 0; k < 4; ++k) yy[k] = y[k] + e;
                r = f(1.5 + e, yy, 0.9, dY, &dX, &dA);
            }
            acc = r;
        } else {
            for (long i = 0; i < n; ++i) {
                const double x = 1.5 + 1e-7 * double(i & 1023);
                acc += f(x, y, 0.9, dY, &dX, &dA) + dY[1] + dX + dA;
            }
        }
        const double t1 = threadNanoseconds();
        sink += acc;
        best = std::min(best, (t1 - t0) / double(n));
    }
    return best;
}

}  // namespace

int main(int argc, char **argv) {
    const long n = argc > 1 ? std::atol(argv[1]) : 3000000;
    double sink = 0;
    std::printf("Residual + all partial derivatives, %ld evaluations per round, best of 5, thread processor time\n", n);
    std::printf("%-9s %23s   %23s\n", "", "independent calls", "chained calls");
    std::printf("%-9s %8s %8s %5s   %8s %8s %5s  %s\n", "example", "notation", "by hand", "ratio",
                "notation", "by hand", "ratio", "equation");
    double worst = 0, logSum = 0, worstChained = 0, logSumChained = 0;
    for (const Demo &d : kDemos) {
        const notation::Equation eq = notation::Equation::parse(d.equation);
        g_eq = &eq;
        // Both sides must agree before their speed means anything.
        const double y[4] = {0.7, -0.3, 1.1, 0.4};
        double g1[4] = {0, 0, 0, 0}, g2[4] = {0, 0, 0, 0}, x1, x2, a1, a2;
        const double r1 = eq.residualWithGradient(1.3, y, 0.9, g1, &x1, &a1);
        const double r2 = d.hand(1.3, y, 0.9, g2, &x2, &a2);
        bool same = std::fabs(r1 - r2) < 1e-12 * (1 + std::fabs(r2)) &&
                    std::fabs(x1 - x2) < 1e-12 * (1 + std::fabs(x2)) &&
                    std::fabs(a1 - a2) < 1e-12 * (1 + std::fabs(a2));
        for (int k = 0; k <= eq.order(); ++k)
            same = same && std::fabs(g1[k] - g2[k]) < 1e-12 * (1 + std::fabs(g2[k]));
        if (!same) {
            std::printf("%-9s the two evaluations disagree\n", d.stem);
            return 1;
        }
        const double tn = timeIt(viaNotation, n, false, sink);
        const double th = timeIt(d.hand, n, false, sink);
        const double cn = timeIt(viaNotation, n, true, sink);
        const double ch = timeIt(d.hand, n, true, sink);
        const double ratio = tn / th, chainedRatio = cn / ch;
        worst = std::max(worst, ratio);
        worstChained = std::max(worstChained, chainedRatio);
        logSum += std::log(ratio);
        logSumChained += std::log(chainedRatio);
        std::printf("%-9s %8.2f %8.2f %5.2f   %8.2f %8.2f %5.2f  %s\n", d.stem, tn, th, ratio, cn,
                    ch, chainedRatio, d.equation);
    }
    const double count = double(sizeof kDemos / sizeof kDemos[0]);
    std::printf("times in ns per evaluation; ratio = notation / by hand\n");
    std::printf("independent calls: worst ratio %.2f, geometric mean %.2f\n", worst,
                std::exp(logSum / count));
    std::printf("chained calls:     worst ratio %.2f, geometric mean %.2f\n", worstChained,
                std::exp(logSumChained / count));
    return sink == 12345.678 ? 2 : 0;
}
