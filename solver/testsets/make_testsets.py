#!/usr/bin/python3
"""Writes the published test problems as response files (NAME.ode) and their reference
values (NAME.ref) into this folder.

    /usr/bin/python3 solver/testsets/make_testsets.py [NAME...]   (python3-mpmath, python3-scipy)

Problems:
  DETEST classes A and E (Hull, Enright, Fellen, Sedgwick, SIAM J. Numer. Anal. 9, 1972):
    A1-A5 and E1-E5, each a single equation, x from 0 to 20, 21 plot points.
  Cash's boundary value test set: its scalar second-order linear problems 1-15, 17, 18 and
    nonlinear problems 19-23, 25-30, each with xi = 0.1 and xi = 0.05; the two boundary
    values become the two data points, and the first guesses at the left end are the
    boundary value and the slope of the straight line between the two. Problem 16
    (xi^2 Y'' + pi^2/4 Y = 0, Y(0) = 0, Y(1) = SIN(pi/(2 xi))) is left out: at both xi the
    right value is 0 and pi^2/(4 xi^2) is an eigenvalue, so the solution is not unique.
  A stiff problem: Y' = -1000 (Y - COS(X)), Y(0) = 0, over 0..2.

Reference values (X, Y, Y' at every plot point, 17 significant digits):
  * closed forms where the problem has one, evaluated with mpmath at 40 digits; each closed
    form is checked here against its equation (residual by mpmath's numerical derivatives
    at 40 digits, relative to the size of the terms, below 1e-25) and its boundary values;
  * problem 23 by the quadrature of its first integral at 40 digits (see sinh_exact);
  * 26, 27, 30 and 25 at xi = 0.05 by collocation (see collocation): shooting at 25 digits
    does not finish there in minutes (interior layers: trajectories from nearby slopes
    blow up);
  * otherwise mpmath's Taylor-series integrator (odefun) at 25 digits, for a boundary
    problem inside a shooting loop (findroot, secant, on the slope at the left end);
    the figures are then checked against an independent scipy run (DOP853, rtol 1e-13,
    atol 1e-15) and the agreement is written into the file's header.
The X of a plot point is computed as the solver computes it, x0 + r * Delta_x in doubles.
"""
import math
import os
import sys

import mpmath as mp

mp.mp.dps = 40
HERE = os.path.dirname(os.path.abspath(__file__))
PI = "3.141592653589793"

# ---------------------------------------------------------------------------------------
# The problems. rhs(x, y) gives Y^(n) from (Y, ..., Y^(n-1)) for the references; exact(x)
# gives (Y, Y') from a closed form.


class P:
    def __init__(self, name, title, equation, order, x0, npts, dx, rhs, init=None,
                 exact=None, bvp=None, note=None):
        self.name, self.title, self.equation = name, title, equation
        self.order, self.x0, self.npts, self.dx = order, x0, npts, dx
        self.rhs, self.init, self.exact, self.bvp, self.note = rhs, init, exact, bvp, note


