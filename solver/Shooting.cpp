#include "solver/Shooting.h"

#include <algorithm>
#include <cmath>

namespace quadrel::solver {

Shooting::Shooting(const Problem &p, Integrator &integ, const std::vector<double> &plotX,
                   double growth, double g0)
    : p_(p), integ_(integ), n_(p.order), fitA_(integ.nParams() > p.order) {
    double lo = p.x0, hi = p.x0;
    for (const auto *xs : {&p.dataX, &plotX})
        for (double x : *xs) {
            lo = std::min(lo, x);
            hi = std::max(hi, x);
        }
    int k = std::isfinite(growth)
                ? int(std::ceil(std::log(std::max(growth, 1.0)) / std::log(kGrowthPerSegment)))
                : kUnknownGrowthSegments;
    k = hi > lo ? std::clamp(k, 2, kMaxSegments) : 1;
    nodes_.resize(size_t(k + 1));
    for (int i = 0; i <= k; ++i) nodes_[size_t(i)] = i == k ? hi : lo + i * (hi - lo) / k;
    // A node within rounding of an output point moves onto it: an integration over a few
    // units in the last place would fail for a step below the rounding level of x.
    for (double &t : nodes_)
        for (const auto *xs : {&p.dataX, &plotX})
            for (double x : *xs)
                if (std::fabs(x - t) <= 1e-9 * (hi - lo)) t = x;
    // x0 replaces the node nearest to it, which keeps it between that node's neighbours.
    size_t near = 0;
    for (size_t i = 0; i < nodes_.size(); ++i)
        if (std::fabs(nodes_[i] - p.x0) < std::fabs(nodes_[near] - p.x0)) near = i;
    nodes_[near] = p.x0;
    x0Node_ = near;
    assignBlocks();
    roots_.assign(nodes_.size(), g0);
}

void Shooting::assignBlocks() {
    block_.assign(nodes_.size(), -1);
    blocks_ = 0;
    for (int s = 0; s < segments(); ++s)
        if (block_[size_t(startNode(s))] < 0) block_[size_t(startNode(s))] = blocks_++;
}

Eigen::VectorXd Shooting::split(const Eigen::VectorXd &u, double x) {
    const int k = segmentOf(x);
    const double mid = (nodes_[size_t(k)] + nodes_[size_t(k) + 1]) / 2;
    if (segments() >= kMaxRefinedSegments || !(mid > nodes_[size_t(k)] && mid < nodes_[size_t(k) + 1]))
        return {};
    const PassOutput at = pass(u, {mid}, 0, {});
    if (!at.done[0]) return {};
    // The unknowns of every node carried over, the new node's from the pass.
    std::vector<std::vector<double>> values(nodes_.size());
    for (size_t i = 0; i < nodes_.size(); ++i)
        if (block_[i] >= 0) values[i].assign(u.data() + block_[i] * n_, u.data() + (block_[i] + 1) * n_);
    const auto pos = long(k) + 1;
    nodes_.insert(nodes_.begin() + pos, mid);
    values.insert(values.begin() + pos, std::vector<double>(at.y.begin(), at.y.begin() + n_));
    const double root = roots_[size_t(k)];  // the new node's first Newton start
    roots_.insert(roots_.begin() + pos, root);
    if (x0Node_ >= size_t(pos)) ++x0Node_;
    assignBlocks();
    Eigen::VectorXd v(unknowns());
    for (size_t i = 0; i < nodes_.size(); ++i)
        if (block_[i] >= 0) std::copy(values[i].begin(), values[i].end(), v.data() + block_[i] * n_);
    if (fitA_) v[v.size() - 1] = u[u.size() - 1];
    return v;
}

int Shooting::segmentOf(double x) const {
    const auto it = std::upper_bound(nodes_.begin(), nodes_.end(), x);
    return std::clamp(int(it - nodes_.begin()) - 1, 0, segments() - 1);
}

std::vector<size_t> Shooting::pointsIn(int k, const std::vector<double> &xs, PassSetup &s) const {
    std::vector<size_t> which;
    for (size_t i = 0; i < xs.size(); ++i)
        if (segmentOf(xs[i]) == k) {
            which.push_back(i);
            s.points.push_back(xs[i]);
        }
    return which;
}

std::vector<double> Shooting::initialValues(const Eigen::VectorXd &u) const {
    const int b = block_[x0Node_];
    return std::vector<double>(u.data() + b * n_, u.data() + (b + 1) * n_);
}

Eigen::VectorXd Shooting::start(const double *initial, double a) const {
    // The broken line through (x0, Y(x0)) and the data points, in the order of x.
    std::vector<std::pair<double, double>> line{{p_.x0, initial[0]}};
    for (size_t i = 0; i < p_.dataX.size(); ++i) line.emplace_back(p_.dataX[i], p_.dataY[i]);
    std::stable_sort(line.begin(), line.end(),
                     [](const auto &l, const auto &r) { return l.first < r.first; });
    Eigen::VectorXd u = Eigen::VectorXd::Zero(unknowns());
    for (size_t k = 0; k < nodes_.size(); ++k) {
        const int b = block_[k];
        if (b < 0) continue;
        if (nodes_[k] == p_.x0) {
            std::copy(initial, initial + n_, u.data() + b * n_);
            continue;
        }
        size_t j = 1;
        while (j + 1 < line.size() && line[j].first < nodes_[k]) ++j;
        const double dx = line[j].first - line[j - 1].first;
        const double slope = dx > 0 ? (line[j].second - line[j - 1].second) / dx : 0.0;
        u[b * n_] = line[j - 1].second + slope * (nodes_[k] - line[j - 1].first);
        if (n_ > 1) u[b * n_ + 1] = slope;
    }
    if (fitA_) u[u.size() - 1] = a;
    return u;
}

bool Shooting::setUp(int k, const Eigen::VectorXd &u, PassSetup &s, PassFailure &failure) {
    const int from = startNode(k);
    s.x0 = nodes_[size_t(from)];
    s.z0.assign(u.data() + block_[size_t(from)] * n_, u.data() + (block_[size_t(from)] + 1) * n_);
    s.a = a(u);
    // From the root last found here, the given guess, then 0, 1 and -1.
    TopSolver &top = integ_.top();
    const double last = roots_[size_t(from)];
    const double *z = s.z0.data();
    if (p_.topGuess ? top.solveFromAny(s.x0, z, s.a, {last, *p_.topGuess, 0.0, 1.0, -1.0}, s.g0)
                    : top.solveFromAny(s.x0, z, s.a, {last, 0.0, 1.0, -1.0}, s.g0)) {
        roots_[size_t(from)] = s.g0;
        return true;
    }
    failure = {FailKind::Newton, s.x0,
               "no root for " + derivativeName(n_) + " at x = " + formatNumber(s.x0)};
    return false;
}

void Shooting::evaluate(const Eigen::VectorXd &u, Point &pt) {
    const int K = segments(), n = n_, np = integ_.nParams();
    const long N = unknowns();
    const size_t m = p_.dataX.size();
    pt = Point();
    pt.u = u;
    pt.r.resize(long(m));
    pt.D = Eigen::MatrixXd::Zero(long(m), N);
    long joins = 0;
    for (int k = 0; k < K; ++k) joins += block_[size_t(endNode(k))] >= 0 ? n : 0;
    pt.c.resize(joins);
    pt.cScaled.resize(joins);
    pt.C = Eigen::MatrixXd::Zero(joins, N);
    joinOf_.resize(size_t(joins));
    const long passesBefore = integ_.passes;
    long row = 0;
    for (int k = 0; k < K && pt.failure.kind == FailKind::None; ++k) {
        PassSetup s;
        if (!setUp(k, u, s, pt.failure)) break;
        s.sensitivities = true;
        const std::vector<size_t> which = pointsIn(k, p_.dataX, s);
        const int to = block_[size_t(endNode(k))];
        if (to >= 0) s.points.push_back(nodes_[size_t(endNode(k))]);
        const PassOutput out = integ_.run(s);
        if (out.failure.kind != FailKind::None) {
            pt.failure = out.failure;
            break;
        }
        const long col = long(block_[size_t(startNode(k))] * n);
        for (size_t q = 0; q < which.size(); ++q) {
            const long i = long(which[q]);
            pt.r[i] = out.y[q * size_t(n + 1)] - p_.dataY[which[q]];
            for (int j = 0; j < np; ++j)
                pt.D(i, j < n ? col + j : N - 1) = out.dZ(q, size_t(j));
        }
        if (to < 0) continue;
        const size_t q = which.size();
        for (int c = 0; c < n; ++c, ++row) {
            const double node = u[to * n + c];
            pt.c[row] = out.y[q * size_t(n + 1) + size_t(c)] - node;
            pt.cScaled[row] = pt.c[row] / std::max(1.0, std::fabs(node));
            joinOf_[size_t(row)] = to * n + c;
            for (int j = 0; j < np; ++j)
                pt.C(row, j < n ? col + j : N - 1) = out.dZ(q, size_t(j), size_t(c));
            pt.C(row, to * n + c) -= 1;
        }
    }
    integ_.passes = passesBefore + 1;  // one model evaluation, however many segments
    if (pt.failure.kind != FailKind::None) return;
    pt.g0 = roots_[x0Node_];
    pt.ok = pt.r.allFinite() && pt.c.allFinite() && pt.D.allFinite() && pt.C.allFinite();
}

double Shooting::merit(const Point &pt, const Eigen::VectorXd &scaleU) const {
    double m = pt.r.squaredNorm();
    for (long i = 0; i < pt.c.size(); ++i)
        m += std::pow(pt.c[i] / std::max(1.0, std::fabs(scaleU[joinOf_[size_t(i)]])), 2);
    return m;
}

Eigen::VectorXd Shooting::step(const Point &pt) const {
    if (pt.C.rows() == 0) return pt.D.completeOrthogonalDecomposition().solve(-pt.r);
    // The joins linearized, C d = -c, have full row rank (each has -1 on its own node's
    // unknown): d = dp + Z w, dp a solution, Z an orthonormal basis of C's null space, and
    // w the least-squares fit of the data points, the minimum-norm one when not unique.
    const Eigen::VectorXd dp = pt.C.completeOrthogonalDecomposition().solve(-pt.c);
    const Eigen::HouseholderQR<Eigen::MatrixXd> qr(pt.C.transpose());
    const Eigen::MatrixXd Q = qr.householderQ();
    const Eigen::MatrixXd Z = Q.rightCols(pt.u.size() - pt.C.rows());
    const Eigen::VectorXd w =
        (pt.D * Z).completeOrthogonalDecomposition().solve(-(pt.r + pt.D * dp));
    return dp + Z * w;
}

PassOutput Shooting::pass(const Eigen::VectorXd &u, const std::vector<double> &points,
                          int stepOut,
                          const std::function<void(long, double, const double *, double)> &progress) {
    const size_t row = size_t(n_ + 1);
    PassOutput all;
    all.y.assign(points.size() * row, 0.0);
    all.done.assign(points.size(), false);
    const long passesBefore = integ_.passes;
    for (int k = 0; k < segments() && all.failure.kind == FailKind::None; ++k) {
        PassSetup s;
        const std::vector<size_t> which = pointsIn(k, points, s);
        if (which.empty()) continue;
        if (!setUp(k, u, s, all.failure)) break;
        s.stepOut = stepOut;
        s.progress = progress;
        const PassOutput out = integ_.run(s);
        all.failure = out.failure;
        all.steps += out.steps;
        for (size_t q = 0; q < which.size(); ++q) {
            if (!out.done[q]) continue;
            std::copy_n(&out.y[q * row], row, &all.y[which[q] * row]);
            all.done[which[q]] = true;
            ++all.reached;
        }
    }
    integ_.passes = passesBefore + 1;
    return all;
}

}  // namespace quadrel::solver
