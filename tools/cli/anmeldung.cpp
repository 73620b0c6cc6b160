#include "anmeldung.h"

#include "app/signInStore.h"
#include "base/clock.h"

#include <QDate>
#include <QDir>

namespace cli {

namespace {

QString untilText(const QString& anmeldungBis) {
    const QDate until = QDate::fromString(anmeldungBis, Qt::ISODate);
    if (!until.isValid())
        return QStringLiteral("unbekannt");
    const QString date = until.toString(QStringLiteral("dd.MM.yyyy"));
    return until < base::Clock::now().date() ? date + QStringLiteral(" (abgelaufen)") : date;
}

} // namespace

int AnmeldungCommand::runOnSettings(const app::Settings& settings) {
    // The token itself is never printed; only where it is.
    const app::StoredSecret token = app::refreshTokenOf(settings);
    if (token.home == app::SecretHome::None) {
        out(QStringLiteral("Mitglied: %1\nNicht bei eBay angemeldet. Anmelden mit: "
                           "notenschau-einrichten --anmelden\n")
                .arg(settings.username));
        return kOk;
    }
    out(QStringLiteral("Mitglied: %1\nGespeichert: %2\nGültig bis: %3\n")
            .arg(settings.username, app::secretHomeName(token.home),
                 untilText(settings.marktplatz.anmeldungBis)));
    if (token.home == app::SecretHome::File)
        err(QStringLiteral("notenschau-cli: Kein Schlüsselbund gefunden: Das RefreshToken steht "
                           "in %1, nur für Sie lesbar.\n")
                .arg(QDir::toNativeSeparators(settings.file)));
    return kOk;
}

int AbmeldenCommand::runOnSettings(const app::Settings& settings) {
    if (const auto forgotten = app::forgetSignIn(settings.file, settings.username); !forgotten) {
        err(QStringLiteral("notenschau-cli: ") + forgotten.error() + QLatin1Char('\n'));
        return kFehler;
    }
    out(QStringLiteral("Abgemeldet: Die Anmeldung von %1 ist vergessen; die gespeicherten "
                       "Bewertungen bleiben.\n")
            .arg(settings.username));
    return kOk;
}

} // namespace cli
