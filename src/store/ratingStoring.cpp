#include "store/ratingStoring.h"

#include "errors/runtimeError.h"

#include <QSet>
#include <span>

namespace store {

StoreReport storeFetched(modData::Table table, const QString& member,
                         const std::vector<FetchedRating>& ratings, StoreMode mode,
                         qint32 reportedTotal, const std::function<void(qint32)>& progress) {
    StoreReport report;
    auto batch = modData::beginBatch();
    try {
        if (mode == StoreMode::ReplaceMember)
            modData::removeMember(table, member);
        // Ratings new to the member go in by the hundred; one already stored
        // (it may be completed) or twice in the list goes in alone, in its place.
        const QHash<QString, bool> known = modData::knownRatings(table, member, ratings);
        QSet<QString> seen;
        qint32 handed = 0;
        size_t newFrom = 0;
        const auto addNew = [&](size_t end) {
            report.added += modData::addNewFetched(
                table, member, std::span(ratings).subspan(newFrom, end - newFrom));
            for (; progress && newFrom < end; ++newFrom)
                progress(++handed);
            newFrom = end;
        };
        for (size_t i = 0; i < ratings.size(); ++i) {
            const QString& id = ratings[i].id;
            if (ratings[i].lack != FetchedRating::Lack::Nothing) {
                // Never stored: counted once, for the run's outcome.
                addNew(i);
                if (!seen.contains(id))
                    ++(ratings[i].lack == FetchedRating::Lack::Id ? report.withoutId
                                                                  : report.withoutKind);
                seen.insert(id);
                newFrom = i + 1;
                continue;
            }
            if (id.isEmpty() || (!known.contains(id) && !seen.contains(id))) {
                if (!id.isEmpty())
                    seen.insert(id);
                continue;
            }
            addNew(i);
            switch (modData::saveFetched(table, member, ratings[i])) {
            case modData::Saved::Added:
                ++report.added;
                break;
            case modData::Saved::Completed:
                ++report.completed;
                break;
            case modData::Saved::Known:
                break;
            }
            if (progress)
                progress(++handed);
            newFrom = i + 1;
        }
        addNew(ratings.size());
        // Counted inside the batch: another process may have stored some of
        // these ratings since the run began.
        const modData::MemberCounts counts = modData::countsOf(table, member);
        report.realAfter = counts.real;
        if (mode == StoreMode::ReplaceArrived)
            report.placeholders =
                modData::setPlaceholders(member, counts.placeholders - report.added);
        else if (mode == StoreMode::MakeUpTotal)
            report.placeholders = modData::setPlaceholders(member, reportedTotal - counts.real);
    } catch (const errors::RuntimeError& e) {
        report.fault = e.description();
        batch.rollback();
    }
    report.ok = report.fault.isEmpty() && batch.commit();
    if (!report.ok) {
        if (report.fault.isEmpty())
            report.fault = batch.fault();
        report.added = report.completed = report.placeholders = 0;
    }
    return report;
}

bool storeProfile(const QString& member, const QStringList& profile, qint32 total) {
    auto batch = modData::beginBatch();
    modData::deleteUebersichtUser(member);
    if (batch.failed() || !modData::save_UebersichtBewertungen(profile, total, member))
        return false;
    return batch.commit();
}

QString storeFailureMessage() {
    return QStringLiteral("Die neuen Bewertungen konnten nicht in die Datenbank geschrieben "
                          "werden. Es wurde nichts davon gespeichert; die gespeicherten "
                          "Bewertungen sind unverändert.");
}

} // namespace store
