#pragma once

#include "setup.h"

#include <functional>
#include <optional>
#include <QString>
#include <QUrl>

namespace retrieval {
struct SignInError;
}

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

// Signs in at the marketplace, then writes the result: a new folder is set
// up for the member who signed in; a folder set up already keeps its
// database and keys and takes the new sign-in. When another member's
// ratings are kept there, the user is asked first. Nothing is written when
// anything fails. anmeldeUrl: the consent page's host; empty: the one that
// goes with the interface.
Outcome signInHere(Values values, const QString& anmeldeUrl, const QString& installed,
                   const SignInIo& io);

} // namespace setup
