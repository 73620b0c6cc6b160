#pragma once

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

} // namespace modGlobal
