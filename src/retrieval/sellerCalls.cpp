#include "retrieval/sellerCalls.h"

#include "retrieval/clsTalmBewertungen.h"
#include "retrieval/feedbackJson.h"
#include "retrieval/marketplaceRules.h"

#include <QJsonDocument>
#include <QMetaObject>
#include <QPointer>

namespace retrieval {

QString notSignedInText() {
    return QStringLiteral("Sie sind nicht bei eBay angemeldet. Antworten und Bewertungen für "
                          "Käufer sendet Notenschau nur mit Ihrer Anmeldung. Bitte melden Sie "
                          "sich an.");
}

SellerCalls::SellerCalls(const app::Settings& settings, QObject* parent)
    : QObject(parent), m_settings(settings) {}

void SellerCalls::get(const QString& path, const QString& query, const Done& done) {
    send({TokenKind::User, path, query, {}}, done);
}

void SellerCalls::post(const QString& path, const QJsonObject& body, const Done& done) {
    send({TokenKind::User, path, {}, QJsonDocument(body).toJson(QJsonDocument::Compact)}, done);
}

void SellerCalls::cancelAll() {
    m_pool.cancelAll();
}

void SellerCalls::send(const ApiCall& call, const Done& done) {
    const auto answerLater = [this, done](const SellerAnswer& answer) {
        QMetaObject::invokeMethod(
            this, [done, answer] { done(answer); }, Qt::QueuedConnection);
    };
    if (m_settings.marktplatz.refreshToken.isEmpty())
        return answerLater(
            {SellerAnswer::Kind::NotSignedIn, 0, 0, notSignedInText(), {}, kFehlerAnmeldung});
    if (!m_ready) {
        const clsTalmBewertungen::Timing timing = clsTalmBewertungen::defaultTiming();
        const auto checked =
            checkSettings(m_settings.marktplatz, timing.http.deadlineMs, m_settings.file);
        if (const auto* fault = std::get_if<SourceFault>(&checked))
            return answerLater(
                {SellerAnswer::Kind::Failed, 0, 0, fault->description, {}, fault->number});
        const auto& setup = std::get<SourceSetup>(checked);
        HttpTiming http = timing.http;
        http.deadlineMs = setup.deadlineMs;
        m_pool.setup({setup.endpoint.base, setup.endpoint.loopback,
                      marketplaceIdFor(m_settings.plattform), m_settings.marktplatz,
                      m_settings.file, http, timing.tokenMarginS, setup.parallel});
        m_ready = true;
    }
    m_pool.send(call, [done](const CallAnswer& answer) {
        SellerAnswer out;
        if (answer.fault) {
            const bool signIn = answer.fault->number == kFehlerAnmeldung;
            out.kind = signIn ? SellerAnswer::Kind::NotSignedIn : SellerAnswer::Kind::Failed;
            out.number = answer.fault->number;
            out.message = answer.fault->description;
        } else if (answer.status == 200) {
            out.kind = SellerAnswer::Kind::Done;
            out.status = 200;
            out.body = answer.body;
        } else {
            const feedbackJson::ErrorAnswer error = feedbackJson::parseError(answer.body);
            out.kind = SellerAnswer::Kind::Refused;
            out.status = answer.status;
            out.errorId = error.errorId;
            out.message = error.message;
        }
        done(out);
    });
}

} // namespace retrieval
