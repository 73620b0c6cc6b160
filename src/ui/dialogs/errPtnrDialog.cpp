#include "ui/dialogs/errPtnrDialog.h"

#include "app/msgBox.h"
#include "base/deployment.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

namespace ui {

QString ErrPtnrDialog::supportHint() {
    return QStringLiteral(
               "Es ist ein Problem aufgetreten. Bitte wenden Sie sich an den technischen Support "
               "von Notenschau.\n"
               "Speichern Sie dazu das Fehlerprotokoll und senden Sie es an %1, oder nutzen Sie "
               "die EMail-Funktion.\n"
               "Weitere Hinweise und Updates finden Sie im WWW unter %2.")
        .arg(QString::fromUtf8(deployment::kSupportMail),
             QString::fromUtf8(deployment::kSupportWeb));
}

QGroupBox* ErrPtnrDialog::frame(const QString& name, const QString& caption) {
    auto* box = new QGroupBox(caption, this);
    box->setObjectName(name);
    static_cast<QVBoxLayout*>(layout())->addWidget(box);
    return box;
}

ErrPtnrDialog::ErrPtnrDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("errors::ErrPtnr"));
    setWindowTitle(QStringLiteral("ACHTUNG ! Ein Fehler ist aufgetreten ..."));
    setModal(true);
    new QVBoxLayout(this);

    auto* framComment = frame(QStringLiteral("framComment"), QStringLiteral("Hinweise:"));
    m_lblComment = new QLabel(framComment);
    m_lblComment->setObjectName(QStringLiteral("lblComment"));
    m_lblComment->setWordWrap(true);
    (new QVBoxLayout(framComment))->addWidget(m_lblComment);

    auto* framFehler = frame(QStringLiteral("framFehler"), QStringLiteral("Fehlerbeschreibung:"));
    auto* grid = new QGridLayout(framFehler);
    const QString titles[4] = {QStringLiteral("Fehler-Nr:"), QStringLiteral("Modul:"),
                               QStringLiteral("Prozedur:"), QStringLiteral("Zeilen-Nr.:")};
    for (int i = 0; i < 4; ++i) {
        m_lblErrTitel[i] = new QLabel(titles[i], framFehler);
        m_lblError[i] = new QLabel(framFehler);
        m_lblError[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(m_lblErrTitel[i], i, 0);
        grid->addWidget(m_lblError[i], i, 1);
    }
    auto* sign = new QLabel(QStringLiteral(" ! "), framFehler);
    sign->setObjectName(QStringLiteral("Label1"));
    QFont signFont(QStringLiteral("Arial"), 36);
    signFont.setBold(true);
    sign->setFont(signFont);
    grid->addWidget(sign, 0, 2, 4, 1, Qt::AlignCenter);
    grid->setColumnStretch(1, 1);

    auto* framProgInfo = frame(QStringLiteral("framProgInfo"), QStringLiteral("Programm-Infos:"));
    m_lblProgInfo = new QLabel(framProgInfo);
    m_lblProgInfo->setObjectName(QStringLiteral("lblProgInfo"));
    (new QVBoxLayout(framProgInfo))->addWidget(m_lblProgInfo);

    auto* framProtocol =
        frame(QStringLiteral("framProtocol"), QStringLiteral("Fehlerprotokoll ..."));
    auto* protocolRow = new QHBoxLayout(framProtocol);
    const QString protocolCaptions[2] = {QStringLiteral("&Speichern"), QStringLiteral("&EMail")};
    for (int i = 0; i < 2; ++i) {
        m_cmdProtocol[i] = new QPushButton(protocolCaptions[i], framProtocol);
        m_cmdProtocol[i]->setAutoDefault(false);
        protocolRow->addWidget(m_cmdProtocol[i]);
        connect(m_cmdProtocol[i], &QPushButton::clicked, this, [this, i] { cmdProtocol_Click(i); });
    }
    protocolRow->addStretch();

    auto* framCallStack = frame(QStringLiteral("framCallStack"), QStringLiteral("CallStack:"));
    m_lstCallStack = new QListWidget(framCallStack);
    m_lstCallStack->setObjectName(QStringLiteral("lstCallStack"));
    (new QVBoxLayout(framCallStack))->addWidget(m_lstCallStack);

    auto* framContinue =
        frame(QStringLiteral("framContinue"), QStringLiteral("Weiterer Programmablauf..."));
    auto* continueGrid = new QGridLayout(framContinue);
    const QString continueCaptions[4] = {
        QStringLiteral("Befehl wieder&holen"), QStringLiteral("Fortsetzen mit &nächsten Befehl"),
        QStringLiteral("&Prozedur verlassen"), QStringLiteral("Programm &beenden")};
    for (int i = 0; i < 4; ++i) {
        m_cmdContinue[i] = new QPushButton(continueCaptions[i], framContinue);
        m_cmdContinue[i]->setAutoDefault(false);
        continueGrid->addWidget(m_cmdContinue[i], i / 2, i % 2);
        connect(m_cmdContinue[i], &QPushButton::clicked, this, [this, i] { cmdContinue_Click(i); });
    }
}

