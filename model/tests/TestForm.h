#pragma once
// A question form for tests: plain fields in place of the main window's controls, with
// the captions the real form shows.
#include "model/AnswerForm.h"
#include "model/AnswerRules.h"
#include "model/AppState.h"
#include "model/Captions.h"

#include <QStringList>
#include <map>
#include <utility>

namespace quadrel::test {

class TestForm : public AnswerForm {
public:
    explicit TestForm(AppState &st) : st_(st) { st.form = this; }
    ~TestForm() override {
        if (st_.form == this) st_.form = nullptr;
    }

    // The boxes: answers 1..6 (Equation .. Delta_x), notes, solver boxes Remax .. Zero.
    QString box[7];
    QString note1, note2;
    QString solver[8];
    bool bvp = false;
    int gridRows = 3;  // heading row and two empty rows, as a cleared grid has
    std::map<std::pair<int, int>, QString> cells;
    int focusRequests = 0;
    QStringList typeSelections;  // "IVP" / "BVP" in the order the reader selected them

    void setPoints(const QList<QPair<QString, QString>> &points) {
        cells.clear();
        bvp = true;
        for (int i = 0; i < points.size(); ++i) {
            cells[{i + 1, 1}] = points[i].first;
            cells[{i + 1, 2}] = points[i].second;
        }
        gridRows = static_cast<int>(points.size()) + 2;
    }

    void PutAnswers() override {
        if (st_.runMode != QLatin1String("Demo")) st_.recordedName = st_.fileName;
        ProblemAnswers &a = st_.answers;
        for (size_t i = 1; i <= 6; ++i) a.answers[i] = box[i];
        a.note1 = note1;
        a.note2 = note2;
        if (bvp)
            takeGridPoints(a, gridRows, [this](int r, int c) { return gridCellText(r, c); });
        else
            a.nDataPoints = 0;
        for (size_t i = 1; i <= 7; ++i) a.solverAnswers[i] = solver[i];
        a.nSolverVars = solverVarsFromForm(a);
    }
    QString questionCaption(int i) const override { return captions::question(i); }
    QString solvQuestionCaption(int i) const override { return captions::solvQuestion(i); }
    QString gridCellText(int row, int col) const override {
        auto it = cells.find({row, col});
        return it == cells.end() ? QString() : it->second;
    }
    QString equationText() const override { return box[1]; }
    void focusEquation() override { ++focusRequests; }
    void selectProblemType(bool isBvp) override {
        bvp = isBvp;
        typeSelections << (isBvp ? QStringLiteral("BVP") : QStringLiteral("IVP"));
    }

private:
    AppState &st_;
};

}  // namespace quadrel::test
