#include "ui/controls/chbox.h"

#include "app/vbConvert.h"
#include "base/windows1252.h"
#include "errors/procedure.h"
#include "ui/controls/propertyBag.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

namespace ui {

namespace {

constexpr int kImgLeft = 0, kImgTop = 20, kImgSize = 240;
constexpr int kLblLeft = 285, kLblTop = 30;
constexpr int kControlHeight = 255;

// The focus frame: a dotted line along the control's edge, as the desktop
// draws the focus of a check box. Clicks pass through to the control.
class FocusFrame : public QWidget {
public:
    explicit FocusFrame(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

// Key codes are ANSI codes: a character outside the code page comes as "?",
// the way the desktop's ANSI conversion hands it over.
int ansiCode(QChar ch) {
    if (ch.unicode() < 128)
        return ch.unicode();
    for (int code = 128; code < 256; ++code)
        if (base::fromWindows1252(code) == ch)
            return code;
    return '?';
}

// A stored Boolean may come as a Boolean, a number or a text such as "True"
// or "-1"; an absent one is False.
bool toBoolean(const QVariant& value) {
    if (!value.isValid())
        return false;
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString)
        return app::CBool(value.toString());
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok)
        errors::raise(errors::RuntimeError::TypeMismatch);
    return number != 0.0;
}

} // namespace

chbox::chbox(QWidget* parent) : QWidget(parent), m_twips(Twips::of(this)) {
    setFocusPolicy(Qt::StrongFocus);
    QPalette pal = palette();
    // The surface is always light grey, so the caption's colours are fixed
    // too: a dark desktop theme must not turn the text light.
    pal.setColor(QPalette::Window, QColor(224, 224, 224));
    pal.setColor(QPalette::WindowText, Qt::black);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
    setPalette(pal);
    setAutoFillBackground(true);

    static const char* const pictures[2] = {":/images/chbox_leer.png", ":/images/chbox_haken.png"};
    for (int i = 0; i < 2; ++i) {
        QLabel* image = new QLabel(this);
        image->setObjectName(QStringLiteral("img%1").arg(i));
        image->setPixmap(QPixmap(QString::fromLatin1(pictures[i])));
        image->setScaledContents(true); // 240 twips on any screen, whatever the image's pixels
        image->setGeometry(m_twips.toPx(QRect(kImgLeft, kImgTop, kImgSize, kImgSize)));
        image->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_img[size_t(i)] = image;
    }

    m_lbl = new QLabel(this);
    m_lbl->setObjectName(QStringLiteral("lbl"));
    m_lbl->setTextFormat(Qt::PlainText);
    // Where Tahoma is missing, fonts of about its width, so that a caption
    // still fits the width the holding window gives the control.
    QFont font;
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial"), QStringLiteral("DejaVu Sans Condensed")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    m_lbl->setFont(font);
    m_lbl->move(m_twips.toPx(kLblLeft), m_twips.toPx(kLblTop));
    m_lbl->adjustSize();
    m_lbl->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_shFoc = new FocusFrame(this);
    m_shFoc->setObjectName(QStringLiteral("shFoc"));
    m_shFoc->hide();
    showImage(false);
    UserControl_Resize();
}

// The caption with as much room on its right as above it, at the control's own height.
QSize chbox::sizeHint() const {
    return QSize(m_lbl->geometry().right() + 1 + m_twips.toPx(kLblTop),
                 m_twips.toPx(kControlHeight));
}

void chbox::showImage(bool checked) {
    // The two boxes lie on top of each other; the frame stays above both.
    m_img[checked ? 1 : 0]->stackUnder(m_shFoc);
}

void chbox::setValue(bool b) {
    m_Value = b;
    showImage(b);
    emit PropertyChanged(QStringLiteral("Value"));
}

QString chbox::Caption() const {
    return m_lbl->text();
}

void chbox::setCaption(const QString& s) {
    m_lbl->setText(s);
    m_lbl->adjustSize();
    UserControl_Resize();
    emit PropertyChanged(QStringLiteral("Caption"));
}

// The caption's own state: a disabled window around the control does not
// change the stored property.
bool chbox::Enabled() const {
    return m_lbl->isEnabledTo(this);
}

void chbox::setCaptionEnabled(bool bval) {
    m_lbl->setEnabled(bval);
    emit PropertyChanged(QStringLiteral("Enabled"));
}

void chbox::toggle() {
    showImage(!m_Value);
    m_Value = !m_Value;
    emit Click();
}

void chbox::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
}

// The images and the caption let the mouse through, so a click on any of
// them arrives here.
void chbox::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        toggle();
}

// Keys without a character (arrows, function keys) have no key code and pass
// on to the window.
void chbox::keyPressEvent(QKeyEvent* event) {
    if (event->text().isEmpty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    int KeyAscii = ansiCode(event->text().at(0));
    if (KeyAscii == 32)
        toggle();
    emit KeyPress(KeyAscii);
}

void chbox::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    m_shFoc->show();
}

void chbox::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    m_shFoc->hide();
}

void chbox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UserControl_Resize();
}

void chbox::UserControl_Resize() {
    auto p = errors::Procedure::untraced("[chbox] Private Sub UserControl_Resize()",
                                         errors::Handling::SkipSilently);
    p.step([&] { m_shFoc->setGeometry(contentsRect()); });
}

void chbox::UserControl_ReadProperties(const PropertyBag& PropBag) {
    auto p = errors::Procedure::untraced(
        "[chbox] Private Sub UserControl_ReadProperties(PropBag As PropertyBag)",
        errors::Handling::SkipSilently);
    p.step([&] {
        m_lbl->setText(PropBag.ReadProperty(QStringLiteral("Caption")).toString());
        m_lbl->adjustSize();
    });
    p.step([&] { m_lbl->setEnabled(toBoolean(PropBag.ReadProperty(QStringLiteral("Enabled")))); });
    p.step([&] { setValue(toBoolean(PropBag.ReadProperty(QStringLiteral("Value")))); });
    p.step([&] { UserControl_Resize(); });
}

void chbox::UserControl_WriteProperties(PropertyBag& PropBag) const {
    PropBag.WriteProperty(QStringLiteral("Caption"), m_lbl->text());
    PropBag.WriteProperty(QStringLiteral("Enabled"), Enabled());
    PropBag.WriteProperty(QStringLiteral("Value"), m_Value);
}

} // namespace ui
