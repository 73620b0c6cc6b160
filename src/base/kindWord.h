#pragma once

#include "base/feedbackConstants.h"

#include <optional>
#include <QString>

namespace feedback {

// The kind in a German word, as the exports, the dialogs and the tools show it.
QString kindWord(std::optional<Kind> kind);

} // namespace feedback
