#pragma once

#include <QString>

namespace app {

// Text to Boolean as the program's settings are written: "True" or "False" in
// any letter case, or a number (0 is False, any other True). Anything else is
// run-time error 13.
bool CBool(const QString& text);

} // namespace app
