#pragma once
// Proportional resizing of a form. StoreSizes records, once, every control's position, size
// and font size as fractions of the form's inner size; ReSizeControls multiplies those
// fractions by the form's new inner size after every resize. Positions and widths follow the
// inner width; tops, heights and font sizes follow the inner height only. Every resize starts
// from the same recorded fractions, so resizing back and forth never accumulates rounding.
#include <QString>
#include <vector>

class QWidget;

namespace quadrel {

class ControlRegistry;

// The recorded fractions: slot i of each array belongs to the i-th control of the registry.
// What a slot means depends on the control's kind (see ResizeRow).
struct ResizeState {
    std::vector<float> ratio1, ratio2, ratio3, ratio4, ratio5;
};

// The form as the resizer sees it: its controls in their fixed order and its inner area,
// whose size is ScaleWidth x ScaleHeight.
struct ResizeForm {
    const ControlRegistry &controls;
    const QWidget *inner;
    double ScaleWidth() const;   // twips
    double ScaleHeight() const;  // twips
};

// What a control records, by its run-time type name. Rows are tested in this order.
//   Line        X1/SW, X2/SW, Y1/SH, Y2/SH
//   Skipped     nothing (common dialogs, timers, menus, image lists)
//   HScrollBar  Top/SH, Left/SW, Width/SW
//   VScrollBar  Top/SH, Left/SW, Height/SH
//   PictureBox  Top/SH, Left/SW, Width/SW, Height/SH
//   SSTab       TabHeight/SH, TabMaxWidth/SW, Width/SW, Height/SH, FontSize/SH
//   Common      Top/SH, Left/SW, Width/SW, Height/SH, FontSize/SH (text boxes, labels, buttons,
//               option buttons, check boxes, lists, frames, the grid)
//   Other       Top/SH, Left/SW (moved, never resized: the rich text box)
enum class ResizeRow { Line, Skipped, HScrollBar, VScrollBar, PictureBox, SSTab, Common, Other };
ResizeRow resizeRow(const QString &typeName);

// Records the fractions of every control. A control of a listed kind that lacks a property it
// should record, or an inner size of zero, ends the capture with an RtError; the slots not
// filled by then stay 0.
void StoreSizes(ResizeState &state, const ResizeForm &form);

// Re-lays the form out from the recorded fractions. Below an inner size of 2000 x 1500 twips
// nothing changes. Every assignment that fails (a property the control lacks, a value it
// refuses, a control beyond the recorded slots) is skipped and the next one is tried.
void ReSizeControls(const ResizeState &state, const ResizeForm &form);

}  // namespace quadrel
