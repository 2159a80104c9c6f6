#pragma once
// Thins a curve of many points for drawing without changing what is drawn: of each run of
// consecutive points that fall into the same pixel column it keeps the first, the lowest,
// the highest and the last, in their order. The line drawn through the kept points enters
// and leaves each column where the full line does and spans the same heights in it, so no
// peak or dip is lost however many points share a column.
#include <QVector>

namespace quadrel {

// `columns` columns of equal width across [xMin, xMax]; points left or right of it fall
// into one column on each side.
struct ColumnGrid {
    double xMin = 0;
    double xMax = 1;
    int columns = 1;
};

// The column `x` falls into: -1 left of the grid, `columns` right of it.
int columnOf(const ColumnGrid &grid, double x);

// Indices of the points to draw, ascending. A point with a non-finite coordinate is kept
// as it is (it breaks the line) and ends the run before it.
QVector<int> decimateByColumn(const QVector<double> &xs, const QVector<double> &ys,
                              const ColumnGrid &grid);

}  // namespace quadrel
