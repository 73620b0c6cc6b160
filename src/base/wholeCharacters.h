#pragma once

#include <QString>
#include <QStringView>

namespace base {

// The text with every lone UTF-16 surrogate replaced by U+FFFD. A lone
// surrogate is no character; readers of UTF-16 differ on it, and some pair it
// with whatever unit follows, so that the next character is lost.
QString withWholeCharacters(QStringView text);
bool hasLoneSurrogate(QStringView text);

} // namespace base
