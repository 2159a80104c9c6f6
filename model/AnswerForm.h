#pragma once
// The view of the question form that the response file writer reads. The main window
// implements it; tests implement it with the form's captions.
#include <QString>

namespace quadrel {

class AnswerForm {
public:
    virtual ~AnswerForm() = default;
    // Copies the form into the answer set (establishes nDataPoints and nSolverVars).
    virtual void PutAnswers() = 0;
    // Caption of label Question(i), i = 1..6, as shown (access-key "&&" already a single "&").
    virtual QString questionCaption(int i) const = 0;
    // Caption of label SolvQuestion(i), i = 1..7, including its 10-character default column.
    virtual QString solvQuestionCaption(int i) const = 0;
    // Text of grid cell (row, col), rows from 1, col 1 = X, 2 = Y.
    virtual QString gridCellText(int row, int col) const = 0;
    // Text of the Equation box.
    virtual QString equationText() const = 0;
    // Moves the keyboard focus to the Equation box.
    virtual void focusEquation() = 0;
    // Selects optBVP (true) or optIVP (false) on the form, as the reader does while loading.
    virtual void selectProblemType(bool bvp) = 0;

    // What the file commands ask of the form; a form without them ignores the call.
    // Fills the form from the answer set and clears the dirty flag.
    virtual void GetAnswers() {}
    // Empties the data grid.
    virtual void ClearGrid() {}
    // Shows the current file name in the window caption.
    virtual void ShowFilename() {}
    // Enables the Submit button once a problem has been saved.
    virtual void enableSubmit() {}
    // Unloads the form, which ends the program.
    virtual void unloadForm() {}
};

}  // namespace quadrel
