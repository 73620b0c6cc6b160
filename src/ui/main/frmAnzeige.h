#pragma once

#include <QMainWindow>

namespace ui {

// The main window.
class frmAnzeige : public QMainWindow {
    Q_OBJECT
public:
    explicit frmAnzeige(QWidget* parent = nullptr);

    // Runs the start sequence and shows the window.
    void Form_Load();
};

} // namespace ui
