#include "retrieval/newRatingsNotice.h"

#include "retrieval/syncOutcome.h"
#include "store/ratingQuery.h"

#include <algorithm>

namespace retrieval {

namespace {

constexpr int kCommentsShown = 3;

// Only the three characters that markup reads; servers without markup show
// the text as it is.
QString escaped(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&amp;"))
        .replace(QLatin1Char('<'), QStringLiteral("&lt;"))
        .replace(QLatin1Char('>'), QStringLiteral("&gt;"));
}

bool wanted(const store::ShownRating& r, const NoticeKinds& kinds) {
    return (kinds.positive && r.kind == feedback::Kind::Positive) ||
           (kinds.neutral && r.kind == feedback::Kind::Neutral) ||
           (kinds.negative && r.kind == feedback::Kind::Negative);
}

QString commentLine(const store::ShownRating& r) {
    QString comment = r.text.simplified();
    const QString date = r.date.left(10);
    const QString who = date.isEmpty() ? r.member : r.member + QStringLiteral(", ") + date;
    return escaped(QStringLiteral("%1 (%2)").arg(comment, who));
}

} // namespace

std::variant<NoticeKinds, QString> noticeKindsOf(const QString& value, const QString& configPath) {
    const QString v = value.trimmed().toLower();
    if (v.isEmpty())
        return NoticeKinds{};
    if (v == QLatin1String("alle"))
        return NoticeKinds{true, true, true};
    if (v == QLatin1String("aus"))
        return NoticeKinds{false, false, false};
    NoticeKinds kinds{false, false, false};
    for (const QString& part : v.split(QLatin1Char(','))) {
        const QString kind = part.trimmed();
        if (kind == QLatin1String("positiv"))
            kinds.positive = true;
        else if (kind == QLatin1String("neutral"))
            kinds.neutral = true;
        else if (kind == QLatin1String("negativ"))
            kinds.negative = true;
        else
            return QStringLiteral("Der Wert \"%1\" von Melden im Abschnitt [Main] der Datei %2 "
                                  "ist weder alle noch aus noch eine Liste aus positiv, neutral "
                                  "und negativ, mit Kommas getrennt.")
                .arg(value.left(80), configPath);
    }
    return kinds;
}

std::optional<app::Notice> newRatingsNotice(const std::vector<store::ShownRating>& stored,
                                            const NoticeKinds& kinds) {
    if (std::none_of(stored.begin(), stored.end(),
                     [&kinds](const store::ShownRating& r) { return wanted(r, kinds); }))
        return std::nullopt;
    qint32 negative = 0;
    qint32 neutral = 0;
    QStringList lines;
    for (const store::ShownRating& r : stored) {
        const bool bad = r.kind == feedback::Kind::Negative;
        if (!bad && r.kind != feedback::Kind::Neutral)
            continue;
        ++(bad ? negative : neutral);
        if (lines.size() < kCommentsShown)
            lines << commentLine(r);
    }
    QStringList parts;
    if (negative > 0)
        parts << QStringLiteral("%1 negativ").arg(negative);
    if (neutral > 0)
        parts << QStringLiteral("%1 neutral").arg(neutral);
    QString summary = neueBewertungen(qint32(stored.size()));
    if (!parts.isEmpty())
        summary += QStringLiteral(", davon ") + parts.join(QStringLiteral(" und "));
    return app::Notice{summary, lines.join(QLatin1Char('\n')), quint8(negative > 0 ? 2 : 1)};
}

QSet<QString> unstoredIds(const std::vector<store::FetchedRating>& fetched, const QString& member) {
    const QHash<QString, bool> known = modData::knownRatings(modData::Table::Own, member, fetched);
    QSet<QString> ids;
    for (const store::FetchedRating& r : fetched)
        if (r.lack == store::FetchedRating::Lack::Nothing && !known.contains(r.id))
            ids.insert(r.id);
    return ids;
}

std::vector<store::ShownRating> storedRatings(const QSet<QString>& ids, const QString& member) {
    std::vector<store::ShownRating> found;
    if (ids.isEmpty())
        return found;
    // The new ones are the newest: the walk ends soon after the top.
    store::forEachRating(modData::Table::Own, member, {}, [&](const modData::RatingRow& row) {
        store::ShownRating r = store::shownRating(row);
        if (ids.contains(r.id))
            found.push_back(std::move(r));
        return found.size() < size_t(ids.size());
    });
    return found;
}

} // namespace retrieval
