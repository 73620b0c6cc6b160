#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

namespace base {

// The character of a code 0 to 255 in the Windows-1252 code page (128 is the
// euro sign). Codes the page leaves unassigned map to the C1 control of the
// same number, as Windows does.
QChar fromWindows1252(int code);

// Bytes as UTF-8 when they are valid UTF-8, otherwise as Windows-1252.
QString decodeText(const QByteArray& bytes);

} // namespace base
