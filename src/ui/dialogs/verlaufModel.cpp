#include "ui/dialogs/verlaufModel.h"

#include "base/clock.h"

#include <algorithm>
#include <QLocale>
#include <QRegularExpression>

namespace ui {

namespace {

const char* const kMonths[12] = {"Januar",    "Februar", "März",     "April",
                                 "Mai",       "Juni",    "Juli",     "August",
                                 "September", "Oktober", "November", "Dezember"};

QDate firstOfMonth(QDate day) {
    return QDate(day.year(), day.month(), 1);
}

int monthsBetween(QDate first, QDate last) {
    return (last.year() - first.year()) * 12 + last.month() - first.month();
}

QString quoted(const QString& words) {
    return QStringLiteral("„") + words.simplified() + QStringLiteral("“");
}

// A year range's labels: one per year, or per few years when there are many,
// so that they still fit side by side.
constexpr int kMostYearLabels = 15;

} // namespace

VerlaufModel::VerlaufModel(modData::Table table, QString member)
    : m_table(table), m_member(std::move(member)) {}

QString VerlaufModel::monthName(QDate month) {
    return QString::fromUtf8(kMonths[month.month() - 1]) + QLatin1Char(' ') +
           QString::number(month.year());
}

void VerlaufModel::setRange(Range range) {
    m_range = range;
    // Counting every month walks all of a member's ratings: done again only
    // when the store changed.
    const store::ChangeStamp stamp = store::changeStamp();
    if (!m_counted || stamp != m_stamp) {
        m_counts = store::monthlyCounts(m_table, m_member);
        m_stamp = stamp;
        m_counted = true;
    }
    const std::vector<store::MonthCounts>& counts = m_counts;
    QDate last = firstOfMonth(base::Clock::now().date());
    if (!counts.empty() && counts.back().month > last)
        last = counts.back().month;
    QDate first;
    switch (range) {
    case Range::Year:
        first = last.addMonths(-11);
        break;
    case Range::FiveYears:
        first = last.addMonths(-59);
        break;
    case Range::All:
        first = counts.empty() ? last : counts.front().month;
        break;
    }
    // The share of the range's first months counts the months before it.
    const QDate from = counts.empty() ? first : std::min(first, counts.front().month);
    const std::vector<store::MonthCounts> all = store::everyMonth(counts, from, last);
    const std::vector<std::optional<double>> shares = store::trailingShare(all);
    const size_t skip = all.size() - size_t(monthsBetween(first, last) + 1);
    m_months.assign(all.begin() + qsizetype(skip), all.end());
    m_shares.assign(shares.begin() + qsizetype(skip), shares.end());
}

qint32 VerlaufModel::largestMonth() const {
    qint32 largest = 0;
    for (const store::MonthCounts& m : m_months)
        largest = std::max(largest, m.total());
    return largest;
}

QString VerlaufModel::monthTip(int index) const {
    if (index < 0 || size_t(index) >= m_months.size())
        return {};
    const QLocale german(QLocale::German, QLocale::Germany);
    const store::MonthCounts& m = m_months[size_t(index)];
    QString tip = monthName(m.month) + QStringLiteral("\nPositiv: ") + german.toString(m.positive) +
                  QStringLiteral("\nNeutral: ") + german.toString(m.neutral) +
                  QStringLiteral("\nNegativ: ") + german.toString(m.negative) +
                  QStringLiteral("\n12 Monate bis ") + monthName(m.month) + QStringLiteral(": ");
    const std::optional<double>& share = m_shares[size_t(index)];
    if (share)
        tip += german.toString(*share, 'f', 1) +
               QStringLiteral(" % positiv (von positiven und negativen)");
    else
        tip += QStringLiteral("keine positiven oder negativen");
    return tip;
}

std::vector<VerlaufModel::AxisLabel> VerlaufModel::axisLabels() const {
    std::vector<AxisLabel> labels;
    if (m_months.empty())
        return labels;
    if (m_range == Range::Year) {
        for (size_t i = 0; i < m_months.size(); ++i) {
            const QDate m = m_months[i].month;
            labels.push_back(
                {QString::fromUtf8(kMonths[m.month() - 1]).left(3) + QLatin1Char(' ') +
                     QString::number(m.year() % 100).rightJustified(2, QLatin1Char('0')),
                 int(i)});
        }
        return labels;
    }
    const int firstYear = m_months.front().month.year();
    const int years = m_months.back().month.year() - firstYear + 1;
    const int step = (years + kMostYearLabels - 1) / kMostYearLabels;
    for (size_t i = 0; i < m_months.size(); ++i) {
        const int year = m_months[i].month.year();
        const bool endOfBlock =
            i + 1 == m_months.size() || ((m_months[i + 1].month.year() - firstYear) % step == 0 &&
                                         m_months[i + 1].month.year() != year);
        if (!endOfBlock)
            continue;
        const int blockStart = firstYear + (year - firstYear) / step * step;
        QString text = QString::number(blockStart);
        if (year != blockStart)
            text += QStringLiteral("–") + QString::number(year);
        labels.push_back({text, int(i)});
    }
    return labels;
}

void VerlaufModel::showAll() {
    list(Scope::All, {m_filter.kind, {}, {}});
}

void VerlaufModel::showMonth(int index) {
    if (index < 0 || size_t(index) >= m_months.size())
        return;
    list(Scope::Month, {m_filter.kind, m_months[size_t(index)].month, {}});
}

bool VerlaufModel::search(const QString& words) {
    const QString trimmed = words.simplified();
    if (trimmed.isEmpty()) {
        showAll();
        return true;
    }
    if (store::matchExpression(trimmed).isEmpty())
        return false;
    list(Scope::Search, {m_filter.kind, {}, trimmed});
    return true;
}

void VerlaufModel::setKind(int kind) {
    store::RatingFilter filter = m_filter;
    filter.kind = qint16(kind);
    list(m_scope, filter);
}

void VerlaufModel::list(Scope scope, const store::RatingFilter& filter) {
    m_scope = scope;
    m_filter = filter;
    m_first = 1;
    readPage();
}

void VerlaufModel::nextPage() {
    if (!hasNext())
        return;
    m_first += feedback::kPageSize;
    readPage();
}

void VerlaufModel::previousPage() {
    if (!hasPrevious())
        return;
    m_first = std::max(1, m_first - feedback::kPageSize);
    readPage();
}

bool VerlaufModel::isCurrent() const {
    return m_counted && store::changeStamp() == m_stamp;
}

void VerlaufModel::reload() {
    setRange(m_range);
    readPage();
}

bool VerlaufModel::hasNext() const {
    return qint64(m_first) + feedback::kPageSize <= m_total;
}

void VerlaufModel::readPage() {
    m_total = store::countRatings(m_table, m_member, m_filter);
    // Fewer rows than before (a reload): the last page that still has rows.
    if (m_first > m_total)
        m_first = m_total > 0 ? (m_total - 1) / feedback::kPageSize * feedback::kPageSize + 1 : 1;
    m_rows = store::readRatings(m_table, m_member, m_filter, m_first);
}

QString VerlaufModel::caption() const {
    if (m_total > 0)
        return QStringLiteral("Anzeige: %1 - %2 von %3")
            .arg(m_first)
            .arg(std::min(m_first + feedback::kPageSize - 1, m_total))
            .arg(m_total);
    static const char* const none[4] = {"Keine Bewertungen", "Keine positiven Bewertungen",
                                        "Keine neutralen Bewertungen",
                                        "Keine negativen Bewertungen"};
    const QString kind = QString::fromLatin1(none[std::clamp(int(m_filter.kind), 0, 3)]);
    switch (m_scope) {
    case Scope::Month:
        return kind + QStringLiteral(" im ") + monthName(m_filter.month) + QLatin1Char('.');
    case Scope::Search:
        return kind + QStringLiteral(" zu ") + quoted(m_filter.words) +
               QStringLiteral(" gefunden.");
    case Scope::All:
        break;
    }
    return kind + QStringLiteral(" vorhanden.");
}

QString VerlaufModel::scopeText() const {
    switch (m_scope) {
    case Scope::Month:
        return QStringLiteral("Bewertungen im ") + monthName(m_filter.month);
    case Scope::Search:
        return QStringLiteral("Suche nach ") + quoted(m_filter.words);
    case Scope::All:
        break;
    }
    return QStringLiteral("Alle Bewertungen");
}

QString VerlaufModel::exportBaseName() const {
    QString name = QStringLiteral("Bewertungen ") + m_member;
    if (m_scope == Scope::Month)
        name += QLatin1Char(' ') + m_filter.month.toString(QStringLiteral("yyyy-MM"));
    else if (m_scope == Scope::Search)
        name += QStringLiteral(" Suche ") + m_filter.words.left(40);
    static const char* const kinds[4] = {"", " positiv", " neutral", " negativ"};
    name += QString::fromLatin1(kinds[std::clamp(int(m_filter.kind), 0, 3)]);
    // Only what every file system takes.
    static const QRegularExpression unsafe(QStringLiteral("[^\\p{L}\\p{N} ._-]+"));
    return name.replace(unsafe, QStringLiteral("_")).simplified();
}

} // namespace ui
