#include "app/funCDate.h"

#include "errors/procedure.h"

#include <optional>
#include <QStringList>

namespace modGlobal {
namespace {

// Two-digit years: 00-29 are 2000-2029, 30-99 are 1930-1999.
QDate windowed(QDate d) {
    if (d.isValid() && d.year() < 1930)
        d = d.addYears(100);
    return d;
}

std::optional<QDateTime> parse(const QString& raw) {
    const QString text = raw.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    static const QStringList dateTimeFormats = {
        QStringLiteral("d.M.yyyy H:mm:ss"), QStringLiteral("d.M.yyyy H:mm"),
        QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-dd HH:mm"),
        QStringLiteral("yyyy-MM-ddTHH:mm:ss")};
    for (const QString& f : dateTimeFormats) {
        const QDateTime dt = QDateTime::fromString(text, f);
        if (dt.isValid())
            return dt;
    }
    static const QStringList dateFormats = {QStringLiteral("d.M.yyyy"),
                                            QStringLiteral("yyyy-MM-dd")};
    for (const QString& f : dateFormats) {
        const QDate d = QDate::fromString(text, f);
        if (d.isValid())
            return QDateTime(d, QTime(0, 0));
    }
    static const QStringList shortFormats = {QStringLiteral("d.M.yy H:mm:ss"),
                                             QStringLiteral("d.M.yy H:mm")};
    for (const QString& f : shortFormats) {
        const QDateTime dt = QDateTime::fromString(text, f);
        if (dt.isValid())
            return QDateTime(windowed(dt.date()), dt.time());
    }
    const QDate d = windowed(QDate::fromString(text, QStringLiteral("d.M.yy")));
    if (d.isValid())
        return QDateTime(d, QTime(0, 0));
    return std::nullopt;
}

} // namespace

QDateTime zeroDate() {
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

QDateTime funCDate(const QString& Text) {
    errors::Procedure p("[modGlobal] Public Function funCDate(Text As String) As Date",
                        errors::Handling::SkipSilently);
    if (auto whole = parse(Text))
        return *whole;
    if (auto front = parse(Text.left(8)))
        return *front;
    return zeroDate();
}

} // namespace modGlobal
