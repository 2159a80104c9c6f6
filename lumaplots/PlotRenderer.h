#pragma once
// Draws a plot with QPainter: title, axes with tick labels and grid, one curve per visible
// column, the data points with their fitted values, and a legend beside the plot area.
// Used for the window, the PNG file and the clipboard alike.
#include "lumaplots/PlotFile.h"

#include <QColor>
#include <QRectF>
#include <QVector>

class QPainter;

namespace quadrel {

struct PlotRange {
    double xMin = 0, xMax = 1, yMin = 0, yMax = 1;
};

struct PlotOptions {
    QVector<bool> curveVisible;   // one per curve; missing entries count as visible
    bool pointsVisible = true;    // data points and fitted values of a boundary problem
    PlotRange range;
    QString fallbackTitle;        // shown when the file names no title
    QString placeholder;          // shown instead of a plot when there is nothing to draw
    // Curves with more points than columns are thinned to a few points per column this wide
    // (painter units); 0 means one device pixel. Vector files ask for finer columns.
    double columnWidth = 0;
};

struct PlotStats {
    int curvesDrawn = 0;   // curves of which something lies inside the plot area
    int dataMarkers = 0;   // data point markers drawn
    int fitMarkers = 0;    // fitted value markers drawn
    QRectF plotArea;       // where the axes map to
    QRectF legendArea;     // empty when there is no legend
};

QColor curveColor(int index);
QColor dataPointColor();
QColor fitColor();

bool curveShown(const PlotOptions &options, int index);

// The range that shows every visible curve and the visible data points, with a margin.
PlotRange fitRange(const PlotData &data, const PlotOptions &options);

// Draws into `target` (in the painter's coordinates) over a white background.
PlotStats renderPlot(QPainter &painter, const QRectF &target, const PlotData *data,
                     const PlotOptions &options);

}  // namespace quadrel
