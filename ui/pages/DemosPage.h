#pragma once
// Page "&Demos": the fifteen example problems to pick from, with their run times.
#include "ui/Controls.h"

#include <QPushButton>
#include <QRadioButton>
#include <array>

namespace quadrel {

class DemosPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kExamples = 15;
    explicit DemosPage(QWidget *parent = nullptr);

    QLabel *lblDemoInstructions;
    QLabel *lblDemoHeader1, *lblDemoHeader2, *lblDemoHeader3;
    // Exam(1..15), ExTime(1..15), Description(1..15); element 0 unused.
    std::array<QRadioButton *, kExamples + 1> exam{};
    std::array<QLabel *, kExamples + 1> exTime{};
    std::array<QLabel *, kExamples + 1> description{};
    QPushButton *cmdRunDemo, *cmdCancelDemo;
};

}  // namespace quadrel
