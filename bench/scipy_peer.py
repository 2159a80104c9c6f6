#!/usr/bin/python3
"""The scipy peer of the solver benchmark.

Solves every example response file given on the command line with scipy: solve_ivp with
DOP853 (at rtol 1e-12 and atol 1e-14 unless --rtol and --atol say otherwise) for the
integration and, for the boundary problems, least_squares over a
shooting residual that fits the initial values (and A) to the data points. The right-hand
sides are written by hand, each equation solved for its highest derivative.

Prints, per file, one line "DEMO <stem> <best time in microseconds> <fitted A or nan>"
followed by one line "P <x> <Y> <Y'>" per plot point. The benchmark compares these values
with the closed-form solutions itself.

    /usr/bin/python3 scipy_peer.py [--repeat N] [--rtol R] [--atol A] FILE.ode...
"""
import math
import os
import sys
import time

import numpy as np
from scipy.integrate import solve_ivp
from scipy.optimize import least_squares

RTOL = 1e-12
ATOL = 1e-14


def rhs_ivp1(x, y, a):   # Y' * Y'' = 2
    return [y[1], 2.0 / y[1]]


def rhs_ivp2(x, y, a):   # Y^2 * 3 - Y'' = 0
    return [y[1], 3.0 * y[0] * y[0]]


def rhs_ivp3(x, y, a):   # Y'' + (4 * Y) = 0
    return [y[1], -4.0 * y[0]]


def rhs_ivp4(x, y, a):   # Y' = (Y+X)/(Y-X)
    return [(y[0] + x) / (y[0] - x)]


def rhs_ivp5(x, y, a):   # Y' = -Y * TAN( X)
    return [-y[0] * math.tan(x)]


def rhs_bvp1(x, y, a):   # Y'' - 2 = 0
    return [y[1], 2.0]


def rhs_bvp2(x, y, a):   # Y' * Y'' - X = 0
    return [y[1], x / y[1]]


def rhs_bvp3(x, y, a):   # Y^2 * 2 * Y'' - 1 = Y' ^2 * 2 * Y
    return [y[1], (1.0 + 2.0 * y[0] * y[1] * y[1]) / (2.0 * y[0] * y[0])]


def rhs_bvp4(x, y, a):   # (X * X + 1) * Y'' + (2 * X * Y' ) = -3 / (X*X)
    return [y[1], (-3.0 / (x * x) - 2.0 * x * y[1]) / (x * x + 1.0)]


def rhs_bvp5(x, y, a):   # Y' * Y'' = A * X
    return [y[1], a * x / y[1]]


def rhs_bvp6(x, y, a):   # (X * X + 1) * Y'' + (2 * X * Y' ) + (X^ -2 * A) = 0
    return [y[1], (-a / (x * x) - 2.0 * x * y[1]) / (x * x + 1.0)]


def rhs_bvp7(x, y, a):   # (X^2 + A) * Y'' + (2 * X * Y' ) + (3 / X / X) = 0
    return [y[1], (-3.0 / (x * x) - 2.0 * x * y[1]) / (x * x + a)]


def rhs_bvp9(x, y, a):   # -X X Y'' + (2 X Y' ) = (X^2 + 2) Y
    return [y[1], (2.0 * x * y[1] - (x * x + 2.0) * y[0]) / (x * x)]


def rhs_prob1(x, y, a):  # Y  Y'''/ 3 - (Y'' Y' ) X = Y' ^2
    return [y[1], y[2], 3.0 * (y[1] * y[1] / x + y[2] * y[1]) / y[0]]


PI = math.pi


def cash(xi, f):
    """xi Y'' = f(x, Y, Y'): the Cash problems solved for Y''."""
    return lambda x, y, a: [y[1], f(x, y[0], y[1]) / xi]


