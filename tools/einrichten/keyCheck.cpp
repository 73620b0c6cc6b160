#include "keyCheck.h"

#include "app/modini.h"
#include "retrieval/clsTalmBewertungen.h"

#include <QEventLoop>
#include <QTimer>
#include <utility>

namespace setup {
namespace {

Outcome fromFehler(qint16 number, const QString& description, const Values& v) {
    switch (number) {
    case retrieval::kFehlerAdresse:
        return {Status::BadCall,
                QStringLiteral("Die Adresse „%1“ des Marktplatzes ist nicht zulässig: erlaubt ist "
                               "https, unverschlüsseltes http nur zum eigenen Rechner "
                               "(127.0.0.1).")
                    .arg(v.apiUrl)};
    case retrieval::kFehlerZugangsdaten:
        return {Status::BadCall, QStringLiteral("ClientId und ClientSecret fehlen.")};
    case retrieval::kFehlerAnmeldung:
        return {Status::KeysRefused,
                QStringLiteral("Der Marktplatz hat das RefreshToken abgelehnt: Es "
                               "ist abgelaufen, widerrufen oder falsch. Bitte "
                               "melden Sie sich an (--anmelden).")};
    case 400:
    case 401:
    case 403:
        return {Status::KeysRefused,
                QStringLiteral("Der Marktplatz hat die Anmeldung mit diesen Zugangsdaten "
                               "abgelehnt (HTTP-Status %1). Bitte prüfen Sie ClientId, "
                               "ClientSecret und, falls angegeben, das RefreshToken.")
                    .arg(number)};
    default:
        // The client's own words name a configuration file not written yet.
        if (number >= 400 && number < 600)
            return {Status::NoConnection,
                    QStringLiteral("Der Marktplatz hat die Prüfung mit HTTP-Status %1 "
                                   "beantwortet. Bitte versuchen Sie es später erneut.")
                        .arg(number)};
        return {
            Status::NoConnection,
            QStringLiteral("Die Zugangsdaten konnten nicht geprüft werden: %1").arg(description)};
    }
}

} // namespace

KeyCheck::KeyCheck() = default;
KeyCheck::~KeyCheck() = default;

void KeyCheck::start(const Values& v, Done done) {
    m_done = std::move(done);
    m_member = v.member;
    m_total = 0;
    app::Settings settings;
    settings.file = modini::configPath();
    settings.plattform = v.plattform;
    // A refresh token is the member's: the check asks for the member's own.
    settings.username = v.member;
    settings.marktplatz.apiUrl = v.apiUrl;
    settings.marktplatz.clientId = v.effectiveClientId();
    settings.marktplatz.clientSecret = v.effectiveClientSecret();
    settings.marktplatz.refreshToken = v.refreshToken;
    // A cached token would hide a wrong secret: tokens are cached without it.
    retrieval::clsTalmBewertungen::clearTokenCache();

    m_source = std::make_unique<retrieval::clsTalmBewertungen>(settings);
    QObject::connect(m_source.get(), &retrieval::clsTalmBewertungen::AnzahlseitenBewertungen,
                     [this](qint32 total, qint32) { m_total = total; });
    QObject::connect(
        m_source.get(), &retrieval::clsTalmBewertungen::Finished, [this](bool aborted) {
            if (aborted)
                return end({Status::Cancelled, QStringLiteral("Die Prüfung wurde abgebrochen.")});
            if (m_total == retrieval::clsTalmBewertungen::kUnbekannt)
                return end({Status::UnknownMember,
                            QStringLiteral("Das Mitglied „%1“ ist dem Marktplatz nicht bekannt. "
                                           "Bitte prüfen Sie den Mitgliedsnamen.")
                                .arg(m_member)});
            end({Status::Done, {}, m_total});
        });
    QObject::connect(m_source.get(), &retrieval::clsTalmBewertungen::Fehler,
                     [this, v](qint16 number, const QString& description) {
                         end(fromFehler(number, description, v));
                     });
    // Refused values come as a queued Fehler; anything else that stops the
    // start still ends the check, after it.
    if (!m_source->getAnzahl(v.member))
        QTimer::singleShot(0, m_source.get(), [this] {
            end({Status::Failed, QStringLiteral("Die Prüfung ließ sich nicht starten.")});
        });
}

void KeyCheck::end(const Outcome& outcome) {
    // The handler may start the next check or destroy this one.
    Done done = std::exchange(m_done, {});
    if (done)
        done(outcome);
}

Outcome checkKeys(const Values& values) {
    Outcome result{Status::Cancelled, {}};
    QEventLoop loop;
    KeyCheck check;
    check.start(values, [&](const Outcome& outcome) {
        result = outcome;
        loop.quit();
    });
    loop.exec();
    return result;
}

} // namespace setup
