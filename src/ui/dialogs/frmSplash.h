#pragma once

#include <QWidget>

class QFrame;
class QLabel;

namespace ui {

// The window shown while the program starts. A key press or a click on its
// frame closes it early.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    QLabel* lblProductName() const { return m_lblProductName; }

    void Form_KeyPress(qint16 KeyAscii);
    void Frame1_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QFrame* m_frame1 = nullptr;
    QLabel* m_picture1 = nullptr;
    QLabel* m_lblProductName = nullptr;
};

} // namespace ui
