#pragma once

#include <QString>

// Plain text from fetched marketplace text: URL escapes, numeric character
// references, the three named entities, line breaks and blank runs.
namespace modHTML2Text {

// Decodes Text; the last step turns every "'" into "`" (stored rows rely on
// it). A numeric reference above 255 is run-time error 5 for the reporter.
QString HTMLDecode(QString Text);

// Line breaks and blank runs outside tags, and numeric references of one to
// three characters.
QString funDecode(const QString& sText);

// NumIn written in base BaseIn, written in base BaseOut; "Error" for a digit
// that is not one of BaseIn.
QString BaseConvert(const QString& NumIn, quint8 BaseIn, quint8 BaseOut);

// The text as a whole number (blanks around it allowed); 0 when it is none.
qint32 funCLng(const QString& Text);

// The character of a code 0-255 in the Windows-1252 code page; any other code
// is run-time error 5.
QChar vbChr(qint64 code);

} // namespace modHTML2Text
