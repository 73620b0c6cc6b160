#pragma once

#include "app/msgBox.h"

namespace ui {

// Shows the program's message boxes as Qt message boxes.
class QtMessageBoxPresenter : public app::MessageBoxPresenter {
public:
    int show(const app::MessageBoxRequest& request) override;
};

} // namespace ui