def detest():
    e = mp.e
    ps = []
    ps.append(P("DetestA1", "DETEST A1: y' = -y, y(0) = 1; y = exp(-x)",
                "Y' = -Y", 1, 0, 21, 1, lambda x, y: [-y[0]], [1],
                exact=lambda x: (mp.exp(-x), -mp.exp(-x))))
    ps.append(P("DetestA2", "DETEST A2: y' = -y^3/2, y(0) = 1; y = 1/sqrt(x+1)",
                "Y' = -(Y^3) / 2", 1, 0, 21, 1, lambda x, y: [-y[0] ** 3 / 2], [1],
                exact=lambda x: ((x + 1) ** mp.mpf(-0.5), -(x + 1) ** mp.mpf(-1.5) / 2)))
    ps.append(P("DetestA3", "DETEST A3: y' = y cos x, y(0) = 1; y = exp(sin x)",
                "Y' = Y * COS( X)", 1, 0, 21, 1, lambda x, y: [y[0] * mp.cos(x)], [1],
                exact=lambda x: (mp.exp(mp.sin(x)), mp.cos(x) * mp.exp(mp.sin(x)))))

    def a4(x):
        y = 20 / (1 + 19 * mp.exp(-x / 4))
        return (y, y / 4 * (1 - y / 20))
    ps.append(P("DetestA4", "DETEST A4: y' = (y/4)(1 - y/20), y(0) = 1; y = 20/(1 + 19 exp(-x/4))",
                "Y' = (Y / 4) * (1 - (Y / 20))", 1, 0, 21, 1,
                lambda x, y: [y[0] / 4 * (1 - y[0] / 20)], [1], exact=a4))
    ps.append(P("DetestA5", "DETEST A5: y' = (y - x)/(y + x), y(0) = 4",
                "Y' = (Y - X) / (Y + X)", 1, 0, 21, 1,
                lambda x, y: [(y[0] - x) / (y[0] + x)], [4]))

    def e1(x):
        t = x + 1
        c = mp.sqrt(2 / (mp.pi * t))
        return (c * mp.sin(t), c * (mp.cos(t) - mp.sin(t) / (2 * t)))
    ps.append(P("DetestE1", "DETEST E1: y'' = -(y'/(x+1) + (1 - 0.25/(x+1)^2) y), "
                "y(0) = 0.6713967071418030, y'(0) = 0.09540051444747446; y = J_1/2(x+1)",
                "Y'' = -((Y' / (X + 1)) + ((1 - (0.25 / ((X + 1)^2))) * Y))", 2, 0, 21, 1,
                lambda x, y: [y[1], -(y[1] / (x + 1) + (1 - mp.mpf(0.25) / (x + 1) ** 2) * y[0])],
                ["0.6713967071418030", "0.09540051444747446"], exact=e1,
                note="initial values as published (16 digits): the reference is the closed "
                     "form, which they match to 1e-16"))
    ps.append(P("DetestE2", "DETEST E2: y'' = (1 - y^2) y' - y, y(0) = 2, y'(0) = 0 (van der Pol)",
                "Y'' = ((1 - (Y^2)) * Y') - Y", 2, 0, 21, 1,
                lambda x, y: [y[1], (1 - y[0] ** 2) * y[1] - y[0]], [2, 0]))
    ps.append(P("DetestE3", "DETEST E3: y'' = y^3/6 - y + 2 sin(2.78535 x), y(0) = y'(0) = 0",
                "Y'' = ((Y^3) / 6) - Y + (2 * SIN( 2.78535 * X))", 2, 0, 21, 1,
                lambda x, y: [y[1], y[0] ** 3 / 6 - y[0] + 2 * mp.sin(mp.mpf("2.78535") * x)],
                [0, 0]))

    def e4(x):
        k = mp.sqrt(mp.mpf("0.0128"))
        return (30 + mp.mpf(2.5) * mp.log(mp.cosh(k * x)), mp.sqrt(mp.mpf("0.08")) * mp.tanh(k * x))
    ps.append(P("DetestE4", "DETEST E4: y'' = 0.032 - 0.4 y'^2, y(0) = 30, y'(0) = 0; "
                "y = 30 + 2.5 ln cosh(sqrt(0.0128) x)",
                "Y'' = 0.032 - (0.4 * (Y'^2))", 2, 0, 21, 1,
                lambda x, y: [y[1], mp.mpf("0.032") - mp.mpf("0.4") * y[1] ** 2], [30, 0], exact=e4))

    def e5(x):
        r = 25 / (25 - x)
        return (mp.mpf(12.5) * mp.log(r) - (x - x * x / 50) / 2, (r - 1 / r) / 2)
    ps.append(P("DetestE5", "DETEST E5: y'' = sqrt(1 + y'^2)/(25 - x), y(0) = y'(0) = 0; "
                "y = 12.5 ln(25/(25-x)) - (x - x^2/50)/2",
                "Y'' = SQRT( 1 + (Y'^2)) / (25 - X)", 2, 0, 21, 1,
                lambda x, y: [y[1], mp.sqrt(1 + y[1] ** 2) / (25 - x)], [0, 0], exact=e5))

    a = mp.mpf(10) ** 6 / (1 + mp.mpf(10) ** 6)
    b = mp.mpf(1000) / (1 + mp.mpf(10) ** 6)
    ps.append(P("StiffCos", "Stiff: y' = -1000 (y - cos x), y(0) = 0; "
                "y = a cos x + b sin x - a exp(-1000 x), a = 1e6/(1+1e6), b = 1000/(1+1e6)",
                "Y' = -1000 (Y - COS( X))", 1, 0, 21, 0.1,
                lambda x, y: [-1000 * (y[0] - mp.cos(x))], [0],
                exact=lambda x: (a * mp.cos(x) + b * mp.sin(x) - a * mp.exp(-1000 * x),
                                 -a * mp.sin(x) + b * mp.cos(x) + 1000 * a * mp.exp(-1000 * x))))
    return ps


