#pragma once

#include <optional>
#include <QString>

namespace app {

// Text to Boolean as the program's settings are written: "True" or "False" in
// any letter case, or a number (0 is False, any other True). Anything else is
// run-time error 13.
bool CBool(const QString& text);
// The same reading without the error: nullopt for a text that is no Boolean.
std::optional<bool> toBoolean(const QString& text);

// Decimal text to a 32-bit number; a fraction is rounded half to even. Not a
// number: run-time error 13; out of range: 6.
qint32 CLng(const QString& text);

// A 32-bit number to 16 bits; out of range: run-time error 6.
qint16 CInt(qint32 value);

} // namespace app
