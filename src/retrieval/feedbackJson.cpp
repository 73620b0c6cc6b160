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
    QDateTime when = QDateTime::fromString(iso, Qt::ISODateWithMs);
    if (!when.isValid())
        when = QDateTime::fromString(iso, Qt::ISODate);
    if (!when.isValid())
        when = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
    return when.toLocalTime().toString(QStringLiteral("dd.MM.yyyy hh:mm"));
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
    const QString fields[] = {
        kindDigit(entry),
        text(entry.value(QStringLiteral("feedbackComment")).toObject().value("commentText")),
        kv,
        localDate(entry.value(QStringLiteral("feedbackEnteredDate")).toString()),
        text(entry.value(QStringLiteral("providerUserDetail")).toObject().value("userId")),
        text(entry.value(QStringLiteral("orderLineItemSummary")).toObject().value("listingId")),
        text(entry.value(QStringLiteral("feedbackId"))),
    };
    QString line;
    for (const QString& field : fields) {
        if (!line.isNull())
            line += QLatin1String(kTrenner);
        else
            line = QLatin1String("");
        line += maskTrenner(field);
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
        for (const QJsonValue& entry : entries.toArray()) {
            if (!entry.isObject())
                return std::nullopt;
            answer.entries.append(entry);
        }
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
