#pragma once

#include <QDateTime>
#include <QString>

namespace modGlobal {

// Reads a date text ("22.11.2004 14:03", "22.11.04", ...) in three tries: the
// whole text, its first 8 characters, and else the zero date 30.12.1899
// 00:00. Never fails.
QDateTime funCDate(const QString& Text);

} // namespace modGlobal
