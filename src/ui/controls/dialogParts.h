#pragma once

class QLabel;
class QPushButton;
class QString;
class QWidget;

namespace ui {

// A named push button that Enter does not press when it has the focus: in
// these dialogs Enter belongs to the field or the default button.
QPushButton* button(QWidget* parent, const char* name, const QString& caption);

// An empty label with an object name, for texts set later.
QLabel* namedLabel(QWidget* parent, const char* name);

// The hourglass while the store is read or written.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace ui
