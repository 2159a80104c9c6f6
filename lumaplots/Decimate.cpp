#include "lumaplots/Decimate.h"

#include <algorithm>
#include <cmath>

namespace quadrel {

namespace {

// The points of one run that are kept: first, lowest, highest, last.
struct Run {
    int column = 0;
    int first = -1, low = -1, high = -1, last = -1;

    void start(int i, int col) {
        column = col;
        first = low = high = last = i;
    }
    void add(int i, double y, const QVector<double> &ys) {
        if (y < ys[low])
            low = i;
        if (y > ys[high])
            high = i;
        last = i;
    }
    void flush(QVector<int> &out) {
        if (first < 0)
            return;
        int kept[4] = {first, low, high, last};
        std::sort(kept, kept + 4);
        for (int k : kept) {
            if (out.isEmpty() || out.last() != k)
                out.append(k);
        }
        first = -1;
    }
};

}  // namespace

int columnOf(const ColumnGrid &grid, double x) {
    const double t = (x - grid.xMin) / (grid.xMax - grid.xMin) * grid.columns;
    return t < 0 ? -1 : t >= grid.columns ? grid.columns : int(t);
}

QVector<int> decimateByColumn(const QVector<double> &xs, const QVector<double> &ys,
                              const ColumnGrid &grid) {
    const int n = std::min(xs.size(), ys.size());
    QVector<int> out;
    const double width = grid.xMax - grid.xMin;
    if (n == 0 || grid.columns <= 0 || !(width > 0) || !std::isfinite(width)) {
        out.resize(n);
        for (int i = 0; i < n; ++i)
            out[i] = i;
        return out;
    }
    out.reserve(std::min(n, 4 * (grid.columns + 2)));
    Run run;
    for (int i = 0; i < n; ++i) {
        const double x = xs[i], y = ys[i];
        if (!std::isfinite(x) || !std::isfinite(y)) {
            run.flush(out);
            out.append(i);
            continue;
        }
        const int column = columnOf(grid, x);
        if (run.first >= 0 && column == run.column) {
            run.add(i, y, ys);
        } else {
            run.flush(out);
            run.start(i, column);
        }
    }
    run.flush(out);
    return out;
}

}  // namespace quadrel
