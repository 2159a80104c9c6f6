#pragma once
// Reading the solver's plot data "~4plots.plt" and measuring it against a closed form.
// Shared by the demo run tests and the benchmark; plain C++.
//
// The file: lines beginning with "#" are comments; the first block holds one row per plot
// point (X, Y, Y', ..., Y^(n)); for a boundary problem a second block, after one blank
// line, holds X, Y of each data point and Y of the fitted solution.
#include "DemoSolutions.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace demos {

struct PlotFile {
    std::vector<std::string> comments;            // without the leading "#"
    std::vector<std::vector<double>> rows;        // first block
    std::vector<std::vector<double>> dataRows;    // second block
};

// Reads path; returns false when it cannot be opened or a row holds something else than
// numbers.
inline bool readPlotFile(const std::string &path, PlotFile &out) {
    std::ifstream in(path);
    if (!in) return false;
    out = PlotFile();
    std::string line;
    int block = 0;            // 0 before the first row, 1 in the first block, 2 in the second
    bool sawBlank = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '#') {
            out.comments.push_back(line.substr(1));
            continue;
        }
        if (line.find_first_not_of(" \t") == std::string::npos) {
            if (block == 1) sawBlank = true;
            continue;
        }
        std::istringstream fields(line);
        std::vector<double> row;
        std::string f;
        while (fields >> f) {
            char *end = nullptr;
            const double v = std::strtod(f.c_str(), &end);
            if (end == f.c_str() || *end != '\0') return false;
            row.push_back(v);
        }
        if (block == 0) block = 1;
        if (block == 1 && sawBlank) block = 2;
        (block == 1 ? out.rows : out.dataRows).push_back(row);
    }
    return true;
}

// Error of a computed value against the closed form: relative, with an absolute floor of
// 1e-3 of the column's largest magnitude so that a solution passing through zero is not
// judged by the digits cancellation leaves.
inline double relativeError(double got, double exact, double columnMax) {
    return std::fabs(got - exact) / std::max(std::fabs(exact), 1e-3 * columnMax);
}

struct PlotErrors {
    double y = 0, yp = 0;   // largest error of the Y and Y' columns
    int worstRow = -1;      // row of the largest of both
    double max() const { return std::max(y, yp); }
};

// Largest error of Y and Y' at the given X against the closed form of demo.
inline PlotErrors plotErrors(const DemoCase &demo, const std::vector<double> &x,
                             const std::vector<double> &y, const std::vector<double> &yp) {
    PlotErrors e;
    double maxY = 0, maxYp = 0;
    for (double xi : x) {
        maxY = std::max(maxY, std::fabs(demo.y(xi)));
        maxYp = std::max(maxYp, std::fabs(demo.yp(xi)));
    }
    for (size_t i = 0; i < x.size(); ++i) {
        const double ey = relativeError(y[i], demo.y(x[i]), maxY);
        const double ep = relativeError(yp[i], demo.yp(x[i]), maxYp);
        if (!(ey <= e.max() && ep <= e.max())) e.worstRow = static_cast<int>(i);
        // NaN compares false everywhere: keep it visible.
        e.y = std::isnan(ey) ? ey : std::max(e.y, ey);
        e.yp = std::isnan(ep) ? ep : std::max(e.yp, ep);
    }
    return e;
}

}  // namespace demos
