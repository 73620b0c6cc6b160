#include "output.h"

#include "base/wholeCharacters.h"

#include <cmath>
#include <QJsonArray>
#include <QJsonObject>

namespace cli {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool isControl(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

void appendJsonString(QString& s, const QString& text) {
    s += QLatin1Char('"');
    for (const QChar ch : base::withWholeCharacters(text)) {
        const char16_t c = ch.unicode();
        switch (c) {
        case u'"':
            s += QLatin1String("\\\"");
            continue;
        case u'\\':
            s += QLatin1String("\\\\");
            continue;
        case u'\n':
            s += QLatin1String("\\n");
            continue;
        case u'\r':
            s += QLatin1String("\\r");
            continue;
        case u'\t':
            s += QLatin1String("\\t");
            continue;
        default:
            break;
        }
        if (isControl(c))
            s += QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'));
        else
            s += ch;
    }
    s += QLatin1Char('"');
}

QString jsonNumber(double d) {
    if (!std::isfinite(d))
        return QStringLiteral("null");
    // Whole numbers as integers, the way JSON readers expect counts.
    if (d == std::floor(d) && std::fabs(d) < 9007199254740992.0)
        return QString::number(qint64(d));
    return QString::number(d, 'g', QLocale::FloatingPointShortest);
}

void appendJson(QString& s, const QJsonValue& v, int depth) {
    const QString inner(4 * (depth + 1), QLatin1Char(' '));
    const QString outer(4 * depth, QLatin1Char(' '));
    switch (v.type()) {
    case QJsonValue::Bool:
        s += v.toBool() ? QLatin1String("true") : QLatin1String("false");
        return;
    case QJsonValue::Double:
        s += jsonNumber(v.toDouble());
        return;
    case QJsonValue::String:
        appendJsonString(s, v.toString());
        return;
    case QJsonValue::Array: {
        const QJsonArray a = v.toArray();
        if (a.isEmpty()) {
            s += QLatin1String("[]");
            return;
        }
        s += QLatin1String("[\n");
        for (qsizetype i = 0; i < a.size(); ++i) {
            s += inner;
            appendJson(s, a.at(i), depth + 1);
            s += i + 1 < a.size() ? QLatin1String(",\n") : QLatin1String("\n");
        }
        s += outer + QLatin1Char(']');
        return;
    }
    case QJsonValue::Object: {
        const QJsonObject o = v.toObject();
        if (o.isEmpty()) {
            s += QLatin1String("{}");
            return;
        }
        s += QLatin1String("{\n");
        for (auto it = o.begin(); it != o.end(); ++it) {
            s += inner;
            appendJsonString(s, it.key());
            s += QLatin1String(": ");
            appendJson(s, it.value(), depth + 1);
            s += std::next(it) != o.end() ? QLatin1String(",\n") : QLatin1String("\n");
        }
        s += outer + QLatin1Char('}');
        return;
    }
    default:
        s += QLatin1String("null");
    }
}

} // namespace

QString tsvField(const QString& field) {
    QString s;
    s.reserve(field.size());
    for (const QChar c : field) {
        switch (c.unicode()) {
        case u'\\':
            s += QLatin1String("\\\\");
            break;
        case u'\t':
            s += QLatin1String("\\t");
            break;
        case u'\n':
            s += QLatin1String("\\n");
            break;
        case u'\r':
            s += QLatin1String("\\r");
            break;
        default:
            s += isControl(c.unicode()) ? QChar(kReplacement) : c;
        }
    }
    return s;
}

QString csvField(const QString& field) {
    QString s;
    s.reserve(field.size() + 3);
    bool quote = false;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char16_t c = field.at(i).unicode();
        if (c == u'\r') {
            // A carriage return on a terminal would let the rest overwrite
            // the line: a line break stays one, as a line feed.
            if (i + 1 < field.size() && field.at(i + 1) == u'\n')
                ++i;
            s += QLatin1Char('\n');
            quote = true;
        } else if (c == u'\n' || c == u',' || c == u'"') {
            s += QChar(c);
            quote = true;
        } else {
            s += c != u'\t' && isControl(c) ? QChar(kReplacement) : QChar(c);
        }
    }
    // A spreadsheet takes these for a formula; TAB and CR lead in to one too.
    if (!field.isEmpty() && QStringView(u"=+-@\t\r").contains(field.front()))
        s.prepend(QLatin1Char('\''));
    if (!quote)
        return s;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

QString tableLine(const QStringList& fields, Format format) {
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += format == Format::Csv ? QLatin1Char(',') : QLatin1Char('\t');
        line += format == Format::Csv ? csvField(fields.at(i)) : tsvField(fields.at(i));
    }
    return line + QLatin1Char('\n');
}

QString jsonText(const QJsonValue& value, int depth) {
    QString s;
    appendJson(s, value, depth);
    return depth == 0 ? s + QLatin1Char('\n') : s;
}

QByteArray utf8(QStringView text) {
    // QString::toUtf8 writes a lone surrogate as '?': it is replaced first.
    return base::hasLoneSurrogate(text) ? base::withWholeCharacters(text).toUtf8() : text.toUtf8();
}

} // namespace cli
