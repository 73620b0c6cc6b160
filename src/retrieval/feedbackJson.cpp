#include "retrieval/feedbackJson.h"

#include <cmath>
#include <QDateTime>
#include <QJsonDocument>

namespace feedbackJson {
namespace {

std::optional<QJsonObject> rootObject(const QByteArray& body) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return doc.object();
}

// Text of a string or whole-number field; anything else reads as empty.
QString text(const QJsonValue& value) {
    if (value.isString())
        return value.toString();
    if (value.isDouble()) {
        const double d = value.toDouble();
        if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9e15)
            return QString::number(qint64(d));
    }
    return {};
}

std::optional<qint64> wholeNumber(const QJsonValue& value) {
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 2147483647.0)
        return std::nullopt;
    return qint64(d);
}

QString localDate(const QString& iso) {
    QDateTime when;
    // The usual form, read without the general parser: "2026-03-02T14:05:11.000Z".
    const QStringView v(iso);
    if (v.size() >= 20 && v[4] == u'-' && v[7] == u'-' && v[10] == u'T' && v[13] == u':' &&
        v[16] == u':' && v.back() == u'Z' && (v.size() == 20 || v[19] == u'.')) {
        const QDate date(v.mid(0, 4).toInt(), v.mid(5, 2).toInt(), v.mid(8, 2).toInt());
        const QTime time(v.mid(11, 2).toInt(), v.mid(14, 2).toInt(), v.mid(17, 2).toInt());
        if (date.isValid() && time.isValid())
            when = QDateTime(date, time, Qt::UTC);
    }
    if (!when.isValid())
        when = QDateTime::fromString(iso, Qt::ISODateWithMs);
    // A rating without a readable date still gets one the store can read.
    if (!when.isValid())
        return QStringLiteral("01.01.1970 00:00");
    const QDateTime local = when.toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    return QString::asprintf("%02d.%02d.%04d %02d:%02d", d.day(), d.month(), d.year(), t.hour(),
                             t.minute());
}

} // namespace

QString maskTrenner(QString field) {
    // Each pass removes one "//" and adds none, so this ends.
    while (field.contains(QLatin1String(kTrenner)))
        field.replace(QLatin1String(kTrenner), QStringLiteral("#/ /#"));
    return field;
}

QString kindDigit(const QJsonObject& entry) {
    const QString kind = entry.value(QStringLiteral("commentType")).toString();
    if (kind == QLatin1String("POSITIVE"))
        return QStringLiteral("1");
    if (kind == QLatin1String("NEUTRAL"))
        return QStringLiteral("2");
    if (kind == QLatin1String("NEGATIVE"))
        return QStringLiteral("3");
    return QStringLiteral("0");
}

QString feedbackLine(const QJsonObject& entry) {
    const QString role =
        entry.value(QStringLiteral("providerUserDetail")).toObject().value("role").toString();
    // The rated member's own role: seller when the giver bought.
    QString kv;
    if (role == QLatin1String("BUYER"))
        kv = QStringLiteral("V");
    else if (role == QLatin1String("SELLER"))
        kv = QStringLiteral("K");
    QString fields[] = {
        kindDigit(entry),
        text(entry.value(QStringLiteral("feedbackComment")).toObject().value("commentText")),
        kv,
        localDate(entry.value(QStringLiteral("feedbackEnteredDate")).toString()),
        text(entry.value(QStringLiteral("providerUserDetail")).toObject().value("userId")),
        text(entry.value(QStringLiteral("orderLineItemSummary")).toObject().value("listingId")),
        text(entry.value(QStringLiteral("feedbackId"))),
    };
    // Sized exactly: lines are kept by the thousand.
    qsizetype size = 6 * 4;
    for (QString& field : fields) {
        field = maskTrenner(std::move(field));
        size += field.size();
    }
    QString line;
    line.reserve(size);
    for (const QString& field : fields) {
        if (&field != fields)
            line += QLatin1String(kTrenner);
        line += field;
    }
    return line;
}