def cash(xi_text):
    E = mp.mpf(xi_text)
    e = xi_text
    pi = mp.pi
    se = mp.sqrt(E)
    tag = "10" if xi_text == "0.1" else "05"
    ps = []

    def bvp(num, title, eq, a, b, rhs, exact=None, bc=None, note=None, shot=None,
            collocate=False):
        npts, dx = {(0, 1): (11, 0.1), (-1, 1): (21, 0.1), (-0.1, 0.1): (21, 0.01)}[(a, b)]
        ps.append(P("Cash%02d_%s" % (num, tag), "Cash %d, xi = %s: %s" % (num, e, title), eq, 2,
                    a, npts, dx, rhs, exact=exact, bvp=(a, b, bc), note=note))
        ps[-1].shot = shot
        ps[-1].collocate = collocate

    cospi = lambda x: mp.cos(pi * x)
    ce = "(1 + (%s * (%s^2)))" % (e, PI)   # 1 + xi pi^2

    def ex1(x):
        r = 1 / se
        d = 1 - mp.exp(-2 * r)
        return ((mp.exp(-x * r) - mp.exp((x - 2) * r)) / d,
                (-r * mp.exp(-x * r) - r * mp.exp((x - 2) * r)) / d)
    bvp(1, "xi y'' - y = 0, y(0) = 1, y(1) = 0", "%s Y'' - Y = 0" % e, 0, 1,
        lambda x, y: [y[1], y[0] / E], ex1)

    def ex2(x):
        d = 1 - mp.exp(-1 / E)
        return ((1 - mp.exp((x - 1) / E)) / d, -mp.exp((x - 1) / E) / E / d)
    bvp(2, "xi y'' - y' = 0, y(0) = 1, y(1) = 0", "%s Y'' - Y' = 0" % e, 0, 1,
        lambda x, y: [y[1], y[1] / E], ex2)

    cosx = lambda x: (cospi(x), -pi * mp.sin(pi * x))
    bvp(3, "xi y'' + (2 + cos pi x) y' - y = -(1 + xi pi^2) cos pi x - pi (2 + cos pi x) sin pi x; "
        "y = cos pi x",
        "%s Y'' + ((2 + COS( %s X)) * Y') - Y = -(%s * COS( %s X)) - (%s * (2 + COS( %s X)) * SIN( %s X))"
        % (e, PI, ce, PI, PI, PI, PI), -1, 1,
        lambda x, y: [y[1], (-(1 + E * pi ** 2) * cospi(x) - pi * (2 + cospi(x)) * mp.sin(pi * x)
                             - (2 + cospi(x)) * y[1] + y[0]) / E], cosx)

    def ex4(x):
        k = -(1 + E) / E
        return (mp.exp(x - 1) + mp.exp(k * (1 + x)), mp.exp(x - 1) + k * mp.exp(k * (1 + x)))
    bvp(4, "xi y'' + y' - (1 + xi) y = 0; y = exp(x - 1) + exp(-(1 + xi)(1 + x)/xi)",
        "%s Y'' + Y' - (%s Y) = 0" % (e, mp.nstr(1 + E, 5)), -1, 1,
        lambda x, y: [y[1], ((1 + E) * y[0] - y[1]) / E], ex4)

    rhs57 = lambda x, y: [y[1], (-(1 + E * pi ** 2) * cospi(x) - pi * x * mp.sin(pi * x)
                                 - x * y[1] + y[0]) / E]
    eq57 = "%s Y'' + (X * Y') - Y = -(%s * COS( %s X)) - (%s X * SIN( %s X))" % (e, ce, PI, PI, PI)
    bvp(5, "xi y'' + x y' - y = -(1 + xi pi^2) cos pi x - pi x sin pi x; y = cos pi x",
        eq57, -1, 1, rhs57, cosx)

    s = mp.sqrt(2 * E)
    def ex6(x):
        d = mp.erf(1 / s)
        return (cospi(x) + mp.erf(x / s) / d,
                -pi * mp.sin(pi * x) + 2 / (s * mp.sqrt(pi)) * mp.exp(-x * x / (s * s)) / d)
    bvp(6, "xi y'' + x y' = -xi pi^2 cos pi x - pi x sin pi x; "
        "y = cos pi x + erf(x/sqrt(2 xi))/erf(1/sqrt(2 xi))",
        "%s Y'' + (X * Y') = -(%s * (%s^2) * COS( %s X)) - (%s X * SIN( %s X))" % (e, e, PI, PI, PI, PI),
        -1, 1, lambda x, y: [y[1], (-E * pi ** 2 * cospi(x) - pi * x * mp.sin(pi * x) - x * y[1]) / E],
        ex6)

    def ex7(x):
        d = mp.erf(1 / s) + s / mp.sqrt(pi) * mp.exp(-1 / (s * s))
        w = x * mp.erf(x / s) + s / mp.sqrt(pi) * mp.exp(-x * x / (s * s))
        return (cospi(x) + x + w / d, -pi * mp.sin(pi * x) + 1 + mp.erf(x / s) / d)
    bvp(7, "as 5 with y(-1) = -1, y(1) = 1; y = cos pi x + x + (x erf(x/sqrt(2 xi)) + "
        "sqrt(2 xi/pi) exp(-x^2/(2 xi)))/(erf(1/sqrt(2 xi)) + sqrt(2 xi/pi) exp(-1/(2 xi)))",
        eq57, -1, 1, rhs57, ex7)

    def ex8(x):
        d = 1 - mp.exp(-1 / E)
        return ((2 - mp.exp(-1 / E) - mp.exp(-x / E)) / d, mp.exp(-x / E) / E / d)
    bvp(8, "xi y'' + y' = 0, y(0) = 1, y(1) = 2", "%s Y'' + Y' = 0" % e, 0, 1,
        lambda x, y: [y[1], -y[1] / E], ex8)

    bvp(9, "(xi + x^2) y'' + 4 x y' + 2 y = 0; y = 1/(xi + x^2)",
        "((%s + (X^2)) * Y'') + (4 X Y') + (2 Y) = 0" % e, -1, 1,
        lambda x, y: [y[1], -(4 * x * y[1] + 2 * y[0]) / (E + x * x)],
        lambda x: (1 / (E + x * x), -2 * x / (E + x * x) ** 2))

    def ex10(x):
        d = mp.erf(1 / s)
        return (1 + mp.erf(x / s) / d, 2 / (s * mp.sqrt(pi)) * mp.exp(-x * x / (s * s)) / d)
    bvp(10, "xi y'' + x y' = 0, y(-1) = 0, y(1) = 2; y = 1 + erf(x/sqrt(2 xi))/erf(1/sqrt(2 xi))",
        "%s Y'' + (X * Y') = 0" % e, -1, 1, lambda x, y: [y[1], -x * y[1] / E], ex10)

    eq11 = "%s Y'' - Y = -(%s * COS( %s X))" % (e, ce, PI)
    rhs11 = lambda x, y: [y[1], (y[0] - (1 + E * pi ** 2) * cospi(x)) / E]
    r = 1 / se
    bvp(11, "xi y'' - y = -(xi pi^2 + 1) cos pi x; y = cos pi x", eq11, -1, 1, rhs11, cosx)
    bvp(12, "as 11; y = cos pi x + exp((x - 1)/sqrt xi)", eq11, -1, 1, rhs11,
        lambda x: (cospi(x) + mp.exp((x - 1) * r), -pi * mp.sin(pi * x) + r * mp.exp((x - 1) * r)))
    bvp(13, "as 11; y = cos pi x + exp(-(x + 1)/sqrt xi)", eq11, -1, 1, rhs11,
        lambda x: (cospi(x) + mp.exp(-(x + 1) * r), -pi * mp.sin(pi * x) - r * mp.exp(-(x + 1) * r)))
    bvp(14, "as 11; y = cos pi x + exp((x - 1)/sqrt xi) + exp(-(x + 1)/sqrt xi)", eq11, -1, 1,
        rhs11, lambda x: (cospi(x) + mp.exp((x - 1) * r) + mp.exp(-(x + 1) * r),
                          -pi * mp.sin(pi * x) + r * mp.exp((x - 1) * r) - r * mp.exp(-(x + 1) * r)))

    c = E ** (-mp.mpf(1) / 3)
    m = mp.matrix([[mp.airyai(-c), mp.airybi(-c)], [mp.airyai(c), mp.airybi(c)]])
    k1, k2 = mp.lu_solve(m, mp.matrix([1, 1]))
    bvp(15, "xi y'' - x y = 0, y(-1) = y(1) = 1; y = c1 Ai(x xi^-1/3) + c2 Bi(x xi^-1/3)",
        "%s Y'' - (X * Y) = 0" % e, -1, 1, lambda x, y: [y[1], x * y[0] / E],
        lambda x: (k1 * mp.airyai(c * x) + k2 * mp.airybi(c * x),
                   c * (k1 * mp.airyai(c * x, 1) + k2 * mp.airybi(c * x, 1))))

    bvp(17, "y'' + 3 xi/(xi + x^2)^2 y = 0 on [-0.1, 0.1]; y = x/sqrt(xi + x^2)",
        "Y'' + (%s * Y / ((%s + (X^2))^2)) = 0" % (mp.nstr(3 * E, 5), e), -0.1, 0.1,
        lambda x, y: [y[1], -3 * E * y[0] / (E + x * x) ** 2],
        lambda x: (x / mp.sqrt(E + x * x), E / (E + x * x) ** mp.mpf(1.5)))
    bvp(18, "xi y'' + y' = 0, y(0) = 1, y(1) = exp(-1/xi); y = exp(-x/xi)", "%s Y'' + Y' = 0" % e,
        0, 1, lambda x, y: [y[1], -y[1] / E], lambda x: (mp.exp(-x / E), -mp.exp(-x / E) / E))

    # Nonlinear.
    bvp(19, "xi y'' + exp(y) y' - (pi/2) sin(pi x/2) exp(2 y) = 0, y(0) = y(1) = 0",
        "%s Y'' + (EXP( Y) * Y') - ((%s / 2) * SIN( %s X / 2) * EXP( 2 Y)) = 0" % (e, PI, PI),
        0, 1, lambda x, y: [y[1], (pi / 2 * mp.sin(pi * x / 2) * mp.exp(2 * y[0])
                                    - mp.exp(y[0]) * y[1]) / E], bc=(0, 0))
    bvp(20, "xi y'' + y'^2 = 1; y = 1 + xi ln cosh((x - 0.745)/xi)",
        "%s Y'' + (Y'^2) = 1" % e, 0, 1, lambda x, y: [y[1], (1 - y[1] ** 2) / E],
        lambda x: (1 + E * mp.log(mp.cosh((x - mp.mpf("0.745")) / E)),
                   mp.tanh((x - mp.mpf("0.745")) / E)))
    bvp(21, "xi y'' = y + y^2 - exp(-2 x/sqrt xi), y(0) = 1, y(1) = exp(-1/sqrt xi); "
        "y = exp(-x/sqrt xi)",
        "%s Y'' = Y + (Y^2) - EXP( -2 X / SQRT( %s))" % (e, e), 0, 1,
        lambda x, y: [y[1], (y[0] + y[0] ** 2 - mp.exp(-2 * x / se)) / E],
        lambda x: (mp.exp(-x / se), -mp.exp(-x / se) / se))
    bvp(22, "xi y'' + y' + y^2 = 0, y(0) = 0, y(1) = 1/2", "%s Y'' + Y' + (Y^2) = 0" % e, 0, 1,
        lambda x, y: [y[1], -(y[1] + y[0] ** 2) / E], bc=(0, mp.mpf(0.5)))
    mu = 1 / E
    NOTE23 = ("x as an elliptic integral of v = mu y from the first integral v'^2 = c^2 + 4 mu^2 sinh(v/2)^2, evaluated by quadrature")
    bvp(23, "y'' = mu sinh(mu y), mu = 1/xi, y(0) = 0, y(1) = 1",
        "Y'' = %s * SINH( %s * Y)" % (mp.nstr(mu, 5), mp.nstr(mu, 5)), 0, 1,
        lambda x, y: [y[1], mu * mp.sinh(mu * y[0])], exact=sinh_exact(mu), bc=(0, 1),
        note="%s" % NOTE23)
    for num, (ya, yb) in zip(range(25, 31), [("-1/3", "1/3"), ("1", "-1/3"), ("1", "1/3"),
                                             ("1", "3/2"), ("0", "3/2"), ("-7/6", "3/2")]):
        fa, fb = mp.mpf(eval(ya.replace("/", "/mp.mpf(") + ")" if "/" in ya else ya)), None
        fa = mp.mpf(mp.fraction(*map(int, ya.split("/")))) if "/" in ya else mp.mpf(ya)
        fb = mp.mpf(mp.fraction(*map(int, yb.split("/")))) if "/" in yb else mp.mpf(yb)
        bvp(num, "xi y'' + y y' - y = 0, y(0) = %s, y(1) = %s" % (ya, yb),
            "%s Y'' + (Y * Y') - Y = 0" % e, 0, 1,
            lambda x, y: [y[1], (y[0] - y[0] * y[1]) / E], bc=(fa, fb),
            collocate=num in (26, 27, 30) or (num == 25 and tag == "05"))
        ps[-1].fast = lambda y, f=float(E): (y[0] - y[0] * y[1]) / f
    return ps


