#pragma once

#include <QString>

namespace modGlobal {

// How the start went.
enum class Start {
    Running,        // the main window is up
    AlreadyRunning, // another instance runs: this one ends silently
    Failed,         // the main window's load was left before the window showed
};

// How the program was asked to start.
struct StartRequest {
    bool neueste = false; // --neueste: from a notice, on the newest own ratings
};

// The process entry: refuses a second instance, then loads the main window.
Start Main(const StartRequest& request = {});

// The program once the application object exists: message boxes and the
// error dialog, Main, and the event loop. Returns the exit code.
int runProgram(const StartRequest& request = {});

} // namespace modGlobal

namespace ui {
class MenuAdapter;
}

namespace modGlobal {

// Builds the main window's menu; a failing item is passed over.
void pbuildmenus(ui::MenuAdapter& menu);

// Shows a web page: over the launcher link when the user works with its
// browser and the link is up, else in the desktop's default browser, a new
// window of it with OpenNew. Only http, https and mailto addresses and the
// help file are opened; anything else is refused like a page that failed.
void OpenLink(const QString& WebSiteStr, bool OpenNew = true);

} // namespace modGlobal
