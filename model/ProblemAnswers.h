#pragma once
// The answer set of the current problem. Every answer is the text the user typed; the
// program never turns an answer into a number.
#include <QString>
#include <array>
#include <vector>

namespace quadrel {

struct ProblemAnswers {
    // answers[1..6]: equation, A, x0, initial values, number of plot points, Delta_x.
    std::array<QString, 7> answers;
    QString note1;
    QString note2;
    // 0 means an initial value problem; a positive count a boundary problem with that
    // many (X, Y) points.
    qint16 nDataPoints = 0;
    // xValues[1..], yValues[1..]; element 0 is unused so indexes match the point numbers.
    // Invariant: size() >= nDataPoints + 1.
    std::vector<QString> xValues{QString(), QString()};
    std::vector<QString> yValues{QString(), QString()};
    // solverAnswers[1..7]: REMAX, DETAIL, STEPSLIM, STEPOUT, EVALMAX, ACCURACY, ZERO.
    std::array<QString, 8> solverAnswers;
    qint16 nSolverVars = 0;  // 0 or 7
    QString changeSolverVars;

    // Resizes both point arrays to hold points 1..n (contents discarded).
    void resizePoints(int n) {
        xValues.assign(static_cast<size_t>(n) + 1, QString());
        yValues.assign(static_cast<size_t>(n) + 1, QString());
    }

    // The record as File > New leaves it.
    void clear() {
        for (auto &a : answers) a.clear();
        note1.clear();
        note2.clear();
        for (auto &s : solverAnswers) s.clear();
        nDataPoints = 0;
        nSolverVars = 0;
        resizePoints(1);
    }
};

}  // namespace quadrel