def cash_set(xi):
    """The Cash problems at one xi, by their number."""
    def c5(x, y, d):   # xi Y'' + X Y' - Y = -(1 + xi pi^2) cos pi x - pi x sin pi x
        return -(1 + xi * PI * PI) * math.cos(PI * x) - PI * x * math.sin(PI * x) - x * d + y

    def c11(x, y, d):
        return y - (1 + xi * PI * PI) * math.cos(PI * x)

    return {
        1: cash(xi, lambda x, y, d: y),
        2: cash(xi, lambda x, y, d: d),
        3: cash(xi, lambda x, y, d: -(1 + xi * PI * PI) * math.cos(PI * x)
                - PI * (2 + math.cos(PI * x)) * math.sin(PI * x) - (2 + math.cos(PI * x)) * d + y),
        4: cash(xi, lambda x, y, d: (1 + xi) * y - d),
        5: cash(xi, c5), 7: cash(xi, c5),
        6: cash(xi, lambda x, y, d: -xi * PI * PI * math.cos(PI * x) - PI * x * math.sin(PI * x)
                - x * d),
        8: cash(xi, lambda x, y, d: -d), 18: cash(xi, lambda x, y, d: -d),
        9: lambda x, y, a: [y[1], -(4 * x * y[1] + 2 * y[0]) / (xi + x * x)],
        10: cash(xi, lambda x, y, d: -x * d),
        11: cash(xi, c11), 12: cash(xi, c11), 13: cash(xi, c11), 14: cash(xi, c11),
        15: cash(xi, lambda x, y, d: x * y),
        17: lambda x, y, a: [y[1], -3 * xi * y[0] / (xi + x * x) ** 2],
        19: cash(xi, lambda x, y, d: PI / 2 * math.sin(PI * x / 2) * math.exp(2 * y)
                 - math.exp(y) * d),
        20: cash(xi, lambda x, y, d: 1 - d * d),
        21: cash(xi, lambda x, y, d: y + y * y - math.exp(-2 * x / math.sqrt(xi))),
        22: cash(xi, lambda x, y, d: -d - y * y),
        25: cash(xi, lambda x, y, d: y - y * d),
    }


TESTSETS = {"Cash%02d_%02d" % (k, round(xi * 100)): f
            for xi in (0.1, 0.05) for k, f in cash_set(xi).items()}
TESTSETS.update({
    "DetestA1": lambda x, y, a: [-y[0]],
    "DetestA2": lambda x, y, a: [-y[0] ** 3 / 2],
    "DetestA3": lambda x, y, a: [y[0] * math.cos(x)],
    "DetestA4": lambda x, y, a: [y[0] / 4 * (1 - y[0] / 20)],
    "DetestA5": lambda x, y, a: [(y[0] - x) / (y[0] + x)],
    "DetestE1": lambda x, y, a: [y[1], -(y[1] / (x + 1) + (1 - 0.25 / (x + 1) ** 2) * y[0])],
    "DetestE2": lambda x, y, a: [y[1], (1 - y[0] ** 2) * y[1] - y[0]],
    "DetestE3": lambda x, y, a: [y[1], y[0] ** 3 / 6 - y[0] + 2 * math.sin(2.78535 * x)],
    "DetestE4": lambda x, y, a: [y[1], 0.032 - 0.4 * y[1] ** 2],
    "DetestE5": lambda x, y, a: [y[1], math.sqrt(1 + y[1] ** 2) / (25 - x)],
    "StiffCos": lambda x, y, a: [-1000 * (y[0] - math.cos(x))],
})
# Stiff problems go to scipy's implicit Radau IIA method instead of DOP853.
STIFF = {"StiffCos"}

RHS = {
    "ExIVP.1": (rhs_ivp1, False), "ExIVP.2": (rhs_ivp2, False), "ExIVP.3": (rhs_ivp3, False),
    "ExIVP.4": (rhs_ivp4, False), "ExIVP.5": (rhs_ivp5, False),
    "ExBVP.1": (rhs_bvp1, False), "ExBVP.2": (rhs_bvp2, False), "ExBVP.3": (rhs_bvp3, False),
    "ExBVP.4": (rhs_bvp4, False), "ExBVP.5": (rhs_bvp5, True), "ExBVP.6": (rhs_bvp6, True),
    "ExBVP.7": (rhs_bvp7, True), "ExBVP.8": (rhs_bvp7, True), "ExBVP.9": (rhs_bvp9, False),
    "ExProb.1": (rhs_prob1, False),
}
RHS.update({stem: (f, False) for stem, f in TESTSETS.items()})


