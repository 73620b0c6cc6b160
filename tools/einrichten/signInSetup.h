#pragma once

#include "app/settings.h"
#include "retrieval/signIn.h"
#include "setup.h"

#include <functional>
#include <optional>
#include <QString>
#include <QUrl>
#include <variant>

namespace setup {

// How a sign-in talks to its user: lines said, a line asked for (nullopt
// when the input ended), and the browser to open the consent page in.
struct SignInIo {
    std::function<void(const QString& line)> say;
    std::function<std::optional<QString>(const QString& prompt)> ask;
    std::function<void(const QUrl& url)> openBrowser;
};

// The exit status and message of a sign-in that did not work out.
Outcome signInFailed(const retrieval::SignInError& error);

// "Abgebrochen: nichts geschrieben."
Outcome signInCancelled();

// One sign-in's steps, the same in the terminal and in the window: the
// consent address, the code in the paste, the values to check, the writing.
// Between the steps the caller talks to the user and to the marketplace.
class SignInSteps {
public:
    // A folder set up already fills in what the values leave empty.
    // anmeldeUrl: the consent page's host; empty: the one that goes with the
    // interface.
    SignInSteps(Values values, const QString& anmeldeUrl);

    // The application's keys are all there: a fresh consent address is
    // ready. Else the failure naming the keys missing.
    std::optional<Outcome> start();
    const QUrl& consentUrl() const { return m_url; }
    // What the exchange of the code speaks to.
    const app::MarktplatzSettings& settings() const { return m_settings; }

    // The code in what the user pasted, or why there is none.
    std::variant<QString, Outcome> code(const QString& pasted) const;

    // Another member's ratings are kept in the folder: what the user is to
    // hear before agreeing to go on. Empty when there is nothing to ask.
    QString replaceQuestion(const QString& member) const;

    // The values for who signed in, passed checkLocally; ready for the check.
    std::variant<Values, Outcome> signedInValues(const retrieval::SignedIn& signedIn,
                                                 const QString& installed) const;

    // Writes the checked values; a folder set up already keeps every other
    // setting it has. The message says who signed in, until when, and where
    // the token is kept.
    Outcome write(const Values& values, const Outcome& check, const retrieval::SignedIn& signedIn,
                  const QString& installed) const;

private:
    bool m_setUp;
    Values m_stored;
    QString m_anmeldeUrl;
    app::MarktplatzSettings m_settings;
    QString m_state;
    QUrl m_url;
};

// Signs in at the marketplace, then writes the result: a new folder is set
// up for the member who signed in; a folder set up already keeps its
// database and keys and takes the new sign-in. When another member's
// ratings are kept there, the user is asked first. Nothing is written when
// anything fails.
Outcome signInHere(Values values, const QString& anmeldeUrl, const QString& installed,
                   const SignInIo& io);

} // namespace setup
