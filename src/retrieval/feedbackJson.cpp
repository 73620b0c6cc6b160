#include "retrieval/feedbackJson.h"

#include <cmath>
#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonDocument>

namespace feedbackJson {
namespace {

std::optional<QJsonObject> rootObject(const QByteArray& body) {
    QJsonParseError error;
    QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    // One bad byte in a comment must not cost the whole page: read it with
    // U+FFFD in its place.
    if (error.error == QJsonParseError::IllegalUTF8String)
        doc = QJsonDocument::fromJson(QString::fromUtf8(body).toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return doc.object();
}

// A "\ud800" escape without its partner would stay a lone surrogate.
QString withoutLoneSurrogates(QString s) {
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            s[i] = QChar::ReplacementCharacter;
    }
    return s;
}

// Text of a string or whole-number field; anything else reads as empty.
QString text(const QJsonValue& value) {
    if (value.isString())
        return withoutLoneSurrogates(value.toString());
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

// The marketplace's UTC time in local time, to the minute; invalid when the
// text is no date.
QDateTime localDate(const QString& iso) {
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
    if (!when.isValid())
        return {};
    const QDateTime local = when.toLocalTime();
    return QDateTime(local.date(), QTime(local.time().hour(), local.time().minute()));
}

qint16 kindOf(const QString& commentType) {
    if (commentType == QLatin1String("POSITIVE"))
        return feedback::kPositive;
    if (commentType == QLatin1String("NEUTRAL"))
        return feedback::kNeutral;
    if (commentType == QLatin1String("NEGATIVE"))
        return feedback::kNegative;
    return feedback::kUnknownKind;
}

// A reply or follow-up container; anything but an object, and any field of
// the wrong type, reads as empty.
store::RatingReply replyOf(const QJsonValue& value) {
    const QJsonObject comment = value.toObject();
    const QJsonValue text = comment.value(QStringLiteral("commentText"));
    const QJsonValue state = comment.value(QStringLiteral("state"));
    return {text.isString() ? withoutLoneSurrogates(text.toString()) : QString(),
            state.isString() ? state.toString() : QString()};
}

} // namespace

QString maskField(QString field) {
    field.replace(QLatin1String("#//"), QLatin1String("#/ /"));
    field.replace(QLatin1String("//#"), QLatin1String("/ /#"));
    return field;
}

store::FetchedRating parseRating(const QJsonObject& entry) {
    const QJsonObject provider = entry.value(QStringLiteral("providerUserDetail")).toObject();
    const QString role = provider.value(QStringLiteral("role")).toString();
    store::FetchedRating r;
    r.kind = kindOf(entry.value(QStringLiteral("commentType")).toString());
    r.text = text(entry.value(QStringLiteral("feedbackComment")).toObject().value("commentText"));
    // The rated member's own role: seller when the giver bought.
    if (role == QLatin1String("BUYER"))
        r.kv = QStringLiteral("V");
    else if (role == QLatin1String("SELLER"))
        r.kv = QStringLiteral("K");
    r.when = localDate(entry.value(QStringLiteral("feedbackEnteredDate")).toString());
    r.giver = text(provider.value(QStringLiteral("userId")));
    r.item =
        text(entry.value(QStringLiteral("orderLineItemSummary")).toObject().value("listingId"));
    r.state = text(entry.value(QStringLiteral("feedbackState")));
    r.reply = replyOf(entry.value(QStringLiteral("replyComment")));
    r.followup = replyOf(entry.value(QStringLiteral("followupComment")));
    if (text(entry.value(QStringLiteral("commentType"))).isEmpty())
        r.lack = store::FetchedRating::Lack::Kind;
    r.id = text(entry.value(QStringLiteral("feedbackId")));
    if (r.id.isEmpty()) {
        r.lack = store::FetchedRating::Lack::Id;
        QCryptographicHash hash(QCryptographicHash::Sha1);
        for (const QString& part :
             {QString::number(r.kind), r.text, r.kv, r.when.toString(Qt::ISODate), r.giver, r.item})
            hash.addData((part + QChar(0)).toUtf8());
        r.id = QStringLiteral("ohne-id-") + QString::fromLatin1(hash.result().toHex().left(24));
    }
    return r;
}

QString feedbackLine(const store::FetchedRating& r) {
    const QString fields[] = {
        QString::number(r.kind),
        maskField(r.text),
        r.kv,
        r.when.isValid() ? r.when.toString(QStringLiteral("dd.MM.yyyy hh:mm")) : QString(),
        maskField(r.giver),
        maskField(r.item),
        maskField(r.id),
    };
    // Sized exactly: lines are kept by the thousand.
    qsizetype size = 6 * 4;
    for (const QString& field : fields)
        size += field.size();
    QString line;
    line.reserve(size);
    for (const QString& field : fields) {
        if (&field != fields)
            line += QLatin1String(feedback::kSeparator);
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
        for (const auto& entry : std::as_const(answer.entries))
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
        answer.oauthError = oauth;
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
    // Without its list the answer says nothing: taken as zeros, it would
    // replace a stored profile.
    const QJsonValue summaries = root->value(QStringLiteral("feedbackRatingSummary"));
    if (!summaries.isArray())
        return std::nullopt;
    QList<double> percents;
    for (const auto& summary : summaries.toArray()) {
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
        for (const auto& role : roles.toArray()) {
            if (!role.isObject())
                return std::nullopt;
            const QJsonObject r = role.toObject();
            const QJsonValue distribution =
                r.value(QStringLiteral("feedbackRatingValueDistribution"));
            if (!distribution.isArray())
                return std::nullopt;
            for (const auto& item : distribution.toArray()) {
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
            for (const auto& item : r.value(QStringLiteral("feedbackMetrics")).toArray()) {
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
    answer.refreshToken = root->value(QStringLiteral("refresh_token")).toString();
    if (const auto expires = wholeNumber(root->value(QStringLiteral("refresh_token_expires_in"))))
        answer.refreshExpiresIn = *expires;
    return answer;
}

} // namespace feedbackJson
