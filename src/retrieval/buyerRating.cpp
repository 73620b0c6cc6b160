// Loading the items that await the member's rating of their buyer.
#include "retrieval/buyerRating.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QUrlQuery>

namespace retrieval {

namespace {

constexpr char kAwaitingPath[] = "/commerce/feedback/v1/awaiting_feedback";
constexpr int kPageLimit = 200;
constexpr int kDefaultMaxCharacters = 500;

// The price as the window and the console show it: "12,99 EUR". The
// contract gives the value as text; a number is taken as well.
QString priceText(const QJsonObject& price) {
    const QJsonValue value = price.value(QLatin1String("value"));
    bool ok = value.isDouble();
    double amount = value.toDouble();
    if (value.isString())
        amount = value.toString().trimmed().toDouble(&ok);
    if (!ok)
        return {};
    QString text = QString::number(amount, 'f', 2).replace(u'.', u',');
    const QString currency = price.value(QLatin1String("currency")).toString();
    return currency.isEmpty() ? text : text + u' ' + currency;
}

int maxCharactersOf(const QJsonArray& templates) {
    for (const QJsonValue t : templates) {
        const QJsonObject o = t.toObject();
        if (o.value(QLatin1String("ratingKey")).toString() !=
            QLatin1String("OVERALL_EXPERIENCE_COMMENT"))
            continue;
        const int max = o.value(QLatin1String("maximumCharactersAllowed")).toInt(0);
        if (max > 0)
            return std::min(max, kDefaultMaxCharacters);
    }
    return kDefaultMaxCharacters;
}

AwaitingItem itemOf(const QJsonObject& o) {
    AwaitingItem item;
    item.listingId = o.value(QLatin1String("listingId")).toString();
    item.transactionId = o.value(QLatin1String("transactionId")).toString();
    item.orderLineItemId = o.value(QLatin1String("orderLineItemId")).toString();
    item.title = o.value(QLatin1String("listingTitle")).toString();
    item.price = priceText(o.value(QLatin1String("listingPrice")).toObject());
    item.maxCharacters = maxCharactersOf(o.value(QLatin1String("ratingTemplates")).toArray());
    return item;
}

struct AwaitingPage {
    std::vector<AwaitingItem> items;
    qint64 total = 0;
    qint64 asSeller = 0;
    bool hasNext = false;
};

// nullopt for an answer of another shape.
std::optional<AwaitingPage> parsePage(const QByteArray& body) {
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (!doc.isObject())
        return std::nullopt;
    const QJsonObject root = doc.object();
    const QJsonValue lines = root.value(QLatin1String("lineItems"));
    if (!lines.isArray() && !lines.isUndefined())
        return std::nullopt;
    AwaitingPage page;
    for (const QJsonValue line : lines.toArray()) {
        if (!line.isObject())
            return std::nullopt;
        AwaitingItem item = itemOf(line.toObject());
        // An item without a listing cannot be rated.
        if (!item.listingId.isEmpty() || !item.orderLineItemId.isEmpty())
            page.items.push_back(std::move(item));
    }
    const QJsonObject pagination = root.value(QLatin1String("pagination")).toObject();
    page.total = pagination.value(QLatin1String("total")).toInteger(0);
    page.hasNext = pagination.contains(QLatin1String("next"));
    page.asSeller = root.value(QLatin1String("itemsAwaitingFeedbackCount"))
                        .toObject()
                        .value(QLatin1String("asSeller"))
                        .toInteger(0);
    return page;
}

QString refusedText(const SellerAnswer& answer) {
    return QStringLiteral("Der Marktplatz hat die Liste der offenen Bewertungen abgelehnt "
                          "(HTTP %1): %2")
        .arg(answer.status)
        .arg(answer.message.isEmpty() ? QStringLiteral("ohne Begründung") : answer.message);
}

} // namespace

struct AwaitingLoad::State {
    explicit State(const app::Settings& settings) : calls(settings) {}
    SellerCalls calls;
    AwaitingOutcome outcome;
    qint64 offset = 0;
    bool running = false;
};

AwaitingLoad::AwaitingLoad(const app::Settings& settings, QObject* parent)
    : QObject(parent), m_state(std::make_unique<State>(settings)) {}

AwaitingLoad::~AwaitingLoad() = default;

void AwaitingLoad::start() {
    if (m_state->running)
        return;
    m_state->running = true;
    m_state->outcome = {};
    m_state->offset = 0;
    requestPage();
}

void AwaitingLoad::cancel() {
    m_state->running = false;
    m_state->calls.cancelAll();
}

void AwaitingLoad::requestPage() {
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("filter"), QStringLiteral("userRole:SELLER"));
    query.addQueryItem(QStringLiteral("limit"), QString::number(kPageLimit));
    query.addQueryItem(QStringLiteral("offset"), QString::number(m_state->offset));
    QPointer<AwaitingLoad> self(this);
    m_state->calls.get(QLatin1String(kAwaitingPath), query.toString(QUrl::FullyEncoded),
                       [self](const SellerAnswer& answer) {
                           if (self && self->m_state->running)
                               self->pageAnswered(answer);
                       });
}

void AwaitingLoad::pageAnswered(const SellerAnswer& answer) {
    AwaitingOutcome& outcome = m_state->outcome;
    if (answer.kind != SellerAnswer::Kind::Done)
        return finish(answer.kind, answer.kind == SellerAnswer::Kind::Refused ? refusedText(answer)
                                                                              : answer.message);
    const std::optional<AwaitingPage> page = parsePage(answer.body);
    if (!page)
        return finish(SellerAnswer::Kind::Failed,
                      QStringLiteral("Die Antwort des Marktplatzes auf die Frage nach den offenen "
                                     "Bewertungen ist nicht lesbar."));
    outcome.countAsSeller = page->asSeller;
    outcome.items.insert(outcome.items.end(), page->items.begin(), page->items.end());
    m_state->offset += kPageLimit;
    if (page->hasNext && m_state->offset < page->total)
        return requestPage();
    finish(SellerAnswer::Kind::Done, {});
}

void AwaitingLoad::finish(SellerAnswer::Kind kind, const QString& message) {
    m_state->running = false;
    m_state->outcome.kind = kind;
    m_state->outcome.message = message;
    if (kind != SellerAnswer::Kind::Done)
        m_state->outcome.items.clear();
    emit finished(m_state->outcome);
}

} // namespace retrieval
