// What members do with their ratings and sales beyond receiving them:
// replies and follow-ups, automated ratings, sales awaiting a rating.
#include "marketplace.h"

#include <algorithm>
#include <QStringList>

namespace marktsim {
namespace {

const QStringList& titles() {
    static const QStringList list{
        QStringLiteral("Kaffeevollautomat, kaum benutzt"),
        QStringLiteral("Bücherpaket Krimis (12 Stück)"),
        QStringLiteral("Fahrradhelm Größe M – neu"),
        QStringLiteral("Briefmarken Deutsches Reich, Lot"),
        QStringLiteral("Gartenzwerg \"Erwin\" aus Ton"),
        QStringLiteral("USB-C Ladekabel 2 m & Netzteil"),
        QStringLiteral("Ölgemälde Landschaft, 40×60 cm"),
        QStringLiteral("Schallplatte: Best of 80's"),
    };
    return list;
}

const QStringList& partners() {
    static const QStringList list{
        QStringLiteral("mueller_handel"),  QStringLiteral("schnäppchenjäger"),
        QStringLiteral("bücherwurm-77"),   QStringLiteral("oma_erna"),
        QStringLiteral("briefmarken_fan"), QStringLiteral("gartenzwerg2000"),
    };
    return list;
}

} // namespace

Rating Marketplace::decorated(const Member& m, Rating rating) const {
    if (const auto it = m.states.find(rating.id); it != m.states.end())
        rating.state = it->second;
    if (const auto it = m.responses.find(rating.id); it != m.responses.end())
        rating.responses = it->second;
    rating.automated = rating.automated || m.automated.count(rating.id) > 0;
    return rating;
}

std::optional<Rating> Marketplace::byId(const QString& name, const QString& id) const {
    const Member* m = find(name);
    if (!m || id.isEmpty())
        return std::nullopt;
    for (const Rating& r : m->added)
        if (r.id == id && !m->withdrawnAdded.count(r.id))
            return decorated(*m, r);
    // Generated ids are the member's key followed by the position.
    const QString prefix = QString::number(m->key);
    if (!id.startsWith(prefix) || id.size() != prefix.size() + 9)
        return std::nullopt;
    bool ok = false;
    const qint64 index = id.mid(prefix.size()).toLongLong(&ok);
    if (!ok || index < 0 || index >= m->generated || m->withdrawnGenerated.count(index))
        return std::nullopt;
    return decorated(*m, generate(*m, index));
}

bool Marketplace::setResponses(const QString& name, const QString& id, const Responses& responses) {
    Member* m = find(name);
    if (!m || !byId(name, id))
        return false;
    m->responses[id] = responses;
    return true;
}

bool Marketplace::setAutomated(const QString& name, const QString& id) {
    Member* m = find(name);
    if (!m || !byId(name, id))
        return false;
    m->automated.insert(id);
    return true;
}

void Marketplace::addAwaiting(const QString& name, int count, bool asSeller, qint64 nowMs) {
    Member* m = find(name);
    if (!m)
        return;
    for (int i = count - 1; i >= 0; --i) {
        const qint64 sale = m->nextSale++;
        const quint64 h = hash(*m, sale, 7);
        AwaitingItem item;
        item.listingId = QString::number(200000000000LL + qint64(h % 799999999999ull));
        item.transactionId =
            QString::number(1000000000000LL + qint64(h % 8999999999ull) * 10 + sale % 10);
        item.title = titles().at(int(sale % titles().size()));
        item.priceCents = 199 + qint64((h >> 20) % 50000);
        item.partner = partners().at(int((h >> 40) % quint64(partners().size())));
        item.asSeller = asSeller;
        // One sale every six hours back from now.
        item.endMs = nowMs - qint64(i) * 6 * 3600 * 1000;
        m->awaiting.push_back(item);
    }
}

std::vector<AwaitingItem> Marketplace::awaiting(const QString& name) const {
    const Member* m = find(name);
    if (!m)
        return {};
    std::vector<AwaitingItem> items(m->awaiting.rbegin(), m->awaiting.rend());
    std::stable_sort(items.begin(), items.end(), [](const AwaitingItem& a, const AwaitingItem& b) {
        return a.endMs > b.endMs;
    });
    return items;
}

Marketplace::LeaveResult Marketplace::findAwaiting(const QString& name, const QString& listingId,
                                                   const QString& transactionId) const {
    const Member* m = find(name);
    if (!m)
        return {Leave::UnknownListing, {}};
    bool listingKnown = false;
    for (const AwaitingItem& item : m->awaiting) {
        if (item.listingId != listingId)
            continue;
        if (item.transactionId == transactionId)
            return {Leave::Left, item};
        listingKnown = true;
    }
    if (m->left.count(listingId + QLatin1Char('-') + transactionId))
        return {Leave::AlreadyLeft, {}};
    for (const auto& [lineItem, id] : m->left)
        listingKnown = listingKnown || lineItem.startsWith(listingId + QLatin1Char('-'));
    return {listingKnown ? Leave::UnknownTransaction : Leave::UnknownListing, {}};
}

QString Marketplace::leave(const QString& name, const AwaitingItem& item) {
    Member* m = find(name);
    if (!m)
        return {};
    const QString lineItem = item.orderLineItemId();
    std::erase_if(m->awaiting,
                  [&](const AwaitingItem& a) { return a.orderLineItemId() == lineItem; });
    const QString id = QString::number(m->key) + QStringLiteral("8") +
                       QString::number(qint64(m->left.size())).rightJustified(8, u'0');
    m->left[lineItem] = id;
    return id;
}

} // namespace marktsim
