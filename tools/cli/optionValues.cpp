#include "optionValues.h"

#include <optional>

namespace cli {
namespace {

int kindOf(const QString& name) {
    const QString v = name.trimmed().toLower();
    return v == QLatin1String("positiv")   ? 1
           : v == QLatin1String("neutral") ? 2
           : v == QLatin1String("negativ") ? 3
                                           : 0;
}

// Pages of 200 beyond the upper bound would pass the 32-bit row numbers.
std::optional<qint32> countOf(const QString& value) {
    bool ok = false;
    const qint64 n = value.trimmed().toLongLong(&ok);
    if (!ok || n < 1 || n > 10'000'000)
        return std::nullopt;
    return qint32(n);
}

} // namespace

QString setOrdner(Arguments& a, const QString& value) {
    if (value.trimmed().isEmpty())
        return QStringLiteral("Die Option --ordner braucht ein Verzeichnis.");
    a.ordner = value;
    return {};
}

QString setAnwendung(Arguments& a, const QString& value) {
    if (value.trimmed().isEmpty())
        return QStringLiteral("Die Option --anwendung braucht eine Datei.");
    a.anwendung = value;
    return {};
}

QString setFremd(Arguments& a, const QString& value) {
    if (value.trimmed().isEmpty())
        return QStringLiteral("Die Option --fremd braucht einen Mitgliedsnamen.");
    a.fremd = value;
    return {};
}

QString setArt(Arguments& a, const QString& value) {
    a.art = kindOf(value);
    if (a.art == 0)
        return QStringLiteral("Unbekannte Art \"%1\": erlaubt sind positiv, neutral und negativ.")
            .arg(value);
    return {};
}

QString setArten(Arguments& a, const QString& value) {
    bool kinds[3] = {false, false, false};
    for (const QString& part : value.split(QLatin1Char(','))) {
        const int kind = kindOf(part);
        if (kind == 0)
            return QStringLiteral("Unbekannte Art \"%1\": erlaubt sind positiv, neutral und "
                                  "negativ, mit Kommas getrennt.")
                .arg(part.trimmed());
        kinds[kind - 1] = true;
    }
    std::copy(std::begin(kinds), std::end(kinds), std::begin(a.arten));
    return {};
}

QString setSeite(Arguments& a, const QString& value) {
    const std::optional<qint32> n = countOf(value);
    if (!n)
        return QStringLiteral("Die Seite muss eine ganze Zahl ab 1 sein, nicht \"%1\".").arg(value);
    a.seite = *n;
    return {};
}

QString setAnzahl(Arguments& a, const QString& value) {
    if (value.trimmed().compare(QLatin1String("alle"), Qt::CaseInsensitive) == 0) {
        a.anzahl = -1;
        return {};
    }
    const std::optional<qint32> n = countOf(value);
    if (!n)
        return QStringLiteral("Die Anzahl muss eine ganze Zahl ab 1 oder \"alle\" sein, nicht "
                              "\"%1\".")
            .arg(value);
    a.anzahl = *n;
    return {};
}

QString setText(Arguments& a, const QString& value) {
    if (value.trimmed().isEmpty())
        return QStringLiteral("Die Option --text braucht einen Kommentar.");
    a.text = value;
    return {};
}

QString setVorlage(Arguments& a, const QString& value) {
    bool ok = false;
    a.vorlage = value.trimmed().toInt(&ok);
    if (!ok || a.vorlage < 1)
        return QStringLiteral("Die Vorlage muss eine ganze Zahl ab 1 sein, nicht \"%1\".")
            .arg(value);
    return {};
}

QString setFormat(Arguments& a, const QString& value) {
    const QString v = value.toLower();
    if (v == QLatin1String("tsv"))
        a.format = Format::Tsv;
    else if (v == QLatin1String("csv"))
        a.format = Format::Csv;
    else if (v == QLatin1String("json"))
        a.format = Format::Json;
    else
        return QStringLiteral("Unbekanntes Format \"%1\": erlaubt sind tsv, csv und json.")
            .arg(value);
    return {};
}

} // namespace cli