std::optional<EntriesAnswer> parseEntries(const QByteArray& body) {
    const auto root = rootObject(body);
    if (!root)
        return std::nullopt;
    EntriesAnswer answer;
    const QJsonValue entries = root->value(QStringLiteral("feedbackEntries"));
    if (!entries.isUndefined() && !entries.isNull()) {
        if (!entries.isArray())
            return std::nullopt;
        answer.entries = entries.toArray();
        for (const QJsonValue& entry : std::as_const(answer.entries))
            if (!entry.isObject())
                return std::nullopt;
    }
    const QJsonValue pagination = root->value(QStringLiteral("pagination"));
    if (pagination.isObject()) {
        const QJsonValue total = pagination.toObject().value(QStringLiteral("total"));
        if (!total.isUndefined()) {
            answer.total = wholeNumber(total);
            if (!answer.total || *answer.total < 0)
                return std::nullopt;
        }
    } else if (!pagination.isUndefined() && !pagination.isNull()) {
        return std::nullopt;
    }
    if (!answer.entries.isEmpty())
        answer.firstScore =
            wholeNumber(answer.entries.first().toObject().value(QStringLiteral("feedbackScore")));
    return answer;
}

ErrorAnswer parseError(const QByteArray& body) {
    ErrorAnswer answer;
    const auto root = rootObject(body);
    if (!root)
        return answer;
    const QJsonValue errors = root->value(QStringLiteral("errors"));
    if (errors.isArray() && !errors.toArray().isEmpty()) {
        const QJsonObject first = errors.toArray().first().toObject();
        answer.errorId = int(wholeNumber(first.value(QStringLiteral("errorId"))).value_or(0));
        answer.message = first.value(QStringLiteral("message")).toString();
        return answer;
    }
    const QString oauth = root->value(QStringLiteral("error")).toString();
    if (!oauth.isEmpty()) {
        answer.message = oauth;
        const QString detail = root->value(QStringLiteral("error_description")).toString();
        if (!detail.isEmpty())
            answer.message += QStringLiteral(" (%1)").arg(detail);
    }
    return answer;
}

std::optional<SummaryAnswer> parseSummary(const QByteArray& body) {
    const auto root = rootObject(body);
    if (!root)
        return std::nullopt;
    SummaryAnswer answer;
    const QJsonValue summaries = root->value(QStringLiteral("feedbackRatingSummary"));
    if (summaries.isUndefined() || summaries.isNull())
        return answer;
    if (!summaries.isArray())
        return std::nullopt;
    QList<double> percents;
    for (const QJsonValue& summary : summaries.toArray()) {
        if (!summary.isObject())
            return std::nullopt;
        const QString type = summary.toObject().value(QStringLiteral("ratingType")).toString();
        if (!type.isEmpty() && type != QLatin1String("OVERALL_EXPERIENCE"))
            continue;
        const QJsonValue roles =
            summary.toObject().value(QStringLiteral("ratingSummaryByRatingType"));
        if (roles.isUndefined())
            continue;
        if (!roles.isArray())
            return std::nullopt;
        for (const QJsonValue& role : roles.toArray()) {
            if (!role.isObject())
                return std::nullopt;
            const QJsonObject r = role.toObject();
            for (const QJsonValue& item :
                 r.value(QStringLiteral("feedbackRatingValueDistribution")).toArray()) {
                const QJsonObject d = item.toObject();
                const auto count = wholeNumber(d.value(QStringLiteral("count")));
                if (!count || *count < 0)
                    return std::nullopt;
                const QString value = d.value(QStringLiteral("value")).toString();
                if (value == QLatin1String("POSITIVE"))
                    answer.positive += *count;
                else if (value == QLatin1String("NEUTRAL"))
                    answer.neutral += *count;
                else if (value == QLatin1String("NEGATIVE"))
                    answer.negative += *count;
            }
            for (const QJsonValue& item : r.value(QStringLiteral("feedbackMetrics")).toArray()) {
                const QJsonObject m = item.toObject();
                if (m.value(QStringLiteral("metricName")).toString() ==
                        QLatin1String("POSITIVE_PERCENT_EXCLUDING_NEUTRAL_FEEDBACK") &&
                    m.value(QStringLiteral("metricValue")).isDouble())
                    percents << m.value(QStringLiteral("metricValue")).toDouble();
            }
        }
    }
    if (percents.size() == 1)
        answer.percent = percents.first();
    return answer;
}

QString prozentText(double percent) {
    return QString::number(percent, 'f', 1).replace(u'.', u',');
}

std::optional<TokenAnswer> parseToken(const QByteArray& body) {
    const auto root = rootObject(body);
    if (!root)
        return std::nullopt;
    TokenAnswer answer;
    answer.accessToken = root->value(QStringLiteral("access_token")).toString();
    if (answer.accessToken.isEmpty())
        return std::nullopt;
    if (const auto expires = wholeNumber(root->value(QStringLiteral("expires_in"))))
        answer.expiresIn = *expires;
    return answer;
}

} // namespace feedbackJson
