#include "store/dateText.h"

#include <QRegularExpression>

namespace store {

namespace {

int windowedYear(int year, qsizetype digits) {
    if (digits > 2)
        return year;
    return year < 30 ? 2000 + year : 1900 + year;
}

std::optional<QTime> parseTime(const QString& text) {
    static const QRegularExpression re(QStringLiteral(R"(^(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?$)"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QTime t(m.captured(1).toInt(), m.captured(2).toInt(),
                  m.capturedLength(3) ? m.captured(3).toInt() : 0);
    if (!t.isValid())
        return std::nullopt;
    return t;
}

std::optional<QDate> parseDate(const QString& text) {
    static const QRegularExpression dayFirst(
        QStringLiteral(R"(^(\d{1,2})([./-])(\d{1,2})\2(\d{2}|\d{4})$)"));
    static const QRegularExpression yearFirst(QStringLiteral(R"(^(\d{4})-(\d{1,2})-(\d{1,2})$)"));
    QDate d;
    if (const auto m = dayFirst.match(text); m.hasMatch()) {
        d = QDate(windowedYear(m.captured(4).toInt(), m.capturedLength(4)), m.captured(3).toInt(),
                  m.captured(1).toInt());
    } else if (const auto y = yearFirst.match(text); y.hasMatch()) {
        d = QDate(y.captured(1).toInt(), y.captured(2).toInt(), y.captured(3).toInt());
    }
    if (!d.isValid() || d.year() < 100)
        return std::nullopt;
    return d;
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
    const auto d = parseDate(s.left(blank));
    const auto t = parseTime(s.mid(blank + 1).trimmed());
    if (!d || !t)
        return std::nullopt;
    return DateTimeText{*d, *t};
}

bool isStoredDate(const QString& text) {
    static const QRegularExpression re(QStringLiteral(R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}$)"));
    return re.match(text).hasMatch() &&
           QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd")).isValid() &&
           QTime::fromString(text.mid(11), QStringLiteral("hh:mm")).isValid();
}

QString storedDate(const DateTimeText& value) {
    return value.date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') +
           value.time.toString(QStringLiteral("hh:mm"));
}

QString shownDate(const QString& stored) {
    if (!isStoredDate(stored))
        return stored;
    // Reordered as text: no time zone can shift it.
    return stored.mid(8, 2) + QLatin1Char('.') + stored.mid(5, 2) + QLatin1Char('.') +
           stored.left(4) + QLatin1Char(' ') + stored.mid(11, 5);
}

} // namespace store
