#pragma once

#include <QString>

namespace modGlobal {

// The process entry: refuses a second instance, then loads the main window.
// Returns false when the process is to end at once.
bool Main();

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
