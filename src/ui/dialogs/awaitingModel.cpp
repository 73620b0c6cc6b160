#include "ui/dialogs/awaitingModel.h"

#include <algorithm>

namespace ui {

using retrieval::ItemRating;

QStringList AwaitingModel::columns() {
    return {QStringLiteral("Titel"), QStringLiteral("Artikel"), QStringLiteral("Preis"),
            QStringLiteral("Bestellposition")};
}

void AwaitingModel::setLoaded(const retrieval::AwaitingOutcome& outcome) {
    const bool done = outcome.kind == retrieval::SellerAnswer::Kind::Done;
    m_items = done ? outcome.items : std::vector<retrieval::AwaitingItem>{};
    m_countAsSeller = done ? std::optional<qint64>(outcome.countAsSeller) : std::nullopt;
}

QStringList AwaitingModel::row(int index) const {
    const retrieval::AwaitingItem& item = m_items.at(size_t(index));
    return {item.title, item.listingId, item.price, item.orderLineItemId};
}

QString AwaitingModel::title() const {
    return QStringLiteral("Offene Bewertungen (%1)").arg(m_items.size());
}

QString AwaitingModel::countLine() const {
    if (!m_countAsSeller)
        return {};
    if (*m_countAsSeller == 1)
        return QStringLiteral("eBay meldet 1 offene Bewertung als Verkäufer.");
    return QStringLiteral("eBay meldet %1 offene Bewertungen als Verkäufer.").arg(*m_countAsSeller);
}

std::vector<retrieval::AwaitingItem> AwaitingModel::itemsAt(std::vector<int> rows) const {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<retrieval::AwaitingItem> picked;
    for (int r : rows)
        if (r >= 0 && size_t(r) < m_items.size())
            picked.push_back(m_items[size_t(r)]);
    return picked;
}

void AwaitingModel::take(const ItemRating& rating) {
    // A failed or refused item stays: it can be tried again.
    if (rating.result == ItemRating::Result::Refused || rating.result == ItemRating::Result::Failed)
        return;
    const auto same = [&](const retrieval::AwaitingItem& item) {
        return item.listingId == rating.item.listingId &&
               item.transactionId == rating.item.transactionId;
    };
    const auto it = std::find_if(m_items.begin(), m_items.end(), same);
    if (it == m_items.end())
        return;
    m_items.erase(it);
}

QStringList AwaitingModel::commentEntries(const QStringList& vorlagen) {
    QStringList entries{QStringLiteral("Vorlagen abwechselnd")};
    for (qsizetype i = 0; i < vorlagen.size(); ++i) {
        const QString name = QStringLiteral("Vorlage %1").arg(i + 1);
        entries << (vorlagen[i].isEmpty() ? name : name + QStringLiteral(": ") + vorlagen[i]);
    }
    entries << QStringLiteral("Eigener Text");
    return entries;
}

std::optional<retrieval::CommentChoice>
AwaitingModel::choiceFor(int entry, const QStringList& vorlagen, const QString& ownText) {
    if (entry == ownTextEntry(vorlagen)) {
        if (ownText.trimmed().isEmpty())
            return std::nullopt;
        return retrieval::CommentChoice{ownText.trimmed(), 0};
    }
    return retrieval::CommentChoice{{}, std::clamp(entry, 0, int(vorlagen.size()))};
}

} // namespace ui
