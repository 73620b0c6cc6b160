#include "retrieval/syncOutcome.h"

#include "store/ratingStoring.h"

namespace retrieval {

using Kind = SyncOutcome::Kind;

SyncOutcome storeOwnRun(const FetchResult& fetched, const QString& member,
                        const std::function<void(qint32)>& progress) {
    SyncOutcome outcome;
    outcome.kind = fetched.end;
    outcome.detail = fetched.detail;
    const bool loading = fetched.end == Kind::Stored || fetched.end == Kind::CutShort ||
                         fetched.end == Kind::Cancelled;
    // Placeholders left from a time the marketplace counted more than it
    // delivered stand for nothing once it counts no more than is stored.
    if (fetched.end == Kind::NothingNew &&
        modData::countsOf(modData::Table::Own, member).placeholders > 0) {
        const store::StoreReport report = store::storeFetched(
            modData::Table::Own, member, {}, store::StoreMode::MakeUpTotal, fetched.reportedTotal);
        outcome.placeholders = report.placeholders;
    }
    if (!loading)
        return outcome;
    // A run that found what it looked for accounts for the whole total; one
    // cut short lets what arrived take the place of placeholders.
    const auto placeholders = fetched.end == Kind::Stored ? store::StoreMode::MakeUpTotal
                                                          : store::StoreMode::ReplaceArrived;
    const store::StoreReport report =
        store::storeFetched(modData::Table::Own, member, fetched.ratings, placeholders,
                            fetched.reportedTotal - fetched.duplicates, progress);
    if (!report.ok) {
        outcome.kind = Kind::Failed;
        outcome.storeFailed = true;
        outcome.detail = report.fault;
        outcome.remaining = fetched.asked;
        return outcome;
    }
    outcome.added = report.added;
    outcome.placeholders = report.placeholders;
    outcome.withoutId = report.withoutId;
    outcome.withoutKind = report.withoutKind;
    if (fetched.end != Kind::Stored)
        outcome.remaining = std::max(
            0, std::max(fetched.reportedTotal - report.realAfter, fetched.asked - report.added));
    return outcome;
}

QString neueBewertungen(qint32 n) {
    return n == 1 ? QStringLiteral("1 neue Bewertung")
                  : QStringLiteral("%1 neue Bewertungen").arg(n);
}

QString bewertungen(qint32 n) {
    return n == 1 ? QStringLiteral("1 Bewertung") : QStringLiteral("%1 Bewertungen").arg(n);
}

QString skippedEntries(qint32 withoutId, qint32 withoutKind) {
    const auto entries = [](qint32 n, const char* lacking) {
        return (n == 1 ? QStringLiteral("1 Eintrag ") : QStringLiteral("%1 Einträge ").arg(n)) +
               QString::fromUtf8(lacking) + QStringLiteral(" übersprungen.");
    };
    QStringList parts;
    if (withoutId > 0)
        parts << entries(withoutId, "ohne Kennung");
    if (withoutKind > 0)
        parts << entries(withoutKind, "ohne Bewertungsart");
    return parts.join(QLatin1Char(' '));
}

QString outcomeMessage(const SyncOutcome& outcome) {
    const QString rest =
        outcome.remaining > 0
            ? (outcome.remaining == 1
                   ? QStringLiteral(
                         " Die fehlende Bewertung wird bei der nächsten Prüfung geladen.")
                   : QStringLiteral(" Die übrigen %1 werden bei der nächsten Prüfung geladen.")
                         .arg(outcome.remaining))
            : QString();
    QString skipped = skippedEntries(outcome.withoutId, outcome.withoutKind);
    switch (outcome.kind) {
    case Kind::CutShort:
        return QStringLiteral("Der Ladevorgang wurde unterbrochen. Gespeichert: %1.%2")
                   .arg(neueBewertungen(outcome.added), rest) +
               (skipped.isEmpty() ? skipped : QLatin1Char(' ') + skipped);
    case Kind::Cancelled:
        return QStringLiteral("Der Ladevorgang wurde abgebrochen. Gespeichert: %1.%2")
                   .arg(neueBewertungen(outcome.added), rest) +
               (skipped.isEmpty() ? skipped : QLatin1Char(' ') + skipped);
    case Kind::Failed:
        // A failure before storing was shown by the run itself.
        if (!outcome.storeFailed)
            return {};
        return outcome.detail.isEmpty() ? store::storeFailureMessage()
                                        : store::storeFailureMessage() + QStringLiteral("\r(") +
                                              outcome.detail + QLatin1Char(')');
    default:
        return skipped;
    }
}

} // namespace retrieval