def sinh_exact(mu):
    """y'' = mu sinh(mu y), y(0) = 0, y(1) = 1 by its first integral: with v = mu y,
    v'^2 = c^2 + 4 mu^2 sinh(v/2)^2, so x(v) = integral from 0 to v of dw / v'(w) (an
    elliptic integral, by quadrature at 40 digits); c is the root of x(mu) = 1."""
    def speed(w, c):
        return mp.sqrt(c * c + 4 * mu * mu * mp.sinh(w / 2) ** 2)
    def x_of(v, c):
        knee = min(v, c / mu)  # where the integrand turns from 1/c to its decay
        return mp.quad(lambda w: 1 / speed(w, c), [0, knee / 4, knee, v]) if v > 0 else mp.mpf(0)
    c0 = 8 * mu * mp.exp(-mu)  # y'(0) is about 8 exp(-mu)
    c = mp.findroot(lambda c: x_of(mu, c) - 1, (c0 / 4, 4 * c0), solver="anderson")
    cache = {}
    def exact(x):
        x = mp.mpf(x)
        if x not in cache:
            v = mp.findroot(lambda v: x_of(v, c) - x, (mp.mpf(0), mu), solver="anderson") \
                if x > 0 else mp.mpf(0)
            cache[x] = (v / mu, speed(v, c) / mu)
        return cache[x]
    return exact


