#include "retrieval/pageWalk.h"

#include <algorithm>
#include <QHash>

namespace retrieval {

namespace {
constexpr qint32 kPage = feedback::kPageSize;
// Steps back in a row before the walk accepts that the list moved too fast.
constexpr int kMostStepsBack = 3;
} // namespace

std::optional<PageWalk::Request> PageWalk::nextRegion() {
    m_previous.clear();
    m_afterJump = false;
    if (m_found >= m_wanted || m_skipped.empty()) {
        m_regionEnd.reset();
        m_readToEnd = m_reachedEnd && m_skipped.empty();
        return std::nullopt;
    }
    const Region r = m_skipped.front();
    m_skipped.pop_front();
    m_previous = r.before;
    m_regionAfter = r.after;
    m_regionEnd = r.to + kOverlap;
    m_last = {std::max<qint64>(0, r.from - kOverlap), kPage};
    return m_last;
}

PageWalk::Step PageWalk::take(const std::vector<Entry>& page, qint64 total) {
    Step step;
    const Tally tally = count(page, step.fresh);
    step.next = next(page, total, tally);
    return step;
}

PageWalk::Tally PageWalk::count(const std::vector<Entry>& page, std::vector<qsizetype>& fresh) {
    // Up to where the page before ended, this one repeats it; a rating seen
    // again after that point is a duplicate in the list.
    QHash<QString, qsizetype> index;
    index.reserve(qsizetype(page.size()));
    for (qsizetype i = qsizetype(page.size()) - 1; i >= 0; --i)
        index.insert(page[size_t(i)].id, i);
    qsizetype anchor = -1;
    for (auto it = m_previous.crbegin(); it != m_previous.crend() && anchor < 0; ++it)
        anchor = index.value(*it, -1);
    const bool overlaps = m_previous.isEmpty() || anchor >= 0;
    bool allKnown = true;
    for (qsizetype i = 0; i < qsizetype(page.size()); ++i) {
        const Entry& e = page[size_t(i)];
        allKnown = allKnown && (e.known || m_seen.contains(e.id));
        if (m_seen.contains(e.id)) {
            if (i > anchor && overlaps && !m_regionAfter.contains(e.id))
                ++m_duplicates;
            continue;
        }
        m_seen.insert(e.id);
        if (e.known) {
            ++m_knownSeen;
        } else {
            ++m_found;
            fresh.push_back(i);
        }
    }
    return {overlaps, allKnown};
}

std::optional<PageWalk::Request> PageWalk::next(const std::vector<Entry>& page, qint64 total,
                                                const Tally& tally) {
    const qint64 offset = m_last.offset;
    const qint64 delivered = qint64(page.size());
    // The first page after a part jumped over: reading that part later ends
    // with these ratings again.
    if (m_afterJump && !m_skipped.empty()) {
        m_skipped.back().after.clear();
        for (const Entry& e : page)
            m_skipped.back().after.insert(e.id);
    }

    // No rating in common with the page before: the list moved by more than
    // the overlap, and what lies between would be missed.
    if (!tally.overlaps && !page.empty() && offset > 0 && m_stepsBack < kMostStepsBack) {
        ++m_stepsBack;
        // The page stepped back to ends with this one.
        for (const Entry& e : page)
            m_previous << e.id;
        m_last = {std::max<qint64>(0, offset - (kPage - kOverlap)), kPage};
        return m_last;
    }
    m_stepsBack = 0;
    m_previous.clear();
    for (const Entry& e : page)
        m_previous << e.id;

    const bool end = delivered < m_last.count || offset + delivered >= total;
    if (end) {
        m_reachedEnd = true;
        return nextRegion();
    }
    if (m_regionEnd && offset + delivered >= *m_regionEnd)
        return nextRegion();
    // Enough found, and the block of new ratings has ended.
    if (m_found >= m_wanted && !page.empty() && page.back().known)
        return std::nullopt;
    if (const auto back = backAfterJump(page))
        return back;
    m_afterJump = false;
    return onwards(offset + delivered, tally.allKnown);
}

// The jump landed behind the first missing rating: step back towards it.
std::optional<PageWalk::Request> PageWalk::backAfterJump(const std::vector<Entry>& page) {
    if (!m_afterJump || page.empty() || page.front().known || m_skipped.empty())
        return std::nullopt;
    Region& jumped = m_skipped.back();
    const qint64 offset = m_last.offset;
    const qint64 back = std::max(jumped.from, offset - (kPage - kOverlap));
    if (back >= offset)
        return std::nullopt;
    jumped.to = back;
    m_previous.clear();
    for (const Entry& e : page)
        m_previous << e.id;
    m_last = {back, kPage};
    return m_last;
}

std::vector<PageWalk::Request> PageWalk::ahead(int n, qint64 total) const {
    std::vector<Request> requests;
    // After a step back, a jump or inside a part jumped over, the next
    // request depends on what the page holds.
    if (m_regionEnd || m_afterJump || m_stepsBack > 0)
        return requests;
    // The ratings still missing, if they follow on from here: a page is
    // needed while the one before it ends among them.
    const qint64 missingFrom = m_seen.isEmpty() ? m_last.offset : m_last.offset + kOverlap;
    const qint64 missingEnd = missingFrom + std::max(0, m_wanted - m_found);
    for (qint64 offset = m_last.offset + (kPage - kOverlap);
         qsizetype(requests.size()) < n && offset + kOverlap < total &&
         offset + kOverlap - 1 < missingEnd;
         offset += kPage - kOverlap)
        requests.push_back({offset, kPage});
    return requests;
}

// The next page, or a jump over the stored part while new ratings are still
// missing.
PageWalk::Request PageWalk::onwards(qint64 afterPage, bool allKnown) {
    const qint64 storedAhead = qint64(m_stored) - m_knownSeen;
    if (allKnown && !m_regionEnd && m_found < m_wanted && storedAhead > 2 * kPage) {
        const qint64 target = afterPage + storedAhead - 2 * kOverlap;
        m_skipped.push_back({afterPage, target, m_previous, {}});
        m_previous.clear();
        m_afterJump = true;
        m_last = {target, kPage};
        return m_last;
    }
    m_last = {afterPage - kOverlap, kPage};
    return m_last;
}

} // namespace retrieval