def answers(path):
    """The answer parts of a response file's lines, as the program's reader takes them."""
    out = []
    with open(path, "rb") as f:
        for raw in f.read().decode("cp1252").split("\r\n"):
            text = raw.split("!", 1)[0].strip()
            if text.startswith("-999"):
                text = ""
            out.append(text.replace("\t", "").strip())
    return out


def problem(path):
    a = answers(path)
    n = int(a[7])
    pts = [tuple(float(v) for v in a[8 + i].replace(",", " ").split()) for i in range(n)]
    return {
        "A": float(a[2]) if a[2] else 1.0,
        "x0": float(a[3]),
        "init": [float(v) for v in a[4].split()],
        "nPoints": int(a[5]),
        "dx": float(a[6]),
        "data": pts,
    }


def integrate(f, a, x0, y0, xs, method="DOP853"):
    """Y and Y' at xs (any side of x0), integrating outwards from x0 in each direction."""
    xs = np.asarray(xs, dtype=float)
    y = np.empty(len(xs))
    yp = np.empty(len(xs))
    for side in (xs >= x0, xs < x0):
        if not side.any():
            continue
        sel = np.where(side)[0]
        order = sel[np.argsort(np.abs(xs[sel] - x0))]
        end = xs[order[-1]]
        if end == x0:
            y[order] = y0[0]
            yp[order] = y0[1] if len(y0) > 1 else f(x0, y0, a)[0]
            continue
        sol = solve_ivp(f, (x0, end), y0, method=method, t_eval=xs[order], rtol=RTOL,
                        atol=ATOL, args=(a,))
        if not sol.success:
            raise RuntimeError(sol.message)
        y[order] = sol.y[0]
        if len(y0) > 1:
            yp[order] = sol.y[1]
        else:
            yp[order] = [f(x, [v], a)[0] for x, v in zip(sol.t, sol.y[0])]
    return y, yp


def solve(stem, p):
    f, uses_a = RHS[stem]
    method = "Radau" if stem in STIFF else "DOP853"
    plot_x = p["x0"] + p["dx"] * np.arange(p["nPoints"])
    a = p["A"]
    init = np.array(p["init"], dtype=float)
    if p["data"]:
        dx = np.array([d[0] for d in p["data"]])
        dy = np.array([d[1] for d in p["data"]])

        def residual(u):
            aa = u[-1] if uses_a else a
            return integrate(f, aa, p["x0"], u[:len(init)], dx, method)[0] - dy

        start = np.append(init, a) if uses_a else init
        fit = least_squares(residual, start, method="lm", xtol=1e-14, ftol=1e-14, gtol=1e-14)
        init = fit.x[:len(init)]
        if uses_a:
            a = fit.x[-1]
    y, yp = integrate(f, a, p["x0"], init, plot_x, method)
    return plot_x, y, yp, (a if uses_a else float("nan"))


def main(argv):
    global RTOL, ATOL
    repeat = 20
    files = []
    i = 0
    while i < len(argv):
        if argv[i] == "--repeat":
            repeat = int(argv[i + 1])
            i += 2
        elif argv[i] in ("--rtol", "--atol"):
            if argv[i] == "--rtol":
                RTOL = float(argv[i + 1])
            else:
                ATOL = float(argv[i + 1])
            i += 2
        else:
            files.append(argv[i])
            i += 1
    for path in files:
        stem = os.path.basename(path)[:-4]
        if stem not in RHS:
            continue
        p = problem(path)
        best = float("inf")
        try:
            for _ in range(repeat):
                t = time.perf_counter()
                xs, y, yp, a = solve(stem, p)
                best = min(best, time.perf_counter() - t)
        except (RuntimeError, ValueError, OverflowError, ZeroDivisionError) as e:
            print("FAILED %s %s" % (stem, str(e).replace("\n", " ")))
            continue
        print("DEMO %s %.1f %.17g" % (stem, best * 1e6, a))
        for x, v, d in zip(xs, y, yp):
            print("P %.17g %.17g %.17g" % (x, v, d))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
