#include "ui/dialogs/frmSplash.h"

#include "errors/procedure.h"
#include "ui/forms.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace ui {

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmSplash"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_frame1 = new QFrame(this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setFrameShape(QFrame::Box);
    m_frame1->installEventFilter(this);
    outer->addWidget(m_frame1);

    auto* inner = new QVBoxLayout(m_frame1);
    m_picture1 = new QLabel(m_frame1);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setPixmap(QPixmap(QStringLiteral(":/images/splash.png")));
    m_picture1->setAttribute(Qt::WA_TransparentForMouseEvents);
    inner->addWidget(m_picture1, 0, Qt::AlignCenter);

    m_lblProductName = new QLabel(QStringLiteral("Notenschau wird gestartet.........."), m_frame1);
    m_lblProductName->setObjectName(QStringLiteral("lblProductName"));
    m_lblProductName->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont font = m_lblProductName->font();
    font.setPointSize(12);
    font.setBold(true);
    m_lblProductName->setFont(font);
    inner->addWidget(m_lblProductName, 0, Qt::AlignCenter);
    setFocusPolicy(Qt::StrongFocus);
}

void frmSplash::Form_KeyPress(qint16 KeyAscii) {
    errors::Procedure p("[frmSplash] Private Sub Form_KeyPress(KeyAscii As Integer)");
    Q_UNUSED(KeyAscii);
    p.step([] { Form<frmSplash>::unload(); });
}

void frmSplash::Frame1_Click() {
    errors::Procedure p("[frmSplash] Private Sub Frame1_Click()");
    p.step([] { Form<frmSplash>::unload(); });
}

void frmSplash::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    Form_KeyPress(qint16(text.at(0).unicode()));
}

bool frmSplash::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_frame1 && event->type() == QEvent::MouseButtonRelease) {
        Frame1_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace ui
