#pragma once

#include "arguments.h"

#include <QString>

namespace cli {

// The value setters of the options: each checks the value and returns the
// message of a mistake in it, or nothing.
using Setter = QString (*)(Arguments& a, const QString& value);

QString setOrdner(Arguments& a, const QString& value);
QString setAnwendung(Arguments& a, const QString& value);
QString setFremd(Arguments& a, const QString& value);
QString setArt(Arguments& a, const QString& value);
QString setArten(Arguments& a, const QString& value);
QString setSeite(Arguments& a, const QString& value);
QString setAnzahl(Arguments& a, const QString& value);
QString setText(Arguments& a, const QString& value);
QString setVorlage(Arguments& a, const QString& value);
QString setFormat(Arguments& a, const QString& value);

} // namespace cli
