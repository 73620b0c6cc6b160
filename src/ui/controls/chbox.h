#pragma once

#include "ui/controls/twips.h"

#include <array>
#include <QWidget>

class QLabel;

namespace ui {

class PropertyBag;

// The program's own check box: a box image, a caption and a focus frame on a
// light grey surface. A click anywhere on it, or the space bar, toggles the
// value. Its procedures carry no trace and no error handler: an error in a
// property passes to the caller's handler.
class chbox : public QWidget {
    Q_OBJECT
public:
    explicit chbox(QWidget* parent = nullptr);

    bool Value() const { return m_Value; }
    // Never raises Click.
    void setValue(bool b);

    QString Caption() const;
    void setCaption(const QString& s);

    // The Enabled property: only the caption follows it. The control keeps
    // taking the mouse, the space bar and the focus, which is why it is not
    // QWidget::setEnabled (that one is hidden below for this class).
    bool Enabled() const;
    void setCaptionEnabled(bool bval);
    void setEnabled(bool) = delete;

    // The stored properties, as the window that holds the instance keeps them.
    void UserControl_ReadProperties(const PropertyBag& PropBag);
    void UserControl_WriteProperties(PropertyBag& PropBag) const;

    QLabel* img(int Index) const { return m_img.at(size_t(Index)); }
    QLabel* lbl() const { return m_lbl; }
    QWidget* shFoc() const { return m_shFoc; }

    QSize sizeHint() const override;

signals:
    // After the user has toggled the value.
    void Click();
    // Every key press that yields a character, after the space bar's toggle.
    // The receiver may change the code.
    void KeyPress(int& KeyAscii);
    // A stored property was written through its property.
    void PropertyChanged(const QString& PropertyName);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void toggle();
    void showImage(bool checked);
    void UserControl_Resize();

    Twips m_twips;
    bool m_Value = false;
    bool m_pressed = false;
    std::array<QLabel*, 2> m_img{};
    QLabel* m_lbl = nullptr;
    QWidget* m_shFoc = nullptr;
};

} // namespace ui
