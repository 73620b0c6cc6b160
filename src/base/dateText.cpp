#include "base/dateText.h"

namespace base {

namespace {

int windowedYear(int year, qsizetype digits) {
    if (digits > 2)
        return year;
    return year < 30 ? 2000 + year : 1900 + year;
}

// Reads 1 to maxDigits decimal digits at i; -1 when there are none or more.
// Hand-written: every stored rating passes through here.
int number(QStringView s, qsizetype& i, int maxDigits, qsizetype* count = nullptr) {
    int value = 0;
    qsizetype n = 0;
    while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
        if (++n > maxDigits)
            return -1;
        value = value * 10 + (s[i].unicode() - u'0');
        ++i;
    }
    if (count)
        *count = n;
    return n == 0 ? -1 : value;
}

std::optional<QTime> parseTime(QStringView s) {
    qsizetype i = 0;
    const int h = number(s, i, 2);
    if (h < 0 || i >= s.size() || s[i] != u':')
        return std::nullopt;
    ++i;
    const int m = number(s, i, 2);
    int sec = 0;
    if (m < 0)
        return std::nullopt;
    if (i < s.size()) {
        if (s[i] != u':')
            return std::nullopt;
        ++i;
        sec = number(s, i, 2);
        if (sec < 0 || i != s.size())
            return std::nullopt;
    }
    if (!QTime::isValid(h, m, sec))
        return std::nullopt;
    return QTime(h, m, sec);
}

std::optional<QDate> parseDate(QStringView s) {
    qsizetype i = 0, n1 = 0, n2 = 0, n3 = 0;
    const int a = number(s, i, 4, &n1);
    if (a < 0 || i >= s.size())
        return std::nullopt;
    const QChar sep = s[i];
    if (sep != u'.' && sep != u'/' && sep != u'-')
        return std::nullopt;
    ++i;
    const int b = number(s, i, 2, &n2);
    if (b < 0 || i >= s.size() || s[i] != sep)
        return std::nullopt;
    ++i;
    const int c = number(s, i, 4, &n3);
    if (c < 0 || i != s.size())
        return std::nullopt;
    int y, m, d;
    if (n1 == 4 && sep == u'-' && n3 <= 2) {
        y = a, m = b, d = c;
    } else if (n1 <= 2 && (n3 == 2 || n3 == 4)) {
        y = windowedYear(c, n3), m = b, d = a;
    } else {
        return std::nullopt;
    }
    if (y < 100 || !QDate::isValid(y, m, d))
        return std::nullopt;
    return QDate(y, m, d);
}

QString padded(int value, int width) {
    return QString::number(value).rightJustified(width, QLatin1Char('0'));
}

} // namespace

QDateTime zeroDate() {
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

std::optional<DateTimeText> parseLocalDateTime(const QString& text) {
    const QString s = text.trimmed();
    if (s.isEmpty())
        return std::nullopt;
    const qsizetype blank = s.indexOf(QLatin1Char(' '));
    if (blank < 0) {
        if (const auto d = parseDate(s))
            return DateTimeText{*d, QTime(0, 0)};
        if (const auto t = parseTime(s))
            return DateTimeText{zeroDate().date(), *t};
        return std::nullopt;
    }
    const auto d = parseDate(QStringView(s).left(blank));
    const auto t = parseTime(QStringView(s).mid(blank + 1).trimmed());
    if (!d || !t)
        return std::nullopt;
    return DateTimeText{*d, *t};
}

bool isStoredDate(const QString& text) {
    if (text.size() != 16 || text[4] != u'-' || text[7] != u'-' || text[10] != u' ' ||
        text[13] != u':')
        return false;
    const QStringView v(text);
    const auto field = [&](qsizetype at, qsizetype len) {
        qsizetype i = 0;
        qsizetype n = 0;
        const int value = number(v.mid(at, len), i, int(len), &n);
        return n == len ? value : -1;
    };
    const int y = field(0, 4), m = field(5, 2), d = field(8, 2), h = field(11, 2),
              min = field(14, 2);
    return y >= 0 && m >= 0 && d >= 0 && h >= 0 && min >= 0 && QDate::isValid(y, m, d) &&
           QTime::isValid(h, min, 0);
}

QString storedDate(const DateTimeText& value) {
    return padded(value.date.year(), 4) + QLatin1Char('-') + padded(value.date.month(), 2) +
           QLatin1Char('-') + padded(value.date.day(), 2) + QLatin1Char(' ') +
           padded(value.time.hour(), 2) + QLatin1Char(':') + padded(value.time.minute(), 2);
}

QString datePart(const DateTimeText& value, char part) {
    switch (part) {
    case 'y':
        return padded(value.date.year(), 4);
    case 'm':
        return padded(value.date.month(), 2);
    case 'd':
        return padded(value.date.day(), 2);
    default:
        return padded(value.time.hour(), 2) + QLatin1Char(':') + padded(value.time.minute(), 2);
    }
}

QString shownDate(const QString& stored) {
    if (!isStoredDate(stored))
        return stored;
    // Reordered as text: no time zone can shift it.
    return stored.mid(8, 2) + QLatin1Char('.') + stored.mid(5, 2) + QLatin1Char('.') +
           stored.left(4) + QLatin1Char(' ') + stored.mid(11, 5);
}

} // namespace base
