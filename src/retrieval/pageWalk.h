#pragma once

#include "base/feedbackConstants.h"

#include <deque>
#include <optional>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

namespace retrieval {

// Which part of a member's list, newest first, a load run asks for next, so
// that every rating the store lacks is fetched once: new ones arrive at the
// head, and a run cut short leaves the older part of the list to a later run.
//
// Pages overlap by a few entries; a page that shares no rating with the one
// before means the list moved under the run (ratings arrived or were
// withdrawn), and the walk steps back. A page of stored ratings only, while
// new ones are still missing, is followed by a jump over the part the store
// holds (estimated from its count); the part jumped over is read at the end
// if the ratings still missing are not found elsewhere.
class PageWalk {
public:
    struct Request {
        qint64 offset = 0;
        qint32 count = feedback::kPageSize;
        bool operator==(const Request&) const = default;
    };
    struct Entry {
        QString id;
        bool known = false; // stored before the run
    };
    struct Step {
        std::vector<qsizetype> fresh; // entries of the page new to the store and to this run
        std::optional<Request> next;  // nothing: the walk is done
    };

    // wanted: how many new ratings the run looks for; stored: how many the
    // store holds (placeholders aside).
    PageWalk(qint32 wanted, qint32 stored) : m_wanted(wanted), m_stored(stored) {}

    Request first() const { return {}; }
    // The answer to the last request: the page's entries in order and the
    // member's total as the answer gave it.
    Step take(const std::vector<Entry>& page, qint64 total);

    // The requests that follow the last one while its page and those after
    // it go on as expected: onwards through ratings still missing, up to the
    // list's end (total). Fetched ahead, they cost nothing when they come true.
    std::vector<Request> ahead(int n, qint64 total) const;

    qint32 found() const { return m_found; }
    // Entries that repeated a rating seen further up the list (not the
    // overlap of two pages): the marketplace counts them, there is no rating
    // behind them.
    qint32 duplicates() const { return m_duplicates; }
    // The list was read from its head to its end, nothing jumped over left.
    bool readToEnd() const { return m_readToEnd; }

    static constexpr qint32 kOverlap = 10;

private:
    struct Region {
        qint64 from;
        qint64 to;
        QStringList before;  // ids of the page just before the region
        QSet<QString> after; // and of the page just after it
    };
    struct Tally {
        bool overlaps; // the page shares a rating with the one before
        bool allKnown; // every entry was stored or seen before
    };
    Tally count(const std::vector<Entry>& page, std::vector<qsizetype>& fresh);
    std::optional<Request> next(const std::vector<Entry>& page, qint64 total, const Tally& tally);
    std::optional<Request> backAfterJump(const std::vector<Entry>& page);
    Request onwards(qint64 afterPage, bool allKnown);
    std::optional<Request> nextRegion();

    qint32 m_wanted;
    qint32 m_stored;
    qint32 m_found = 0;
    qint32 m_knownSeen = 0;
    qint32 m_duplicates = 0;
    QSet<QString> m_seen;
    QStringList m_previous; // ids of the page before, in order, when this one continues it
    Request m_last;
    int m_stepsBack = 0;
    bool m_afterJump = false;
    bool m_reachedEnd = false;
    bool m_readToEnd = false;
    std::deque<Region> m_skipped;
    std::optional<qint64> m_regionEnd; // reading a part jumped over, up to here
    QSet<QString> m_regionAfter;       // ids read already just after that part
};

} // namespace retrieval