def collocation(p):
    """scipy's solve_bvp on a 2001-point mesh from the straight line, at tolerances 1e-5,
    1e-8, 1e-10 and 1e-11, each run starting from the last (the last one kept that
    converged; at 1e-11 rounding can keep the residuals above it on any mesh); returns (Y, Y') at the plot points and the agreement of two independent checks: a
    second solve_bvp from a 201-point mesh, and DOP853 (rtol 1e-13) from each plot point to
    the next."""
    import numpy as np
    from scipy.integrate import solve_bvp, solve_ivp
    a, b, (ya, yb) = p.bvp
    ya, yb = float(ya), float(yb)
    fun = lambda x, y: np.vstack([y[1], p.fast(y)])  # Y'' in doubles, vectorized
    bc = lambda l, r: np.array([l[0] - ya, r[0] - yb])
    def solve(points, need):
        x = np.linspace(a, b, points)
        y = np.vstack([ya + (yb - ya) * (x - a) / (b - a), np.full_like(x, (yb - ya) / (b - a))])
        best = None
        for tol in (1e-5, 1e-8, 1e-10, 1e-11):
            sol = solve_bvp(fun, bc, x, y, tol=tol, max_nodes=100000)
            if not sol.success:
                break
            best, x, y = (sol, tol), sol.x, sol.y
        assert best and best[1] <= need, (p.name, points, sol.message)
        return best
    xs = plot_x(p)
    (sol, tol), (check, _) = solve(2001, 1e-10), solve(201, 1e-8)
    other = check.sol(xs)
    main = sol.sol(xs)
    scale = lambda j, k: max(abs(main[k][j]), 1e-3 * max(abs(main[k])))
    agree = max(abs(main[k][j] - other[k][j]) / scale(j, k) for j in range(len(xs)) for k in (0, 1))
    f1 = lambda x, y: [y[1], float(p.rhs(mp.mpf(x), [mp.mpf(y[0]), mp.mpf(y[1])])[1])]
    local = 0
    for j in range(len(xs) - 1):
        s = solve_ivp(f1, (xs[j], xs[j + 1]), [main[0][j], main[1][j]], method="DOP853",
                      rtol=1e-13, atol=1e-15)
        local = max(local, abs(s.y[0][-1] - main[0][j + 1]) / scale(j + 1, 0))
    rows = [(mp.mpf(main[0][j]), mp.mpf(main[1][j])) for j in range(len(xs))]
    return rows, tol, agree, local


