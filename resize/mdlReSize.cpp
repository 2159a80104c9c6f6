#include "resize/mdlReSize.h"

#include "platform/RtError.h"
#include "resize/ControlProps.h"
#include "resize/Twips.h"
#include "ui/ControlRegistry.h"

#include <QWidget>

namespace quadrel {

// A control on a tab page that is not showing keeps its own place: the tab control hides the
// whole page instead of moving the page's controls aside. Its Left is therefore already the
// place it takes when its page is shown, and it is recorded and scaled like any other.

double ResizeForm::ScaleWidth() const { return twips::fromPixelsX(inner->width()); }
double ResizeForm::ScaleHeight() const { return twips::fromPixelsY(inner->height()); }

ResizeRow resizeRow(const QString &t) {
    static const QStringList skipped = {"CommonDialog", "Timer", "Menu", "ImageList"};
    static const QStringList common = {"CheckBox",  "TextBox",     "Label",         "ListBox",
                                       "DriveListBox", "DirListBox", "FileListBox", "Frame",
                                       "ComboBox",  "CommandButton", "OptionButton", "MSHFlexGrid"};
    if (t == QLatin1String("Line")) return ResizeRow::Line;
    if (skipped.contains(t)) return ResizeRow::Skipped;
    if (t == QLatin1String("HScrollBar")) return ResizeRow::HScrollBar;
    if (t == QLatin1String("VScrollBar")) return ResizeRow::VScrollBar;
    if (t == QLatin1String("PictureBox")) return ResizeRow::PictureBox;
    if (t == QLatin1String("SSTab")) return ResizeRow::SSTab;
    if (common.contains(t)) return ResizeRow::Common;
    return ResizeRow::Other;
}

namespace {

// One recorded fraction: the property's value divided by an inner dimension, which is read
// afresh for every division.
class Capture {
public:
    Capture(const ResizeForm &form, const ControlEntry &c) : form_(form), c_(c) {}
    float byWidth(Prop p) const { return ratio(p, form_.ScaleWidth()); }
    float byHeight(Prop p) const { return ratio(p, form_.ScaleHeight()); }

private:
    float ratio(Prop p, double by) const {
        double v = 0;
        if (!getProp(c_, p, v))
            throw RtError(438, "Object doesn't support this property or method: " + propName(p));
        if (by == 0) throw RtError(11, QStringLiteral("Division by zero"));
        return static_cast<float>(v / by);
    }
    const ResizeForm &form_;
    const ControlEntry &c_;
};

// One assignment: an inner dimension times a recorded fraction, rounded to single precision.
// A failing assignment is skipped.
class Apply {
public:
    Apply(const ResizeForm &form, const ControlEntry &c) : form_(form), c_(c) {}
    void byWidth(Prop p, float ratio) const { set(p, form_.ScaleWidth(), ratio); }
    void byHeight(Prop p, float ratio) const { set(p, form_.ScaleHeight(), ratio); }

private:
    void set(Prop p, double by, float ratio) const {
        setProp(c_, p, static_cast<float>(by * double(ratio)));
    }
    const ResizeForm &form_;
    const ControlEntry &c_;
};

}  // namespace

void StoreSizes(ResizeState &s, const ResizeForm &form) {
    const size_t n = size_t(form.controls.count());
    for (auto *r : {&s.ratio1, &s.ratio2, &s.ratio3, &s.ratio4, &s.ratio5}) r->assign(n, 0.0f);
    for (size_t i = 0; i < n; ++i) {
        const ControlEntry &c = form.controls.at(int(i));
        const Capture get(form, c);
        switch (resizeRow(c.typeName)) {
        case ResizeRow::Line:
            s.ratio1[i] = get.byWidth(Prop::X1);
            s.ratio2[i] = get.byWidth(Prop::X2);
            s.ratio3[i] = get.byHeight(Prop::Y1);
            s.ratio4[i] = get.byHeight(Prop::Y2);
            break;
        case ResizeRow::Skipped: break;
        case ResizeRow::HScrollBar:
        case ResizeRow::VScrollBar:
            s.ratio1[i] = get.byHeight(Prop::Top);
            s.ratio2[i] = get.byWidth(Prop::Left);
            s.ratio3[i] = resizeRow(c.typeName) == ResizeRow::HScrollBar ? get.byWidth(Prop::Width)
                                                                         : get.byHeight(Prop::Height);
            break;
        case ResizeRow::PictureBox:
            s.ratio1[i] = get.byHeight(Prop::Top);
            s.ratio2[i] = get.byWidth(Prop::Left);
            s.ratio3[i] = get.byWidth(Prop::Width);
            s.ratio4[i] = get.byHeight(Prop::Height);
            break;
        case ResizeRow::SSTab:
            s.ratio1[i] = get.byHeight(Prop::TabHeight);
            s.ratio2[i] = get.byWidth(Prop::TabMaxWidth);
            s.ratio3[i] = get.byWidth(Prop::Width);
            s.ratio4[i] = get.byHeight(Prop::Height);
            s.ratio5[i] = get.byHeight(Prop::FontSize);
            break;
        case ResizeRow::Common:
            s.ratio1[i] = get.byHeight(Prop::Top);
            s.ratio2[i] = get.byWidth(Prop::Left);
            s.ratio3[i] = get.byWidth(Prop::Width);
            s.ratio4[i] = get.byHeight(Prop::Height);
            s.ratio5[i] = get.byHeight(Prop::FontSize);
            break;
        case ResizeRow::Other:
            s.ratio1[i] = get.byHeight(Prop::Top);
            s.ratio2[i] = get.byWidth(Prop::Left);
            break;
        }
    }
}

void ReSizeControls(const ResizeState &s, const ResizeForm &form) {
    if (form.ScaleWidth() < 2000 || form.ScaleHeight() < 1500) return;
    const size_t recorded = s.ratio1.size();
    for (int i = 0; i < form.controls.count(); ++i) {
        if (size_t(i) >= recorded) break;  // controls beyond the recorded slots are left alone
        const ControlEntry &c = form.controls.at(i);
        const Apply set(form, c);
        const size_t k = size_t(i);
        switch (resizeRow(c.typeName)) {
        case ResizeRow::Line:
            set.byWidth(Prop::X1, s.ratio1[k]);
            set.byWidth(Prop::X2, s.ratio2[k]);
            set.byHeight(Prop::Y1, s.ratio3[k]);
            set.byHeight(Prop::Y2, s.ratio4[k]);
            break;
        case ResizeRow::Skipped: break;
        case ResizeRow::HScrollBar:  // its height stays
            set.byHeight(Prop::Top, s.ratio1[k]);
            set.byWidth(Prop::Left, s.ratio2[k]);
            set.byWidth(Prop::Width, s.ratio3[k]);
            break;
        case ResizeRow::VScrollBar:  // its width stays
            set.byHeight(Prop::Top, s.ratio1[k]);
            set.byWidth(Prop::Left, s.ratio2[k]);
            set.byHeight(Prop::Height, s.ratio3[k]);
            break;
        case ResizeRow::PictureBox:
            set.byHeight(Prop::Top, s.ratio1[k]);
            set.byWidth(Prop::Left, s.ratio2[k]);
            set.byWidth(Prop::Width, s.ratio3[k]);
            set.byHeight(Prop::Height, s.ratio4[k]);
            break;
        case ResizeRow::SSTab:  // its position stays
            set.byHeight(Prop::TabHeight, s.ratio1[k]);
            set.byWidth(Prop::TabMaxWidth, s.ratio2[k]);
            set.byWidth(Prop::Width, s.ratio3[k]);
            set.byHeight(Prop::Height, s.ratio4[k]);
            set.byHeight(Prop::FontSize, s.ratio5[k]);
            break;
        case ResizeRow::Common:
            set.byHeight(Prop::Height, s.ratio4[k]);
            set.byHeight(Prop::Top, s.ratio1[k]);
            set.byWidth(Prop::Left, s.ratio2[k]);
            set.byWidth(Prop::Width, s.ratio3[k]);
            set.byHeight(Prop::FontSize, s.ratio5[k]);
            break;
        case ResizeRow::Other:  // moved, never resized
            set.byHeight(Prop::Top, s.ratio1[k]);
            set.byWidth(Prop::Left, s.ratio2[k]);
            break;
        }
    }
}

}  // namespace quadrel
