#pragma once

#include <functional>
#include <QWidget>

namespace testsupport {

// Runs action on the next modal window that opens (the error dialog, a
// message box), from the event loop that window's exec() runs. Gives up after
// timeoutMs so that a test never hangs.
void onNextModal(std::function<void(QWidget*)> action, int timeoutMs = 5000);

} // namespace testsupport
