#pragma once
// What the calculators' selectors stand for, in words a screen reader can say ("PGA gain"
// rather than the register field "PGA0GN"). The field name stays the control's description.
#include <QString>

namespace zerka::gui {

// The spoken name of a register field or an own selector; the name itself when unknown.
QString analogControlTitle(const QString& fieldOrObject);

} // namespace zerka::gui