# ---------------------------------------------------------------------------------------


def plot_x(p):
    return [p.x0 + r * p.dx for r in range(p.npts)]


def check_exact(p):
    """The closed form must satisfy the equation and its own derivative column."""
    worst = 0
    for xf in plot_x(p)[1:-1] + [p.x0 + 0.37 * p.dx]:
        x = mp.mpf(xf)
        y0, y1 = p.exact(x)
        d1 = mp.diff(lambda t: p.exact(t)[0], x)
        worst = max(worst, abs(d1 - y1) / (1 + abs(y1)))
        if p.order == 1:
            worst = max(worst, abs(p.rhs(x, [y0])[0] - y1) / (1 + abs(y1)))
        else:
            d2 = mp.diff(lambda t: p.exact(t)[1], x)
            worst = max(worst, abs(p.rhs(x, [y0, y1])[1] - d2) / (1 + abs(d2)))
    assert worst < mp.mpf(10) ** -25, (p.name, worst)


def taylor(p, start):
    # 25 digits: the series' own error control keeps the result near that precision.
    with mp.workdps(25):
        f = mp.odefun(lambda x, y: p.rhs(x, y), mp.mpf(p.x0), [+v for v in start])
    def at(x):
        with mp.workdps(25):
            return [+v for v in f(x)]
    return at


