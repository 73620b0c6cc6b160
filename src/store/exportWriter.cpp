#include "store/exportWriter.h"

#include "base/feedbackConstants.h"
#include "base/kindWord.h"
#include "base/privateFiles.h"
#include "store/shownRating.h"

#include <array>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace store {

namespace {

constexpr qint64 kProgressEvery = 500;
constexpr qsizetype kChunk = 256 * 1024;

void appendCsvField(QByteArray& out, QString value) {
    // The texts are written by strangers: a cell a spreadsheet would take for
    // a formula stays text. The lone "-" is the program's own empty comment.
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!value.isEmpty() && value != QStringLiteral("-") && formulaStarts.contains(value.front()))
        value.prepend(QLatin1Char('\''));
    const bool quote = value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('"')) ||
                       value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')) ||
                       (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!quote) {
        out += value.toUtf8();
        return;
    }
    out += '"';
    out += value.replace(QLatin1Char('"'), QStringLiteral("\"\"")).toUtf8();
    out += '"';
}

// Escaped byte by byte of the UTF-8 text: a character beyond the first plane
// (an emoji) is two UTF-16 units, and converting each alone lost it.
void appendJsonString(QByteArray& out, const QString& value) {
    out += '"';
    for (const char c : value.toUtf8()) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out += "\\u00" + QByteArray::number(int(c), 16).rightJustified(2, '0');
            else
                out += c;
        }
    }
    out += '"';
}

// "dd.MM.yyyy hh:mm" as ISO 8601 local time; anything else as it is.
QString isoDate(const QString& shown) {
    if (shown.size() != 16 || shown.at(2) != QLatin1Char('.') || shown.at(5) != QLatin1Char('.'))
        return shown;
    return shown.mid(6, 4) + QLatin1Char('-') + shown.mid(3, 2) + QLatin1Char('-') + shown.left(2) +
           QLatin1Char('T') + shown.mid(11, 5);
}

// Later columns go at the end: scripts read the files by position.
constexpr std::array<const char*, 7> kColumns = {"Datum",   "Art",  "K/V",    "Mitglied",
                                                 "Artikel", "Text", "Antwort"};

// The exported values of a row in the order of kColumns.
std::array<QString, kColumns.size()> exported(const modData::RatingRow& row) {
    const ShownRating r = shownRating(row);
    return {r.date, feedback::kindWord(r.kind), r.kv, r.member, r.item, r.text, r.reply};
}

void appendRow(QByteArray& out, ExportFormat format, const modData::RatingRow& row, bool first) {
    const auto values = exported(row);
    if (format == ExportFormat::Csv) {
        for (size_t i = 0; i < values.size(); ++i) {
            if (i > 0)
                out += ';';
            appendCsvField(out, values[i]);
        }
        out += "\r\n";
        return;
    }
    out += first ? "\n  {" : ",\n  {";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            out += ", ";
        appendJsonString(out, QString::fromLatin1(kColumns[i]));
        out += ": ";
        if (i == 0 && values[i].isEmpty())
            out += "null";
        else
            appendJsonString(out, i == 0 ? isoDate(values[i]) : values[i]);
    }
    out += '}';
}

QString openFailure(const QString& path, const QString& system) {
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("Den Ordner „%1“ gibt es nicht.")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    if (!folder.isWritable())
        return QStringLiteral("In den Ordner „%1“ darf nicht geschrieben werden.")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    if (file.isDir())
        return QStringLiteral("„%1“ ist ein Ordner.").arg(QDir::toNativeSeparators(path));
    return QStringLiteral("Die Datei „%1“ kann nicht angelegt werden (%2).")
        .arg(QDir::toNativeSeparators(path), system);
}

QString writeFailure(const QString& path, const QString& system) {
    return QStringLiteral("Die Datei „%1“ konnte nicht vollständig geschrieben werden (%2). Ist "
                          "der Datenträger voll?")
        .arg(QDir::toNativeSeparators(path), system);
}

} // namespace

ExportFormat formatOfPath(const QString& path) {
    return path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive) ? ExportFormat::Json
                                                                       : ExportFormat::Csv;
}

ExportResult exportRatings(const QString& path, ExportFormat format, modData::Table table,
                           const QString& member, const RatingFilter& filter,
                           const std::function<bool(qint64)>& progress) {
    ExportResult result;
    QSaveFile file(path);
    const bool existed = QFileInfo::exists(path);
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = openFailure(path, file.errorString());
        return result;
    }
    // A file the user replaces keeps the mode it had; a new one is private.
    if (!existed)
        file.setPermissions(base::kPrivateFile);
    QByteArray chunk;
    chunk.reserve(kChunk + 4096);
    if (format == ExportFormat::Csv) {
        chunk += "\xEF\xBB\xBF";
        for (size_t i = 0; i < kColumns.size(); ++i)
            chunk += QByteArray(i > 0 ? ";" : "") + kColumns[i];
        chunk += "\r\n";
    } else {
        chunk += '[';
    }
    bool writeFailed = false;
    const auto flush = [&] {
        if (file.write(chunk) != chunk.size())
            writeFailed = true;
        chunk.clear();
    };
    try {
        forEachRating(table, member, filter, [&](const modData::RatingRow& row) {
            appendRow(chunk, format, row, result.rows == 0);
            ++result.rows;
            if (chunk.size() >= kChunk)
                flush();
            if (writeFailed)
                return false;
            if (progress && result.rows % kProgressEvery == 0 && !progress(result.rows)) {
                result.cancelled = true;
                return false;
            }
            return true;
        });
    } catch (const errors::RuntimeError& e) {
        file.cancelWriting();
        result.rows = 0;
        result.error =
            QStringLiteral("Die Bewertungen konnten nicht gelesen werden: ") + e.description();
        return result;
    }
    if (result.cancelled) {
        file.cancelWriting();
        result.rows = 0;
        return result;
    }
    if (format == ExportFormat::Json)
        chunk += result.rows > 0 ? "\n]\n" : "]\n";
    flush();
    if (writeFailed || !file.commit()) {
        result.error = writeFailure(path, file.errorString());
        result.rows = 0;
        return result;
    }
    if (progress)
        progress(result.rows);
    result.ok = true;
    return result;
}

} // namespace store
