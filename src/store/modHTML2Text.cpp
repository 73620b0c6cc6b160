#include "store/modHTML2Text.h"

#include "base/windows1252.h"
#include "errors/procedure.h"

#include <cmath>
#include <limits>
#include <optional>

namespace modHTML2Text {

namespace {

int hexDigit(QChar c) {
    // Only upper-case escapes count.
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

// The smallest code from `from` on whose escape "%" + two upper-case hex
// digits occurs in text; -1 when there is none. Codes without an occurrence
// would leave the text as it is, so their passes can be skipped.
int nextEscape(const QString& text, int from) {
    int best = -1;
    qsizetype pos = text.indexOf(QLatin1Char('%'));
    while (pos >= 0 && pos + 2 < text.size()) {
        const int hi = hexDigit(text.at(pos + 1));
        const int lo = hexDigit(text.at(pos + 2));
        if (hi >= 0 && lo >= 0) {
            const int code = hi * 16 + lo;
            if (code >= from && (best < 0 || code < best))
                best = code;
        }
        pos = text.indexOf(QLatin1Char('%'), pos + 1);
    }
    return best;
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

} // namespace

QChar vbChr(qint64 code) {
    if (code < 0 || code > 255)
        errors::raise(errors::RuntimeError::InvalidCall);
    return base::fromWindows1252(static_cast<int>(code));
}

QString HTMLDecode(QString Text) {
    errors::Procedure p("[modHTML2Text] Function HTMLDecode(ByVal Text As String) As String");
    QString result;
    p.step([&] {
        if (!Text.contains(QLatin1Char('%')))
            return;
        // The passes run from code 32 to 255 in turn, each on the text the
        // earlier ones left ("%2541" becomes "%41", then "A").
        for (int c = nextEscape(Text, 32); c >= 32 && c <= 255; c = nextEscape(Text, c + 1)) {
            const QString escape = QLatin1Char('%') + BaseConvert(QString::number(c), 10, 16);
            Text.replace(escape, QString(vbChr(c)));
            if (c == 255)
                break;
        }
    });
    p.step([&] { Text = funDecode(Text); });
    p.step([&] {
        Text.replace(QLatin1String("&gt;"), QLatin1String(">"));
        Text.replace(QLatin1String("&lt;"), QLatin1String("<"));
        Text.replace(QLatin1String("&amp;"), QLatin1String("&"));
    });
    p.step([&] { Text.replace(QLatin1Char('\''), QLatin1Char('`')); });
    p.step([&] { result = Text; });
    return result;
}

QString funDecode(const QString& sText) {
    errors::Procedure p("[modHTML2Text] Function funDecode(sText As String) As String");
    QString result;
    // The result never grows beyond the input: written in place.
    QString r(sText.size(), Qt::Uninitialized);
    QChar* out = r.data();
    qsizetype length = 0;
    bool inTag = false;
    bool afterBlank = false;
    const qsizetype n = sText.size();
    qsizetype i = 0;
    while (i < n && p.active()) {
        QChar c = sText.at(i);
        const QChar next = i + 1 < n ? sText.at(i + 1) : QChar();
        if (c == u'\n' || c == u'\r')
            c = u' ';
        if (c == u'<')
            inTag = true;
        // The branches follow the decoding rules one by one, so two of them
        // do the same.
        if (inTag) { // NOLINT(bugprone-branch-clone)
            out[length++] = c;
        } else if (c == u' ' && afterBlank) {
            // a run of blanks outside a tag shrinks to one
        } else if (c == u'&' && next == u'#') {
            // Only a ";" within the next five characters can close a
            // reference; looking further would make long texts quadratic.
            qsizetype distance = 0;
            while (distance <= 5 && i + distance < n && sText.at(i + distance) != u';')
                ++distance;
            const qsizetype semicolon = i + distance;
            const qint32 code = distance >= 3 && distance <= 5 && semicolon < n
                                    ? funCLng(sText.mid(i + 2, distance - 2))
                                    : -1;
            // A code no character has ("&#-5;") stays as text: the comment
            // around it must not be lost to an error.
            if (code >= 0 && code <= 255) {
                p.step([&] { out[length++] = vbChr(code); });
                i = semicolon + 1;
                afterBlank = false;
                continue;
            }
            out[length++] = c;
        } else {
            out[length++] = c;
        }
        if (c == u'>')
            inTag = false;
        afterBlank = c == u' ' && !inTag;
        ++i;
    }
    r.truncate(length);
    p.step([&] { result = r; });
    return result;
}

QString BaseConvert(const QString& NumIn, quint8 BaseIn, quint8 BaseOut) {
    errors::Procedure p("[modHTML2Text] Function BaseConvert(NumIn As String, BaseIn As Byte, "
                        "BaseOut As Byte) As String");
    QString result;
    double v = 0;
    p.step([&] {
        const QString s = NumIn.toUpper();
        const qsizetype len = s.size();
        for (qsizetype j = 0; j < len; ++j) {
            const QChar ch = s.at(j);
            int d;
            if (ch >= u'A' && ch <= u'Z')
                d = ch.unicode() - u'A' + 10;
            else if (ch >= u'0' && ch <= u'9')
                d = ch.unicode() - u'0';
            else
                d = -1;
            if (d < 0 || d > BaseIn - 1) {
                result = QStringLiteral("Error");
                p.exit();
                return;
            }
            v += std::pow(double(BaseIn), double(len - 1 - j)) * d;
        }
        if (!std::isfinite(v))
            errors::raise(errors::RuntimeError::Overflow);
    });
    p.step([&] {
        if (BaseOut == 0)
            errors::raise(errors::RuntimeError::DivisionByZero);
        // Base 1 would never bring the value down to zero.
        if (BaseOut == 1)
            errors::raise(errors::RuntimeError::InvalidCall);
        QString out;
        do {
            const double r = v - std::floor(v / BaseOut) * BaseOut;
            v = (v - r) / BaseOut;
            const QChar digit =
                r < 10 ? QChar(u'0' + static_cast<int>(r)) : vbChr(static_cast<qint64>(r) + 55);
            out.prepend(digit);
        } while (v > 0);
        result = out;
    });
    return result;
}

namespace {

// Decimal with an optional comma fraction, rounded half to even; nullopt for
// anything else.
std::optional<qint64> decimalValue(const QString& s) {
    const qsizetype comma = s.indexOf(QLatin1Char(','));
    const QString whole = comma < 0 ? s : s.left(comma);
    const QString fraction = comma < 0 ? QString() : s.mid(comma + 1);
    bool digitsOnly = !fraction.isEmpty() || comma < 0;
    for (QChar ch : fraction)
        digitsOnly = digitsOnly && ch.isDigit() && ch.unicode() < 128;
    if (!digitsOnly || whole.isEmpty() || whole.contains(QLatin1Char(' ')))
        return std::nullopt;
    bool ok = false;
    const qint64 value = whole.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    if (fraction.isEmpty())
        return value;
    const double f = QString(QStringLiteral("0.") + fraction).toDouble();
    const bool negative = whole.startsWith(QLatin1Char('-'));
    const qint64 magnitude = negative ? -value : value;
    qint64 rounded = magnitude;
    if (f > 0.5 || (f == 0.5 && (magnitude % 2) != 0))
        rounded = magnitude + 1;
    return negative ? -rounded : rounded;
}

// "&H1F" and "&O17" are hexadecimal and octal.
std::optional<qint64> numberValue(const QString& s) {
    bool ok = false;
    qint64 value = 0;
    if (s.startsWith(QLatin1String("&H"), Qt::CaseInsensitive))
        value = s.mid(2).toLongLong(&ok, 16);
    else if (s.startsWith(QLatin1String("&O"), Qt::CaseInsensitive))
        value = s.mid(2).toLongLong(&ok, 8);
    else
        return decimalValue(s);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

} // namespace

qint32 funCLng(const QString& Text) {
    errors::Procedure p("[modHTML2Text] Function funCLng(Text As String) As Long",
                        errors::Handling::LeaveSilently);
    qint32 result = 0;
    p.step([&] {
        QString s = Text;
        while (!s.isEmpty() && isBlank(s.front()))
            s.remove(0, 1);
        while (!s.isEmpty() && isBlank(s.back()))
            s.chop(1);
        const std::optional<qint64> value = numberValue(s);
        if (!value)
            errors::raise(errors::RuntimeError::TypeMismatch);
        if (*value < std::numeric_limits<qint32>::min() ||
            *value > std::numeric_limits<qint32>::max())
            errors::raise(errors::RuntimeError::Overflow);
        result = static_cast<qint32>(*value);
    });
    return result;
}

} // namespace modHTML2Text
