#pragma once

#include "app/settings.h"
#include "retrieval/marketplaceRules.h"
#include "retrieval/marktplatzHttp.h"
#include "retrieval/tokenSource.h"

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <variant>
#include <vector>

class QNetworkAccessManager;

namespace retrieval {

// A request to the marketplace's interface, as its answer is matched.
struct ApiCall {
    TokenKind kind = TokenKind::Application;
    QString path;
    QString query;
    QByteArray body; // a JSON body makes it a POST
    bool operator==(const ApiCall&) const = default;
};

// What came back: a fault when no answer could be had, else the answer.
struct CallAnswer {
    std::optional<SourceFault> fault;
    int status = 0;
    QByteArray body;
    bool succeeded() const { return !fault && status == 200; }
};

// What every request of a source goes out with.
struct PoolSetup {
    QString base;
    bool loopback = false; // then no proxy may see the traffic
    QString marketplaceId;
    app::MarktplatzSettings marktplatz; // the keys and sign-in the tokens come from
    QString configFile;                 // named by messages about the keys
    HttpTiming http;
    int tokenMarginS = 60;
    int parallel = 1;
};

// The requests of one feedback source: several in flight at once, up to a
// window that narrows to one when the marketplace asks to slow down and
// widens again with each answer that succeeds; one token request for all of
// them when a token is missing or refused; and the calls expected next read
// ahead, their answers held until they are asked for, in order.
//
// Replies come from the event loop, never from within send or takeAhead.
// A reply may cancel anything, this pool included.
class RequestPool : public QObject {
    Q_OBJECT
public:
    using Reply = std::function<void(const CallAnswer&)>;
    using Progress = HttpExchange::Progress;

    explicit RequestPool(QObject* parent = nullptr);
    ~RequestPool() override;

    // Drops what is in flight and read ahead, then works with this.
    void setup(const PoolSetup& setup);
    // Sends a call now. The id cancels it.
    quint64 send(const ApiCall& call, Reply reply, Progress progress = {});
    // The answer of a call read ahead, now or once it arrives; the id cancels
    // it (0 when its answer is here). Nothing when the call was not read
    // ahead: what was is dropped, and the caller sends it.
    std::optional<quint64> takeAhead(const ApiCall& call, Reply reply, Progress progress = {});
    // The calls expected after those asked for so far, in order. Read-ahead
    // calls that still match are kept, the others dropped.
    void planAhead(const std::vector<ApiCall>& calls);
    void cancel(quint64 id);
    // Every call, read ahead or asked for, and every token request.
    void cancelAll();

    int inFlight() const { return int(m_calls.size()); }

private:
    using TokenOrFault = std::variant<QString, SourceFault>;
    struct Call {
        ApiCall call;
        Reply reply;
        Progress progress;
        std::unique_ptr<HttpExchange> http; // none while it waits for a token
        QString token;                      // the one it went out with
        bool repeated = false;              // sent again after a refused token
        int manager = 0;
    };
    struct Ahead {
        ApiCall call;
        quint64 id = 0; // while in flight
        std::optional<CallAnswer> answer;
    };
    struct Mint {
        std::unique_ptr<HttpExchange> http;
        std::vector<std::function<void(const TokenOrFault&)>> waiting;
    };

    TokenSource& tokens(TokenKind kind) { return m_tokens[kind == TokenKind::User ? 1 : 0]; }
    void withToken(TokenKind kind, std::function<void(const TokenOrFault&)> then);
    void minted(TokenKind kind, const HttpResult& result);
    void dispatch(quint64 id);
    void sendWith(quint64 id, const QString& token);
    void answered(quint64 id, const HttpResult& result);
    void finishCall(quint64 id, const CallAnswer& answer);
    void aheadAnswered(quint64 id, const CallAnswer& answer);
    void dropAhead();
    void topUp();
    int pickManager() const;
    void later(std::function<void()> f);
    static void dispose(std::unique_ptr<HttpExchange> http);

    PoolSetup m_setup;
    std::vector<std::unique_ptr<QNetworkAccessManager>> m_managers;
    std::array<int, 2> m_capacity{};
    std::array<TokenSource, 2> m_tokens;
    std::array<std::optional<Mint>, 2> m_mints;
    std::map<quint64, Call> m_calls;
    std::deque<Ahead> m_ahead;
    std::deque<ApiCall> m_plan;
    quint64 m_nextId = 1;
    quint64 m_generation = 0; // cancelAll makes queued work stale
    int m_window = 1;
    bool m_aheadStopped = false; // a call read ahead failed: no more until the plan changes
};

} // namespace retrieval
