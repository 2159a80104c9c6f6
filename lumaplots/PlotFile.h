#pragma once
// The plot file the solver leaves after a run ("~4plots.plt") and its reader.
//
// Plain text, C locale. Lines beginning with "#" are comments; "# title: ...",
// "# equation: ...", "# not solved: ..." and "# columns: X Y Y' ..." (or just "# X Y Y' ...")
// are read as such, the first other comment serves as the title. The first block of
// numbers holds one row per plot point: X, Y, Y', ..., Y^(n), blank-separated. For a
// boundary value problem a second block follows after a blank line: X and Y of each data
// point and, optionally, the fitted solution's Y at that X.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

namespace quadrel {

struct PlotDataPoint {
    double x = 0;
    double y = 0;
    double fit = 0;
    bool hasFit = false;
};

struct PlotData {
    QString title;          // from "# title:", else the first free comment line
    QString equation;       // from "# equation:"
    QString notSolved;      // from "# not solved:": why the solver stopped short
    QStringList comments;   // every other comment line, without the "#"
    QString xName = QStringLiteral("X");
    QStringList curveNames;             // one per curve: "Y", "Y'", ...
    QVector<double> x;                  // block 1, column 1
    QVector<QVector<double>> curves;    // block 1, columns 2..n: curves[k][row]
    QVector<PlotDataPoint> dataPoints;  // block 2

    int curveCount() const { return curves.size(); }
    int rowCount() const { return x.size(); }
    bool isBoundaryProblem() const { return !dataPoints.isEmpty(); }
};

struct PlotParseResult {
    bool ok = false;
    PlotData data;
    QString error;   // what is wrong, one sentence without the file name
    int line = 0;    // 1-based line of the fault, 0 when it concerns the whole file
};

// Parses the text of a plot file.
PlotParseResult parsePlotText(const QByteArray &text);

// Reads and parses a plot file. A missing, unreadable or oversized file is an error too.
PlotParseResult readPlotFile(const QString &path);

// Name of the curve of the given derivative order: "Y", "Y'", "Y''", "Y'''", "Y^(4)", ...
QString derivativeName(int order);

}  // namespace quadrel
