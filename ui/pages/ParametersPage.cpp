#include "ui/pages/ParametersPage.h"

#include "model/Captions.h"
#include "ui/pages/PageStyle.h"

namespace quadrel {

namespace {
TextBox *box(QWidget *parent, const char *name, const char *text, double top) {
    auto *b = new TextBox(parent);
    b->setObjectName(name);
    b->setText(text);
    placeTwips(b, 7560, top, 3780, 360);
    return b;
}
}  // namespace

ParametersPage::ParametersPage(QWidget *parent) : QWidget(parent) {
    lblHeader2b = makeLabel(this, "lblHeader2b", "Questions", 240, 180, 6900, 270);
    lblHeader2a = makeLabel(this, "lblHeader2a", "Responses", 7560, 180, 3780, 270);
    style::heading(lblHeader2b);
    style::heading(lblHeader2a);

    // One row per question: the caption on the left (room for two lines), its box on the right.
    const double row0 = 600, pitch = 690;
    for (int i = 2; i <= 6; ++i) {
        const double top = row0 + (i - 2) * pitch;
        question[static_cast<size_t>(i)] =
            makeLabel(this, "Question", captions::question(i), 240, top, 7080, 480);
    }
    a0InitVal = box(this, "a0InitVal", "a", row0 + 0 * pitch);
    x0InitVal = box(this, "x0InitVal", "x0", row0 + 1 * pitch);
    YinitVals = box(this, "YinitVals", "y y' y'' etc @ x0", row0 + 2 * pitch);
    nPoints = box(this, "nPoints", "nPoints", row0 + 3 * pitch);
    Delta_x = box(this, "Delta_x", "Delta x", row0 + 4 * pitch);

    lblKeepNotes = makeLabel(this, "lblKeepNotes", "20. \u00bb Keep notes below ...", 240, 4260,
                             11100, 270);
    Note1 = new TextBox(this);
    Note1->setObjectName("Note1");
    Note1->setText("Keep notes for future runs");
    Note1->setToolTip("Note1...Keep notes for future runs");
    placeTwips(Note1, 240, 4590, 11100, 360);
    Note2 = new TextBox(this);
    Note2->setObjectName("Note2");
    Note2->setText("Remember, No nesting of brackets!  Arith. example, 3 4 y - 5 6 = (3*4*Y - 5) * 6");
    Note2->setToolTip("Note2...Keep notes for future runs");
    placeTwips(Note2, 240, 5040, 11100, 360);

    lblTabNote = makeLabel(this, "lblTabNote", "=== Use Tab key to Move around form. ===", 240,
                           5760, 11100, 270);
    lblTabNote->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    style::note(lblTabNote);
}

}  // namespace quadrel