// An error that comes while the dialog is open (from an event handled while
// it waits) cannot have a modal loop of its own before the first is answered:
// it waits in line. The dialog then shows it, and each error gets the answer
// the user gives while it is on display.
int ErrPtnrDialog::choose(const errors::ErrorReport& report) {
    auto pending = std::make_shared<Pending>(Pending{report});
    m_pending.push_back(pending);
    if (m_pending.size() == 1)
        present(report);
    QEventLoop loop;
    connect(this, &ErrPtnrDialog::answered, &loop, [&loop, pending] {
        if (pending->action >= 0)
            loop.quit();
    });
    if (pending->action < 0)
        loop.exec(QEventLoop::DialogExec);
    return pending->action;
}

void ErrPtnrDialog::present(const errors::ErrorReport& report) {
    m_lblError[0]->setText(report.numberText());
    m_lblError[1]->setText(report.module);
    m_lblError[2]->setText(report.procedure);
    m_lblError[3]->setText(QString::number(report.line));
    m_lblProgInfo->setText(errors::ErrPtnr::instance().progInfo());

    // An hourglass set by the failing code must not hide the dialog's buttons.
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();

    m_lblComment->setText(supportHint());
    m_lstCallStack->clear();
    m_lstCallStack->addItems(errors::ErrPtnr::instance().trace().items());
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    QApplication::beep();
    show();
}

void ErrPtnrDialog::answer(int action) {
    if (m_pending.empty())
        return;
    if (action == errors::EndProgram) {
        // The program ends at once: no waiting error is shown any more.
        for (const auto& pending : m_pending)
            pending->action = errors::EndProgram;
        m_pending.clear();
    } else {
        m_pending.front()->action = action;
        m_pending.pop_front();
    }
    if (m_pending.empty())
        hide();
    else
        present(m_pending.front()->report);
    emit answered();
}

void ErrPtnrDialog::cmdContinue_Click(int index) {
    answer(index);
}

// Closing by the window frame leaves the procedure.
void ErrPtnrDialog::reject() {
    answer(errors::LeaveProcedure);
}

void ErrPtnrDialog::cmdProtocol_Click(int index) {
    if (m_pending.empty())
        return;
    const QString protocol = errors::ErrPtnr::instance().protocol(m_pending.front()->report);
    if (index == 0) {
        const QString path = errors::protocolFiles::savedPath();
        if (QFile::exists(path) && app::MsgBox(QStringLiteral("Vorhandene Datei '") + path +
                                                   QStringLiteral("' überschreiben ?"),
                                               app::vbYesNo) == app::vbNo)
            return;
        QString why;
        if (!errors::protocolFiles::save(path, protocol, &why)) {
            // Said in a box of its own, never through the error handling.
            app::MsgBox(QStringLiteral("Das Fehlerprotokoll konnte nicht in die Datei '") + path +
                            QStringLiteral("' geschrieben werden:\n") + why,
                        app::vbOKOnly | app::vbExclamation);
            return;
        }
        app::MsgBox(QStringLiteral("Das Fehlerprotokoll wurde in die Datei '") + path +
                    QStringLiteral("' geschrieben !"));
        return;
    }
    app::MsgBox(QStringLiteral(
        "Es wird jetzt Ihr Standard-Email-Programm aufgerufen. Die Fehlerbeschreibung sowie das "
        "Fehlerprotokoll\n"
        "wurden zu Ihrer Bequemlichkeit in die Zwischenablage kopiert.\n"
        "\n"
        "Bitte fügen Sie den Inhalt der Zwischenablage in Ihre Email ein, indem Sie in Ihrem "
        "Email-Programm\n"
        "die Tasten [Strg] und [Einfg] gleichzeitig betätigen. Alternativ können Sie den Inhalt in "
        "die EMail\n"
        "einfügen, indem Sie den Befehl 'Einfügen' aus dem Menü 'Bearbeiten' ausführen."));
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(protocol);
    QDesktopServices::openUrl(
        QUrl(QStringLiteral("mailto:") + QString::fromUtf8(deployment::kSupportMail).trimmed()));
}

} // namespace ui
