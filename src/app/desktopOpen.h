#pragma once

#include <QString>
#include <QStringList>

// Showing addresses the freedesktop way: the default browser's desktop entry
// (xdg-settings, else xdg-mime), its Exec line started with an argument list,
// and xdg-open for handing an address to the desktop. Never a shell.
namespace app {

enum class OpenResult {
    Opened,     // a program was started with the address
    Refused,    // not an address the program shows
    NoBrowser,  // the desktop names no usable default browser
    NotStarted, // the program could not be started
};

// The addresses the program shows: http and https addresses with a host,
// mailto addresses, and its own help file (program folder + Help/hilfe.htm).
// Everything else is refused: other schemes, blanks and control characters,
// and anything a browser could read as an option.
bool isOpenableAddress(const QString& address);

// The default browser's desktop entry id ("firefox.desktop"): the answer of
// "xdg-settings get default-web-browser", else of "xdg-mime query default
// x-scheme-handler/http"; empty when neither names one.
QString defaultBrowserEntry();

// The Exec line of a desktop entry in the applications folders (XDG data
// folders), unescaped; empty when there is no such entry or line.
QString desktopEntryExec(const QString& entryId);

// The program and arguments an Exec line starts for one address: %u %U %f %F
// become the address (a local file as file URL for %u %U), %% a percent sign,
// every other field code is dropped; without a field code the address is
// appended. Empty for a line that is malformed (an open quote) or empty.
QStringList desktopEntryCommand(const QString& exec, const QString& address);

// Shows an address. newWindow: the default browser's own program is started
// with it; otherwise it goes to the desktop (xdg-open), which may reuse a
// browser window. Either way the desktop must name a default browser.
OpenResult openAddress(const QString& address, bool newWindow);

// Hands an address to the desktop (xdg-open) without asking for a browser.
OpenResult openOnDesktop(const QString& address, const QString& workingDirectory = {});

} // namespace app
