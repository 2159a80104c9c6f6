#pragma once
// Late-bound reading and writing of a control's layout properties by name, in twips (font
// sizes in points). A property the control does not have reads and writes as "not there",
// which the caller turns into its own error handling.
#include <QString>

namespace quadrel {

struct ControlEntry;

enum class Prop { Left, Top, Width, Height, X1, X2, Y1, Y2, TabHeight, TabMaxWidth, FontSize };

QString propName(Prop p);

// Reads the property into value; false when the control has no such property.
bool getProp(const ControlEntry &c, Prop p, double &value);
// Assigns the property; false when the control has no such property or refuses the value.
bool setProp(const ControlEntry &c, Prop p, double value);

}  // namespace quadrel
