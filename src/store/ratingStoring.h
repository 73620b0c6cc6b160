#pragma once

#include "store/fetchedRating.h"
#include "store/modData.h"

#include <functional>
#include <vector>

// Storing the ratings a load run fetched: all of them in one batch, so that a
// run is stored whole or not at all.
namespace store {

// What else the batch does besides adding the ratings.
enum class StoreMode {
    Add,            // nothing
    ReplaceArrived, // a run cut short: each arrived rating takes a placeholder's place
    MakeUpTotal,    // the member's list was read to its end: placeholders make up
                    // what the marketplace counts and did not deliver
    ReplaceMember,  // a foreign member's new load: the earlier one goes, in the same
                    // batch, so that a failure keeps it
};

struct StoreReport {
    bool ok = false;         // the batch was committed
    qint32 added = 0;        // ratings new to the store
    qint32 completed = 0;    // stored rows that got their missing kind or date
    qint32 replied = 0;      // stored rows that only got a new reply or follow-up
    qint32 placeholders = 0; // placeholder rows added (positive) or removed (negative)
    qint32 realAfter = 0;    // the member's rows besides placeholders, after the batch
    qint32 withoutId = 0;    // entries skipped: without an id they could never be matched
    qint32 withoutKind = 0;  // entries skipped: without a kind they are no rating
    QString fault;           // why the batch was not stored
};

// progress is told how many ratings have been handed to the store so far.
[[nodiscard]] StoreReport storeFetched(modData::Table table, const QString& member,
                                       const std::vector<FetchedRating>& ratings, StoreMode mode,
                                       qint32 reportedTotal = 0,
                                       const std::function<void(qint32)>& progress = {});

// Replaces a foreign member's overview row by a fetched profile (eleven
// values) in one batch; false, with nothing changed, when it failed.
[[nodiscard]] bool storeProfile(const QString& member, const QStringList& profile, qint32 total);

// What the user is told when a batch could not be stored.
QString storeFailureMessage();

} // namespace store
