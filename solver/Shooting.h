#pragma once
// Multiple shooting for a boundary value fit. The range (x0, the data points and the plot
// points) is split at nodes t_0 < ... < t_K, x0 among them, into K segments, each
// integrated away from x0: from its left node right of x0, from its right node left of
// it. The unknowns are the state (Y, ..., Y^(n-1)) at every node a segment starts from,
// and A when it is fitted. No integration crosses
// more than one segment: a solution that blows up from x0 with the first guesses, or
// fundamental solutions that grow by exp(range / width) across a boundary layer, stay
// bounded within a segment, and so does the integration error they carry along.
// The joins (the state a segment reaches at the next node minus that node's unknowns) are
// constraints: every Gauss-Newton step satisfies them linearized exactly and fits the data
// points by least squares over what is left, which has as many dimensions as single
// shooting has unknowns.
#include "solver/Integrator.h"
#include "solver/Problem.h"

#include <Eigen/Dense>

#include <functional>
#include <vector>

namespace quadrel::solver {

class Shooting {
public:
    // The joins are matched when each is at most kJoinTol * max(1, |the node's value|).
    static constexpr double kJoinTol = 1e-10;
    // As many segments as keep the growth over each to about kGrowthPerSegment, from 2 to
    // kMaxSegments; kUnknownGrowthSegments when single shooting could not measure it.
    static constexpr double kGrowthPerSegment = 10;
    static constexpr int kMaxSegments = 40;
    static constexpr int kUnknownGrowthSegments = 20;
    // split() adds segments up to this many.
    static constexpr int kMaxRefinedSegments = 200;

    // The residuals at one set of unknowns: r the data points' (Y - Y data), c the joins
    // (scaled ones in cScaled), with their Jacobians.
    struct Point {
        Eigen::VectorXd u, r, c, cScaled;
        Eigen::MatrixXd D, C;
        double g0 = 0;            // Y^(n) at x0
        bool ok = false;
        PassFailure failure;
        double joinMismatch() const { return c.size() ? cScaled.cwiseAbs().maxCoeff() : 0.0; }
    };

    // growth: how much the sensitivities grow over the range, HUGE_VAL when unknown.
    Shooting(const Problem &p, Integrator &integ, const std::vector<double> &plotX,
             double growth, double g0);

    int segments() const { return int(nodes_.size()) - 1; }
    long unknowns() const { return long(blocks_ * n_ + (fitA_ ? 1 : 0)); }

    // The unknowns to start from: at x0 the given initial values (and A); at every other
    // node Y and Y' of the broken line through (x0, Y(x0)) and the data points, the
    // higher derivatives 0.
    Eigen::VectorXd start(const double *initial, double a) const;
    // The initial values at x0 and A in u.
    std::vector<double> initialValues(const Eigen::VectorXd &u) const;
    double a(const Eigen::VectorXd &u) const { return fitA_ ? u[u.size() - 1] : p_.a; }

    // Integrates every segment at u. One call counts as one integration pass.
    void evaluate(const Eigen::VectorXd &u, Point &pt);
    // |r|^2 + |c|^2 with each join scaled by max(1, |its node's value in scaleU|): a fixed
    // scale over one step, so that the correction is a descent direction of it.
    double merit(const Point &pt, const Eigen::VectorXd &scaleU) const;
    // The Gauss-Newton correction at pt.
    Eigen::VectorXd step(const Point &pt) const;
    // Splits the segment that holds x in two at its middle and returns the unknowns u
    // extended by the state the pass at u reaches at the new node; empty when the
    // segments are at kMaxRefinedSegments or the pass fails there.
    Eigen::VectorXd split(const Eigen::VectorXd &u, double x);
    // A pass over the points (any order) at u, each point observed from its own segment;
    // progress every stepOut-th step of a segment.
    PassOutput pass(const Eigen::VectorXd &u, const std::vector<double> &points, int stepOut,
                    const std::function<void(long, double, const double *, double)> &progress);

private:
    void assignBlocks();
    int segmentOf(double x) const;
    // The indices of the xs in segment k; those points join s.points in that order.
    std::vector<size_t> pointsIn(int k, const std::vector<double> &xs, PassSetup &s) const;
    int startNode(int k) const { return nodes_[size_t(k)] >= p_.x0 ? k : k + 1; }
    int endNode(int k) const { return nodes_[size_t(k)] >= p_.x0 ? k + 1 : k; }
    // The pass set-up of segment k at u, Y^(n) at its start solved; false when no root.
    bool setUp(int k, const Eigen::VectorXd &u, PassSetup &s, PassFailure &failure);

    const Problem &p_;
    Integrator &integ_;
    int n_;
    bool fitA_;
    int blocks_ = 0;               // nodes with unknowns
    std::vector<double> nodes_;
    size_t x0Node_ = 0;            // the node at x0
    std::vector<int> block_;       // per node: the index of its unknowns, -1 when none
    std::vector<long> joinOf_;     // per join: the unknown it matches
    std::vector<double> roots_;    // the last Y^(n) found at each node
};

}  // namespace quadrel::solver