def shoot(p):
    a, b, (ya, yb) = p.bvp
    slope0 = getattr(p, "shot", None) or (yb - ya) / (mp.mpf(b) - mp.mpf(a))
    slope0 = mp.mpf(float_shot(p, float(slope0)))
    def miss(s):
        return taylor(p, [ya, s])(mp.mpf(b))[0] - yb
    # Secant steps from the double-precision slope: two or three integrations at 25 digits.
    s = mp.findroot(miss, (slope0, slope0 * (1 + mp.mpf(10) ** -9)), tol=mp.mpf(10) ** -22,
                    verify=False)
    assert abs(miss(s)) < mp.mpf(10) ** -18, (p.name, miss(s))
    return [ya, s]


def float_shot(p, slope):
    """The slope at the left end in double precision (scipy DOP853 and a secant search),
    a close start for the shooting at 25 digits."""
    from scipy.integrate import solve_ivp
    from scipy.optimize import newton
    a, b, (ya, yb) = p.bvp
    fun = lambda x, y: [float(v) for v in p.rhs(mp.mpf(x), [mp.mpf(float(t)) for t in y])]
    def miss(s):
        sol = solve_ivp(fun, (a, b), [float(ya), s], method="DOP853", rtol=1e-12, atol=1e-14)
        return sol.y[0][-1] - float(yb) if sol.success else float("nan")
    return newton(miss, slope, tol=1e-14, maxiter=100)


def scipy_check(p, start, xs, ys):
    import numpy as np
    from scipy.integrate import solve_ivp
    fun = lambda x, y: [float(v) for v in p.rhs(mp.mpf(x), [mp.mpf(float(t)) for t in y])]
    sol = solve_ivp(fun, (xs[0], xs[-1]), [float(v) for v in start], method="DOP853",
                    rtol=1e-13, atol=1e-15, t_eval=xs)
    worst = 0
    for j, row in enumerate(ys):
        scale = max(abs(float(row[0])), 1e-3 * max(abs(float(r[0])) for r in ys))
        worst = max(worst, abs(sol.y[0][j] - float(row[0])) / scale)
    return worst


