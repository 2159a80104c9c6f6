#include "solver/Dop853.h"

#include <algorithm>
#include <cmath>

namespace quadrel::solver {

namespace {

// The method's coefficients as published: nodes, stage coefficients (row 12 holds the
// weights of the solution of order 8, rows 13-15 the extra stages of the dense output),
// the weights of the error estimators of orders 5 and 3, and the dense output's.
constexpr double kC[16] = {0.0, 0.526001519587677318785587544488e-01, 0.789002279381515978178381316732e-01, 0.118350341907227396726757197510, 0.281649658092772603273242802490, 0.333333333333333333333333333333, 0.25, 0.307692307692307692307692307692, 0.651282051282051282051282051282, 0.6, 0.857142857142857142857142857142, 1.0, 1.0, 0.1, 0.2, 0.777777777777777777777777777778};
constexpr double kA[16][15] = {
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {5.26001519587677318785587544488e-2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {1.97250569845378994544595329183e-2, 5.91751709536136983633785987549e-2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {2.95875854768068491816892993775e-2, 0, 8.87627564304205475450678981324e-2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {2.41365134159266685502369798665e-1, 0, -8.84549479328286085344864962717e-1, 9.24834003261792003115737966543e-1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {3.7037037037037037037037037037e-2, 0, 0, 1.70828608729473871279604482173e-1, 1.25467687566822425016691814123e-1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {3.7109375e-2, 0, 0, 1.70252211019544039314978060272e-1, 6.02165389804559606850219397283e-2, -1.7578125e-2, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {3.70920001185047927108779319836e-2, 0, 0, 1.70383925712239993810214054705e-1, 1.07262030446373284651809199168e-1, -1.53194377486244017527936158236e-2, 8.27378916381402288758473766002e-3, 0, 0, 0, 0, 0, 0, 0, 0},
    {6.24110958716075717114429577812e-1, 0, 0, -3.36089262944694129406857109825, -8.68219346841726006818189891453e-1, 2.75920996994467083049415600797e1, 2.01540675504778934086186788979e1, -4.34898841810699588477366255144e1, 0, 0, 0, 0, 0, 0, 0},
    {4.77662536438264365890433908527e-1, 0, 0, -2.48811461997166764192642586468, -5.90290826836842996371446475743e-1, 2.12300514481811942347288949897e1, 1.52792336328824235832596922938e1, -3.32882109689848629194453265587e1, -2.03312017085086261358222928593e-2, 0, 0, 0, 0, 0, 0},
    {-9.3714243008598732571704021658e-1, 0, 0, 5.18637242884406370830023853209, 1.09143734899672957818500254654, -8.14978701074692612513997267357, -1.85200656599969598641566180701e1, 2.27394870993505042818970056734e1, 2.49360555267965238987089396762, -3.0467644718982195003823669022, 0, 0, 0, 0, 0},
    {2.27331014751653820792359768449, 0, 0, -1.05344954667372501984066689879e1, -2.00087205822486249909675718444, -1.79589318631187989172765950534e1, 2.79488845294199600508499808837e1, -2.85899827713502369474065508674, -8.87285693353062954433549289258, 1.23605671757943030647266201528e1, 6.43392746015763530355970484046e-1, 0, 0, 0, 0},
    {5.42937341165687622380535766363e-2, 0, 0, 0, 0, 4.45031289275240888144113950566, 1.89151789931450038304281599044, -5.8012039600105847814672114227, 3.1116436695781989440891606237e-1, -1.52160949662516078556178806805e-1, 2.01365400804030348374776537501e-1, 4.47106157277725905176885569043e-2, 0, 0, 0},
    {5.61675022830479523392909219681e-2, 0, 0, 0, 0, 0, 2.53500210216624811088794765333e-1, -2.46239037470802489917441475441e-1, -1.24191423263816360469010140626e-1, 1.5329179827876569731206322685e-1, 8.20105229563468988491666602057e-3, 7.56789766054569976138603589584e-3, -8.298e-3, 0, 0},
    {3.18346481635021405060768473261e-2, 0, 0, 0, 0, 2.83009096723667755288322961402e-2, 5.35419883074385676223797384372e-2, -5.49237485713909884646569340306e-2, 0, 0, -1.08347328697249322858509316994e-4, 3.82571090835658412954920192323e-4, -3.40465008687404560802977114492e-4, 1.41312443674632500278074618366e-1, 0},
    {-4.28896301583791923408573538692e-1, 0, 0, 0, 0, -4.69762141536116384314449447206, 7.68342119606259904184240953878, 4.06898981839711007970213554331, 3.56727187455281109270669543021e-1, 0, 0, 0, -1.39902416515901462129418009734e-3, 2.9475147891527723389556272149, -9.15095847217987001081870187138},
};
constexpr double kE5[12] = {0.1312004499419488073250102996e-1, 0, 0, 0, 0, -0.1225156446376204440720569753e+1, -0.4957589496572501915214079952, 0.1664377182454986536961530415e+1, -0.3503288487499736816886487290, 0.3341791187130174790297318841, 0.8192320648511571246570742613e-1, -0.2235530786388629525884427845e-1};
constexpr double kE3[12] = {5.42937341165687622380535766363e-2 - 0.244094488188976377952755905512, 0, 0, 0, 0, 4.45031289275240888144113950566, 1.89151789931450038304281599044, -5.8012039600105847814672114227, 3.1116436695781989440891606237e-1 - 0.733846688281611857341361741547, -1.52160949662516078556178806805e-1, 2.01365400804030348374776537501e-1, 4.47106157277725905176885569043e-2 - 0.220588235294117647058823529412e-1};
constexpr double kD[4][16] = {
    {-0.84289382761090128651353491142e+1, 0, 0, 0, 0, 0.56671495351937776962531783590, -0.30689499459498916912797304727e+1, 0.23846676565120698287728149680e+1, 0.21170345824450282767155149946e+1, -0.87139158377797299206789907490, 0.22404374302607882758541771650e+1, 0.63157877876946881815570249290, -0.88990336451333310820698117400e-1, 0.18148505520854727256656404962e+2, -0.91946323924783554000451984436e+1, -0.44360363875948939664310572000e+1},
    {0.10427508642579134603413151009e+2, 0, 0, 0, 0, 0.24228349177525818288430175319e+3, 0.16520045171727028198505394887e+3, -0.37454675472269020279518312152e+3, -0.22113666853125306036270938578e+2, 0.77334326684722638389603898808e+1, -0.30674084731089398182061213626e+2, -0.93321305264302278729567221706e+1, 0.15697238121770843886131091075e+2, -0.31139403219565177677282850411e+2, -0.93529243588444783865713862664e+1, 0.35816841486394083752465898540e+2},
    {0.19985053242002433820987653617e+2, 0, 0, 0, 0, -0.38703730874935176555105901742e+3, -0.18917813819516756882830838328e+3, 0.52780815920542364900561016686e+3, -0.11573902539959630126141871134e+2, 0.68812326946963000169666922661e+1, -0.10006050966910838403183860980e+1, 0.77771377980534432092869265740, -0.27782057523535084065932004339e+1, -0.60196695231264120758267380846e+2, 0.84320405506677161018159903784e+2, 0.11992291136182789328035130030e+2},
    {-0.25693933462703749003312586129e+2, 0, 0, 0, 0, -0.15418974869023643374053993627e+3, -0.23152937917604549567536039109e+3, 0.35763911791061412378285349910e+3, 0.93405324183624310003907691704e+2, -0.37458323136451633156875139351e+2, 0.10409964950896230045147246184e+3, 0.29840293426660503123344363579e+2, -0.43533456590011143754432175058e+2, 0.96324553959188282948394950600e+2, -0.39177261675615439165231486172e+2, -0.14972683625798562581422125276e+3},
};

constexpr double kSafety = 0.9;
constexpr double kMinShrink = 0.333;  // a step is at least kMinShrink times the last one
constexpr double kMaxGrowth = 6;      // and at most kMaxGrowth times
constexpr double kRound = 2.3e-16;

}  // namespace

bool Dop853::eval(double x, const double *u, double *du) {
    ++rhsEvals;
    return f_(x, u, du);
}

bool Dop853::start(double x, const double *u, int dim, double xEnd) {
    dim_ = dim;
    ctl_ = std::min<int>(dim, int(atol_.size()));
    const size_t d = size_t(dim);
    y_.assign(u, u + dim);
    yOld_.assign(d, 0.0);
    yNew_.assign(d, 0.0);
    stage_.assign(d, 0.0);
    arg12_.assign(d, 0.0);
    k_.assign(16 * d, 0.0);
    cont_.assign(7 * d, 0.0);
    x_ = xOld_ = x;
    xEnd_ = xEnd;
    dir_ = xEnd >= x ? 1 : -1;
    hLast_ = 0;
    facOld_ = 1e-4;
    lastRejected_ = false;
    denseReady_ = false;
    shiftSlope_ = false;
    stiffCount_ = nonStiffCount_ = 0;
    sigmaOld_ = HUGE_VAL;
    message_.clear();
    if (!eval(x, y_.data(), k_.data())) return false;
    h_ = initialStep();
    return true;
}

// The first step from the size of the solution, its slope and its second derivative
// estimated by one explicit Euler step, so that the step's error of order 8 is near 1e-2
// of the tolerance.
double Dop853::initialStep() {
    const double span = std::fabs(xEnd_ - x_);
    const double *f0 = k_.data();
    double dnf = 0, dny = 0;
    for (int i = 0; i < ctl_; ++i) {
        const double sk = atol_[size_t(i)] + rtol_ * std::fabs(y_[size_t(i)]);
        dnf += (f0[i] / sk) * (f0[i] / sk);
        dny += (y_[size_t(i)] / sk) * (y_[size_t(i)] / sk);
    }
    double h = (dnf <= 1e-10 || dny <= 1e-10) ? 1e-6 : std::sqrt(dny / dnf) * 0.01;
    h = std::min(h, span);
    for (int i = 0; i < dim_; ++i) stage_[size_t(i)] = y_[size_t(i)] + dir_ * h * f0[i];
    double *f1 = k_.data() + size_t(dim_);
    double der2 = 0;
    if (eval(x_ + dir_ * h, stage_.data(), f1)) {
        for (int i = 0; i < ctl_; ++i) {
            const double sk = atol_[size_t(i)] + rtol_ * std::fabs(y_[size_t(i)]);
            der2 += ((f1[i] - f0[i]) / sk) * ((f1[i] - f0[i]) / sk);
        }
        der2 = std::sqrt(der2) / h;
    }
    const double der12 = std::max(der2, std::sqrt(dnf));
    const double h1 = der12 <= 1e-15 ? std::max(1e-6, h * 1e-3) : std::pow(0.01 / der12, 1.0 / 8);
    return dir_ * std::max(std::min({100 * h, h1, span}), 1e-300);
}

Stepper::Result Dop853::step() {
    const size_t d = size_t(dim_);
    double *k = k_.data();
    if (shiftSlope_) {
        // The slope at the end of the last step is this step's first stage.
        std::copy(k + 12 * d, k + 13 * d, k);
        shiftSlope_ = false;
    }
    for (;;) {
        if (0.1 * std::fabs(h_) <= std::fabs(x_) * kRound || std::fabs(h_) < 1e-300) {
            message_ = "the step size fell below the rounding level of x";
            return Result::Failed;
        }
        // The last step ends at xEnd; one only slightly short of it is stretched to it.
        bool last = false;
        if ((x_ + 1.01 * h_ - xEnd_) * dir_ > 0) {
            h_ = xEnd_ - x_;
            last = true;
        }
        const double h = h_;
        bool ok = true;
        for (int s = 1; s < 12 && ok; ++s) {
            for (size_t i = 0; i < d; ++i) {
                double sum = 0;
                for (int j = 0; j < s; ++j) sum += kA[s][j] * k[size_t(j) * d + i];
                stage_[i] = y_[i] + h * sum;
            }
            if (s == 11) arg12_ = stage_;
            ok = eval(x_ + kC[s] * h, stage_.data(), k + size_t(s) * d);
        }
        if (!ok) {
            // No value inside the step: a shorter one may stay clear of the trouble.
            h_ *= 0.25;
            lastRejected_ = true;
            continue;
        }
        double err5 = 0, err3 = 0;
        for (size_t i = 0; i < d; ++i) {
            double sum = 0, e5 = 0, e3 = 0;
            for (int j = 0; j < 12; ++j) {
                const double kj = k[size_t(j) * d + i];
                sum += kA[12][j] * kj;
                e5 += kE5[j] * kj;
                e3 += kE3[j] * kj;
            }
            yNew_[i] = y_[i] + h * sum;
            if (int(i) < ctl_) {
                const double sk = atol_[i] + rtol_ * std::max(std::fabs(y_[i]), std::fabs(yNew_[i]));
                err5 += (e5 / sk) * (e5 / sk);
                err3 += (e3 / sk) * (e3 / sk);
            }
        }
        double deno = err5 + 0.01 * err3;
        if (deno <= 0) deno = 1;
        const double err = std::fabs(h) * err5 / std::sqrt(deno * ctl_);
        if (!std::isfinite(err)) {
            h_ *= 0.25;
            lastRejected_ = true;
            continue;
        }
        const double fac11 = std::pow(err, 1.0 / 8);
        if (err > 1) {
            h_ = h / std::min(1 / kMinShrink, fac11 / kSafety);
            lastRejected_ = true;
            continue;
        }
        // Accepted: the slope at the new point is the next step's first stage.
        if (!eval(x_ + h, yNew_.data(), k + 12 * d)) {
            h_ *= 0.25;
            lastRejected_ = true;
            continue;
        }
        ++steps;
        facOld_ = std::max(err, 1e-4);
        // Stiffness: rho ~ |lambda| of the fastest mode from the two slopes at x + h, and
        // sigma, the rate at which the solution itself changes (|Y'| / |Y| in the
        // tolerance's scale). A step held near the stability bound by a mode far faster
        // than the solution marks a stiff stretch; so does a step past the bound itself.
        double num = 0, den = 0, fn = 0, yn = 0;
        for (int i = 0; i < ctl_; ++i) {
            const double df = k[12 * d + size_t(i)] - k[11 * d + size_t(i)];
            const double dy = yNew_[size_t(i)] - arg12_[size_t(i)];
            num += df * df;
            den += dy * dy;
            const double sk = atol_[size_t(i)] + rtol_ * std::fabs(yNew_[size_t(i)]);
            fn += (k[12 * d + size_t(i)] / sk) * (k[12 * d + size_t(i)] / sk);
            yn += (yNew_[size_t(i)] / sk) * (yNew_[size_t(i)] / sk);
        }
        curvature_ = 0;
        for (int i = 0; i < ctl_; ++i)
            curvature_ = std::max(curvature_, std::fabs(k[12 * d + size_t(i)] - k[size_t(i)]) /
                                                  (std::fabs(h) * std::max(1.0, std::fabs(yNew_[size_t(i)]))));
        bool stiff = false;
        if (den > 0) {
            const double rho = std::sqrt(num / den), hRho = std::fabs(h) * rho;
            const double sigma = yn > 0 ? std::sqrt(fn / yn) : HUGE_VAL;
            // While a fast transient decays (sigma falling like exp(-h rho) per step) the
            // explicit steps resolve it far more cheaply than BDF would.
            const bool settled = sigma >= std::exp(-0.5 * hRho) * sigmaOld_;
            sigmaOld_ = sigma;
            if (hRho > kStabilityLimit ||
                (hRho > kHeldDown && rho > kSeparation * sigma && settled)) {
                nonStiffCount_ = 0;
                stiff = ++stiffCount_ >= kStiffSteps;
            } else if (++nonStiffCount_ >= 6) {
                stiffCount_ = 0;
            }
        }
        yOld_.swap(y_);
        y_.swap(yNew_);
        xOld_ = x_;
        x_ = last ? xEnd_ : x_ + h;
        hLast_ = h;
        denseReady_ = false;
        double fac = std::max(1 / kMaxGrowth, std::min(1 / kMinShrink, fac11 / kSafety));
        double hNew = h / fac;
        if (lastRejected_) hNew = dir_ * std::min(std::fabs(hNew), std::fabs(h));
        lastRejected_ = false;
        // The stages stay for the dense output until the next step begins.
        shiftSlope_ = true;
        h_ = hNew;
        return stiff ? Result::Stiff : Result::Ok;
    }
}

// The coefficients of the continuous extension of the last step: three more stages.
void Dop853::prepareDense() {
    const size_t d = size_t(dim_);
    double *k = k_.data();
    const double h = hLast_;
    bool ok = true;
    for (int s = 13; s < 16 && ok; ++s) {
        for (size_t i = 0; i < d; ++i) {
            double sum = 0;
            for (int j = 0; j < s; ++j) sum += kA[s][j] * k[size_t(j) * d + i];
            stage_[i] = yOld_[i] + h * sum;
        }
        ok = eval(xOld_ + kC[s] * h, stage_.data(), k + size_t(s) * d);
    }
    for (size_t i = 0; i < d; ++i) {
        const double dy = y_[i] - yOld_[i];
        const double f0 = k[i], f1 = k[12 * d + i];
        cont_[i] = dy;
        cont_[d + i] = h * f0 - dy;
        cont_[2 * d + i] = 2 * dy - h * (f1 + f0);
        for (int r = 0; r < 4; ++r) {
            double sum = 0;
            if (ok)
                for (int j = 0; j < 16; ++j) sum += kD[r][j] * k[size_t(j) * d + i];
            cont_[size_t(3 + r) * d + i] = h * sum;  // without the extra stages: cubic Hermite
        }
    }
    denseReady_ = true;
}

void Dop853::interpolate(double x, double *u) {
    const size_t d = size_t(dim_);
    if (x == x_) {
        std::copy(y_.begin(), y_.end(), u);
        return;
    }
    if (!denseReady_) prepareDense();
    const double s = (x - xOld_) / hLast_, s1 = 1 - s;
    const double *c = cont_.data();
    for (size_t i = 0; i < d; ++i)
        u[i] = yOld_[i] +
               s * (c[i] + s1 * (c[d + i] + s * (c[2 * d + i] + s1 * (c[3 * d + i] +
                    s * (c[4 * d + i] + s1 * (c[5 * d + i] + s * c[6 * d + i]))))));
}

}  // namespace quadrel::solver
