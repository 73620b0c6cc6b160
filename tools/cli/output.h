#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace cli {

enum class Format { Tsv, Csv, Json };

// The writers of the listing commands. Stored texts come from other members
// and may hold anything: no writer passes a control character to a terminal
// raw, and JSON stays valid for every text.

// One field of a tab-separated line: tab, line feed, carriage return and
// backslash as \t, \n, \r and \\; any other control character as U+FFFD.
QString tsvField(const QString& field);

// One field of a comma-separated line (RFC 4180): quoted when it holds a
// comma, a quote or a line break; a carriage return becomes a line feed;
// other control characters but tab become U+FFFD; a field starting with =,
// +, - or @ gets a leading ' so that a spreadsheet does not run it.
QString csvField(const QString& field);

// The fields as one tsv or csv line, ended by "\n".
QString tableLine(const QStringList& fields, Format format);

// The value as indented JSON text. Control characters (also DEL and the C1
// range) are written as \u escapes, a lone surrogate as U+FFFD.
QString jsonText(const QJsonValue& value, int depth = 0);

// UTF-8 of a text; a lone surrogate becomes U+FFFD, the character after it
// is kept.
QByteArray utf8(QStringView text);

} // namespace cli
