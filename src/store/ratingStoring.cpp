#include "store/ratingStoring.h"

#include "errors/runtimeError.h"

namespace store {

StoreReport storeFetched(modData::Table table, const QString& member,
                         const std::vector<FetchedRating>& ratings, Placeholders placeholders,
                         qint32 reportedTotal, const std::function<void(qint32)>& progress) {
    StoreReport report;
    auto batch = modData::beginBatch();
    try {
        qint32 handed = 0;
        for (const FetchedRating& rating : ratings) {
            switch (modData::saveFetched(table, member, rating)) {
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
        }
        // Counted inside the batch: another process may have stored some of
        // these ratings since the run began.
        const modData::MemberCounts counts = modData::countsOf(table, member);
        report.realAfter = counts.real;
        if (placeholders == Placeholders::ReplaceArrived)
            report.placeholders =
                modData::setPlaceholders(member, counts.placeholders - report.added);
        else if (placeholders == Placeholders::MakeUpTotal)
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

QString storeFailureMessage() {
    return QStringLiteral("Die neuen Bewertungen konnten nicht in die Datenbank geschrieben "
                          "werden. Es wurde nichts davon gespeichert; die gespeicherten "
                          "Bewertungen sind unverändert.");
}

} // namespace store
