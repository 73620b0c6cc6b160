#include "signInSetup.h"

#include "app/signInStore.h"
#include "keyCheck.h"

#include <QEventLoop>
#include <utility>

namespace setup {

namespace {

// The interface settings a sign-in speaks to: the values over the
// installation's keys.
app::MarktplatzSettings signInSettings(const Values& v, const QString& anmeldeUrl) {
    app::MarktplatzSettings s;
    s.apiUrl = v.apiUrl;
    s.clientId = v.effectiveClientId();
    s.clientSecret = v.effectiveClientSecret();
    s.ruName = v.ruName.isEmpty() ? v.installed.ruName : v.ruName;
    s.anmeldeUrl = !anmeldeUrl.isEmpty()               ? anmeldeUrl
                   : !v.installed.anmeldeUrl.isEmpty() ? v.installed.anmeldeUrl
                                                       : app::defaultAnmeldeUrl(v.apiUrl);
    s.identityUrl = app::defaultIdentityUrl(v.apiUrl);
    return s;
}

retrieval::SignInResult exchange(const app::MarktplatzSettings& settings, const QString& code) {
    retrieval::SignInResult result =
        retrieval::SignInError{retrieval::SignInFailure::Failed, QString()};
    QEventLoop loop;
    retrieval::SignInExchange exchange(settings);
    exchange.start(code, [&](const retrieval::SignInResult& r) {
        result = r;
        loop.quit();
    });
    loop.exec();
    return result;
}

// Going on over another member's ratings is the user's choice, and never
// without being asked.
bool mayReplaceMember(const SignInSteps& steps, const QString& member, const SignInIo& io) {
    const QString question = steps.replaceQuestion(member);
    if (question.isEmpty())
        return true;
    io.say(question);
    const std::optional<QString> answer = io.ask(QStringLiteral("Fortfahren? [j/N] "));
    return answer && (answer->compare(QLatin1String("j"), Qt::CaseInsensitive) == 0 ||
                      answer->compare(QLatin1String("ja"), Qt::CaseInsensitive) == 0);
}

// The token moves from the file just written into the keyring, when one
// answers; either way the user learns where it is.
QString secretHomeText(const Values& v, const retrieval::SignedIn& signedIn) {
    const auto home = app::saveSignIn(configFile(v.folder),
                                      {signedIn.member, signedIn.refreshToken, v.anmeldungBis});
    if (home && *home == app::SecretHome::Keyring)
        return QStringLiteral("Das RefreshToken liegt im Schlüsselbund der Sitzung.");
    return QStringLiteral("Kein Schlüsselbund gefunden: Das RefreshToken steht in %1, nur für "
                          "Sie lesbar.")
        .arg(configFile(v.folder));
}

} // namespace

Outcome signInFailed(const retrieval::SignInError& error) {
    using F = retrieval::SignInFailure;
    switch (error.failure) {
    case F::NoKeys:
        return {Status::BadCall, error.text};
    case F::BadPaste:
    case F::Refused:
    case F::WrongState:
    case F::CodeUnusable:
        return {Status::SignInRefused, error.text};
    case F::WrongRuName:
        return {Status::KeysRefused, error.text};
    case F::NoConnection:
        return {Status::NoConnection, error.text};
    case F::Failed:
        break;
    }
    return {Status::Failed, error.text};
}

Outcome signInCancelled() {
    return {Status::Cancelled, QStringLiteral("Abgebrochen: nichts geschrieben.")};
}

SignInSteps::SignInSteps(Values v, const QString& anmeldeUrl)
    : m_setUp(isSetUp(normalised(v).folder)), m_stored(normalised(withStored(std::move(v)))),
      m_anmeldeUrl(anmeldeUrl) {}

std::optional<Outcome> SignInSteps::start() {
    m_settings = signInSettings(m_stored, m_anmeldeUrl);
    QStringList missingKeys;
    for (const auto& [name, value] : {std::pair{"ClientId", &m_settings.clientId},
                                      {"ClientSecret", &m_settings.clientSecret},
                                      {"RuName", &m_settings.ruName}})
        if (value->isEmpty())
            missingKeys << QLatin1String(name);
    if (!missingKeys.isEmpty())
        return signInFailed(
            {retrieval::SignInFailure::NoKeys, QStringLiteral("Für die Anmeldung bei eBay fehlen "
                                                              "Schlüssel der Anwendung: %1.")
                                                   .arg(missingKeys.join(QStringLiteral(", ")))});
    m_state = retrieval::newSignInState();
    m_url = retrieval::consentUrl(m_settings, m_state);
    return std::nullopt;
}

std::variant<QString, Outcome> SignInSteps::code(const QString& pasted) const {
    auto code = retrieval::codeFromPaste(pasted, m_state);
    if (const auto* error = std::get_if<retrieval::SignInError>(&code))
        return signInFailed(*error);
    return std::get<QString>(std::move(code));
}

QString SignInSteps::replaceQuestion(const QString& member) const {
    if (!m_setUp || m_stored.member.isEmpty() ||
        m_stored.member.compare(member, Qt::CaseInsensitive) == 0)
        return {};
    return QStringLiteral("Angemeldet ist %1, in %2 sind aber die Bewertungen von %3 "
                          "gespeichert. Mit der Anmeldung wird %1 das Mitglied dieses Ordners; "
                          "die Bewertungen von %3 bleiben gespeichert, werden aber nicht "
                          "mehr angezeigt.")
        .arg(member, m_stored.folder, m_stored.member);
}

std::variant<Values, Outcome> SignInSteps::signedInValues(const retrieval::SignedIn& signedIn,
                                                          const QString& installed) const {
    Values v = m_stored;
    v.member = signedIn.member;
    v.refreshToken = signedIn.refreshToken;
    // The day the user will see: the local one, as the window stores it.
    v.anmeldungBis = signedIn.refreshExpires.toLocalTime().toString(QStringLiteral("yyyy-MM-dd"));
    // Signing in again is what a set-up folder is for: no --ueberschreiben needed.
    v.overwrite = true;
    if (Outcome local = checkLocally(v, installed); !local.ok())
        return local;
    return v;
}

Outcome SignInSteps::write(const Values& v, const Outcome& check,
                           const retrieval::SignedIn& signedIn, const QString& installed) const {
    // The token goes where the sign-in keeps it, below; a folder set up
    // already keeps every other setting it has.
    Values withoutToken = v;
    withoutToken.refreshToken.clear();
    Outcome written = setup::write(withoutToken, installed, check.ratings,
                                   m_setUp ? readConfigText(v.folder) : std::optional<QString>());
    if (!written.ok())
        return written;
    written.message =
        QStringLiteral("Angemeldet als %1; die Anmeldung gilt bis %2.\n")
            .arg(signedIn.member,
                 signedIn.refreshExpires.toLocalTime().toString(QStringLiteral("dd.MM.yyyy"))) +
        written.message + QLatin1Char('\n') + secretHomeText(v, signedIn);
    return written;
}

Outcome signInHere(Values values, const QString& anmeldeUrl, const QString& installed,
                   const SignInIo& io) {
    SignInSteps steps(std::move(values), anmeldeUrl);
    if (std::optional<Outcome> noKeys = steps.start())
        return *noKeys;
    const QUrl& url = steps.consentUrl();
    io.say(QStringLiteral("Öffnen Sie diese Adresse im Browser, melden Sie sich bei eBay an und "
                          "stimmen Sie zu:"));
    io.say(url.toString(QUrl::FullyEncoded));
    io.openBrowser(url);
    const std::optional<QString> pasted =
        io.ask(QStringLiteral("Fügen Sie danach die Adresse der Seite, auf der Sie gelandet sind, "
                              "oder den Code hier ein: "));
    if (!pasted)
        return signInCancelled();
    const auto code = steps.code(*pasted);
    if (const auto* failed = std::get_if<Outcome>(&code))
        return *failed;
    const retrieval::SignInResult result = exchange(steps.settings(), std::get<QString>(code));
    if (const auto* error = std::get_if<retrieval::SignInError>(&result))
        return signInFailed(*error);
    const retrieval::SignedIn& signedIn = std::get<retrieval::SignedIn>(result);

    if (!mayReplaceMember(steps, signedIn.member, io))
        return signInCancelled();
    const auto v = steps.signedInValues(signedIn, installed);
    if (const auto* local = std::get_if<Outcome>(&v))
        return *local;
    const Outcome check = checkKeys(std::get<Values>(v));
    if (!check.ok())
        return check;
    return steps.write(std::get<Values>(v), check, signedIn, installed);
}

} // namespace setup
