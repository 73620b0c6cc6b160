#include "retrieval/requestPool.h"

#include "base/clock.h"

#include <QMetaObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkRequest>
#include <QPointer>
#include <QUrl>

namespace retrieval {

namespace {
// Qt opens at most six HTTP/1.1 connections to a host per manager; more
// requests in flight need a second manager.
constexpr int kConnectionsPerManager = 6;
} // namespace

RequestPool::RequestPool(QObject* parent) : QObject(parent) {}

RequestPool::~RequestPool() {
    cancelAll();
}

void RequestPool::dispose(std::unique_ptr<HttpExchange> http) {
    // It may be the one whose callback runs now.
    if (http) {
        http->abort();
        http.release()->deleteLater();
    }
}

void RequestPool::setup(const PoolSetup& setup) {
    cancelAll();
    m_setup = setup;
    m_setup.parallel = std::clamp(setup.parallel, 1, kMostParallel);
    m_window = m_setup.parallel;
    const bool two = m_setup.parallel > kConnectionsPerManager;
    m_capacity = two ? std::array<int, 2>{(m_setup.parallel + 1) / 2, m_setup.parallel / 2}
                     : std::array<int, 2>{m_setup.parallel, 0};
    m_managers.clear();
    for (int i = 0; i < (two ? 2 : 1); ++i) {
        auto manager = std::make_unique<QNetworkAccessManager>();
        // A proxy from the environment must not see loopback traffic.
        if (setup.loopback)
            manager->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        m_managers.push_back(std::move(manager));
    }
    m_tokens = {TokenSource(TokenKind::Application, setup.base, setup.marktplatz),
                TokenSource(TokenKind::User, setup.base, setup.marktplatz)};
}

void RequestPool::later(std::function<void()> f) {
    QMetaObject::invokeMethod(
        this,
        [this, generation = m_generation, f = std::move(f)] {
            if (generation == m_generation)
                f();
        },
        Qt::QueuedConnection);
}

quint64 RequestPool::send(const ApiCall& call, Reply reply, Progress progress) {
    const quint64 id = m_nextId++;
    m_calls.emplace(id, Call{call, std::move(reply), std::move(progress), {}, {}, false, 0});
    dispatch(id);
    return id;
}

void RequestPool::dispatch(quint64 id) {
    const TokenKind kind = m_calls.at(id).call.kind;
    withToken(kind, [this, id](const TokenOrFault& token) {
        if (!m_calls.count(id))
            return;
        if (const auto* fault = std::get_if<SourceFault>(&token))
            return finishCall(id, {*fault, 0, {}});
        sendWith(id, std::get<QString>(token));
    });
}

void RequestPool::withToken(TokenKind kind, std::function<void(const TokenOrFault&)> then) {
    if (const auto token = tokens(kind).cached())
        return then(*token);
    // An expired sign-in is said as such; an application token instead
    // would store masked names beside unmasked ones.
    const QDate until = QDate::fromString(m_setup.marktplatz.anmeldungBis, Qt::ISODate);
    if (kind == TokenKind::User && until.isValid() && until < base::Clock::now().date())
        return later([then, until] { then(signInExpiredFault(until)); });
    auto& mint = m_mints[kind == TokenKind::User ? 1 : 0];
    if (mint) {
        mint->waiting.push_back(std::move(then));
        return;
    }
    mint.emplace();
    mint->waiting.push_back(std::move(then));
    mint->http = std::make_unique<HttpExchange>(m_managers.front().get(), m_setup.http);
    const TokenSource& source = tokens(kind);
    mint->http->start(source.request(), source.form(),
                      [this, kind](const HttpResult& result) { minted(kind, result); });
}

void RequestPool::minted(TokenKind kind, const HttpResult& result) {
    auto& slot = m_mints[kind == TokenKind::User ? 1 : 0];
    Mint mint = std::move(*slot);
    slot.reset();
    dispose(std::move(mint.http));
    TokenOrFault token = malformedFault();
    if (!result.ok)
        token = SourceFault{result.number, result.description};
    else if (result.status != 200 && kind == TokenKind::User &&
             refusedSignIn(result.status, result.body))
        token = signInRevokedFault();
    else if (result.status != 200)
        token = tokenFault(result.status, result.body, m_setup.configFile);
    else if (const auto accepted = tokens(kind).accept(result.body, m_setup.tokenMarginS))
        token = *accepted;
    // A waiter may cancel the others, or end the pool: each checks its own
    // call first.
    const QPointer<RequestPool> self(this);
    const quint64 generation = m_generation;
    for (const auto& then : mint.waiting)
        if (self && generation == m_generation)
            then(token);
}

int RequestPool::pickManager() const {
    std::array<int, 2> load{};
    for (const auto& [id, call] : m_calls)
        if (call.http)
            ++load[size_t(call.manager)];
    return load[0] < m_capacity[0] || m_managers.size() < 2 ? 0 : 1;
}

void RequestPool::sendWith(quint64 id, const QString& token) {
    Call& c = m_calls.at(id);
    QUrl url(m_setup.base + c.call.path);
    url.setQuery(c.call.query, QUrl::StrictMode);
    QNetworkRequest request(url);
    request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
    request.setRawHeader("Accept", "application/json");
    request.setRawHeader("X-EBAY-C-MARKETPLACE-ID", m_setup.marketplaceId.toLatin1());
    if (!c.call.body.isEmpty())
        request.setRawHeader("Content-Type", "application/json");
    c.token = token;
    c.manager = pickManager();
    c.http = std::make_unique<HttpExchange>(m_managers[size_t(c.manager)].get(), m_setup.http);
    c.http->setOnThrottled([this] { m_window = 1; });
    c.http->start(
        request, c.call.body.isEmpty() ? QByteArray() : c.call.body,
        [this, id](const HttpResult& result) { answered(id, result); },
        [this, id](qint64 bytes) {
            const auto it = m_calls.find(id);
            // A copy: the callback may cancel this call.
            if (it != m_calls.end() && it->second.progress)
                Progress(it->second.progress)(bytes);
        });
}

void RequestPool::answered(quint64 id, const HttpResult& result) {
    const auto it = m_calls.find(id);
    if (it == m_calls.end())
        return;
    Call& c = it->second;
    if (!result.ok)
        return finishCall(id, {SourceFault{result.number, result.description}, 0, {}});
    if (result.status == 401 && !c.repeated) {
        // Only the token this call went out with is refused; another call
        // may have fetched a new one meanwhile.
        if (tokens(c.call.kind).cached() == c.token)
            tokens(c.call.kind).forget();
        c.repeated = true;
        dispose(std::move(c.http));
        return dispatch(id);
    }
    finishCall(id, {std::nullopt, result.status, result.body});
}

void RequestPool::finishCall(quint64 id, const CallAnswer& answer) {
    auto node = m_calls.extract(id);
    if (node.empty())
        return;
    dispose(std::move(node.mapped().http));
    if (answer.succeeded())
        m_window = std::min(m_window + 1, m_setup.parallel);
    const QPointer<RequestPool> self(this);
    const quint64 generation = m_generation;
    if (node.mapped().reply)
        node.mapped().reply(answer);
    if (self && generation == m_generation)
        topUp();
}

void RequestPool::cancel(quint64 id) {
    auto node = m_calls.extract(id);
    if (!node.empty())
        dispose(std::move(node.mapped().http));
}

void RequestPool::cancelAll() {
    ++m_generation;
    for (auto& [id, call] : m_calls)
        dispose(std::move(call.http));
    m_calls.clear();
    for (auto& mint : m_mints) {
        if (mint)
            dispose(std::move(mint->http));
        mint.reset();
    }
    m_ahead.clear();
    m_plan.clear();
    m_aheadStopped = false;
}

std::optional<quint64> RequestPool::takeAhead(const ApiCall& call, Reply reply, Progress progress) {
    const auto found = std::find_if(m_ahead.begin(), m_ahead.end(),
                                    [&](const Ahead& a) { return a.call == call; });
    if (found == m_ahead.end()) {
        dropAhead();
        if (!m_plan.empty() && m_plan.front() == call)
            m_plan.pop_front();
        else
            m_plan.clear();
        return std::nullopt;
    }
    // Those before it will not be asked for.
    while (m_ahead.begin() != found && !(m_ahead.front().call == call)) {
        cancel(m_ahead.front().id);
        m_ahead.pop_front();
    }
    Ahead taken = std::move(m_ahead.front());
    m_ahead.pop_front();
    if (taken.answer) {
        later([reply = std::move(reply), answer = *taken.answer] { reply(answer); });
        return quint64(0);
    }
    Call& c = m_calls.at(taken.id);
    c.reply = std::move(reply);
    c.progress = std::move(progress);
    return taken.id;
}

void RequestPool::dropAhead() {
    for (const Ahead& a : m_ahead)
        cancel(a.id);
    m_ahead.clear();
    m_aheadStopped = false;
}

void RequestPool::planAhead(const std::vector<ApiCall>& calls) {
    size_t kept = 0;
    while (kept < m_ahead.size() && kept < calls.size() && m_ahead[kept].call == calls[kept])
        ++kept;
    while (m_ahead.size() > kept) {
        cancel(m_ahead.back().id);
        m_ahead.pop_back();
    }
    m_plan.assign(calls.begin() + qsizetype(kept), calls.end());
    topUp();
}

void RequestPool::topUp() {
    while (!m_plan.empty() && !m_aheadStopped && inFlight() < m_window &&
           int(m_ahead.size()) < m_setup.parallel) {
        const ApiCall call = m_plan.front();
        m_plan.pop_front();
        // The id send is about to give it.
        const quint64 id = m_nextId;
        m_ahead.push_back({call, id, std::nullopt});
        send(call, [this, id](const CallAnswer& answer) { aheadAnswered(id, answer); });
    }
}

void RequestPool::aheadAnswered(quint64 id, const CallAnswer& answer) {
    const auto found =
        std::find_if(m_ahead.begin(), m_ahead.end(), [&](const Ahead& a) { return a.id == id; });
    if (found == m_ahead.end())
        return;
    found->id = 0;
    found->answer = answer;
    // Nothing more goes out after a failure; what came before it is still used.
    if (!answer.succeeded())
        m_aheadStopped = true;
}

} // namespace retrieval