def write(p):
    xs = plot_x(p)
    header = ["# " + p.title]
    if getattr(p, "collocate", False):
        rows, tol, agree, local = collocation(p)
        header.append("# reference: scipy solve_bvp at tol %.0e (2001-point start mesh); a "
                      "second run from 201 points agrees to %.1e, DOP853 from each plot point "
                      "to the next to %.1e" % (tol, agree, local))
    elif p.exact:
        check_exact(p)
        rows = [p.exact(mp.mpf(x)) for x in xs]
        header.append("# reference: the closed form at 40 digits (checked against the equation)")
    else:
        start = shoot(p) if p.bvp else [mp.mpf(v) for v in p.init]
        f = taylor(p, start)
        rows = [tuple(f(mp.mpf(x))[:2]) if p.order == 2 else (f(mp.mpf(x))[0],
                p.rhs(mp.mpf(x), f(mp.mpf(x)))[0]) for x in xs]
        agree = scipy_check(p, start, xs, rows)
        header.append("# reference: mpmath Taylor integration (odefun) at 25 digits%s; an "
                      "independent scipy DOP853 run at rtol 1e-13 agrees to %.1e"
                      % (" inside a shooting loop, y'(%g) = %s" % (p.x0, mp.nstr(start[1], 20))
                         if p.bvp else "", agree))
    if p.note:
        header.append("# note: " + p.note)
    header.append("# X Y Y'")
    lines = header + ["%r %s %s" % (x, mp.nstr(r[0], 17, min_fixed=-3, max_fixed=3),
                                    mp.nstr(r[1], 17, min_fixed=-3, max_fixed=3))
                      for x, r in zip(xs, rows)]
    with open(os.path.join(HERE, p.name + ".ref"), "w") as f:
        f.write("\n".join(lines) + "\n")

    # The response file as the program writes it.
    if p.bvp:
        a, b, bc = p.bvp
        ya, yb = bc if bc else (p.exact(mp.mpf(a))[0], p.exact(mp.mpf(b))[0])
        guess = "%s %s" % (num(ya), num((yb - ya) / (mp.mpf(b) - mp.mpf(a))))
        data = ["%s  %s" % (num(a), num(ya)), "%s  %s" % (num(b), num(yb))]
    else:
        guess = " ".join(str(v) for v in p.init)
        data = []
    answers = [(p.name + ".ode", "!*  6,  %d, and  0" % len(data)),
               (p.equation, "! 1. \xbb State an ODE"),
               ("-999", "! 2. \xbb 'A' parameter initial value, if any in equation?"),
               (num(p.x0), "! 3. \xbb x0, starting point for x-axis"),
               (guess, "! 4. \xbb Initial values for 'Constants of Integration' in Y, Y', Y'', etc."),
               (str(p.npts), "! 5. \xbb Number of (X,Y) data points for plot?"),
               (num(p.dx), "! 6. \xbb (Delta_x) step size between points in plot"),
               (str(len(data)), "! Number of BVP_IVP data points")]
    answers += [(d, "! Boundary point # %d" % (i + 1)) for i, d in enumerate(data)]
    answers += [(p.title.split(":")[0], "! 20. \xbb Note1"), ("-999", "!     \xbb Note2")]
    text = "".join("%s  \t\t%s\r\n" % pair for pair in answers) + \
        "N\t\t! 22. \xbb Want to change solver variables?\r\n"
    with open(os.path.join(HERE, p.name + ".ode"), "wb") as f:
        f.write(text.encode("cp1252"))


def num(v):
    if isinstance(v, (int, float)):
        return repr(v) if v != int(v) else str(int(v))
    return mp.nstr(v, 17, min_fixed=-3, max_fixed=3) if v != int(v) else str(int(v))


if __name__ == "__main__":
    only = sys.argv[1:]
    for p in detest() + cash("0.1") + cash("0.05"):
        if only and p.name not in only:
            continue
        write(p)
        print(p.name, flush=True)
