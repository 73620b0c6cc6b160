#pragma once

#include "app/settings.h"
#include "retrieval/requestPool.h"

#include <functional>
#include <QJsonObject>
#include <QObject>
#include <QString>

namespace retrieval {

// What a call made with the member's user token came to.
struct SellerAnswer {
    enum class Kind {
        Done,        // 200: body holds the answer
        Refused,     // another status: errorId and message say why
        NotSignedIn, // no sign-in, or one that ran out or was revoked: message says which
        Failed,      // no answer, or the settings are wrong: message says why
    };
    Kind kind = Kind::Failed;
    int status = 0;    // Done, Refused
    int errorId = 0;   // Refused: the marketplace's first error id, 0 when it gave none
    QString message;   // Refused: the marketplace's words; NotSignedIn, Failed: German
    QByteArray body;   // Done
    qint16 number = 0; // Failed, NotSignedIn: the fault's number
};

// The calls only the signed-in member may make, always with their user token:
// answering a rating, the items awaiting a rating, rating a buyer. Answers
// come from the event loop; destroying the object drops what is in flight.
class SellerCalls : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const SellerAnswer&)>;

    // Works with clsTalmBewertungen's default timing, as tests set it.
    explicit SellerCalls(const app::Settings& settings, QObject* parent = nullptr);

    void get(const QString& path, const QString& query, const Done& done);
    void post(const QString& path, const QJsonObject& body, const Done& done);
    void cancelAll();

private:
    void send(const ApiCall& call, const Done& done);

    app::Settings m_settings;
    RequestPool m_pool;
    bool m_ready = false;
};

// "Sie sind nicht bei eBay angemeldet. …": the text of a call made without a sign-in.
QString notSignedInText();

} // namespace retrieval
