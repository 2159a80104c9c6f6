#pragma once
// Page "&2. Parameters": questions 2 to 6 with their response boxes, and the two notes.
#include "ui/Controls.h"

#include <array>

namespace quadrel {

class ParametersPage : public QWidget {
    Q_OBJECT
public:
    explicit ParametersPage(QWidget *parent = nullptr);

    QLabel *lblHeader2b;                 // "Questions"
    QLabel *lblHeader2a;                 // "Responses"
    std::array<QLabel *, 7> question{};  // Question(2..6); elements 0 and 1 unused
    TextBox *a0InitVal, *x0InitVal, *YinitVals, *nPoints, *Delta_x;
    QLabel *lblKeepNotes;
    TextBox *Note1, *Note2;
    QLabel *lblTabNote;
};

}  // namespace quadrel
