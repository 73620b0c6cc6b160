// The window's own checks at the interval [Main] Intervall names: quiet ones
// that leave the list where the user has it, and the desktop notice for the
// ratings they stored while the window was not the active one.
#include "app/desktopNotice.h"
#include "app/modGlobal.h"
#include "app/modini.h"
#include "app/msgBox.h"
#include "base/clock.h"
#include "retrieval/newRatingsNotice.h"
#include "retrieval/quietCheck.h"
#include "ui/main/frmAnzeige.h"

#include <QLabel>
#include <QMenuBar>
#include <QTimer>

namespace ui {

namespace {

// A check that falls into the user's own command comes a minute later.
constexpr int kLaterMs = 60'000;

} // namespace

void frmAnzeige::setUpIntervalChecks() {
    if (m_intervalTimer)
        return;
    const auto read =
        retrieval::checkIntervalOf(modini::settings().intervall, modini::configPath());
    if (const auto* message = std::get_if<QString>(&read)) {
        app::MsgBox(*message, app::vbOKOnly | app::vbExclamation);
        return;
    }
    const int minutes = std::get<int>(read);
    if (minutes == 0)
        return;
    m_intervalMs = minutes * 60'000;
    m_intervalTimer = new QTimer(this);
    m_intervalTimer->setSingleShot(true);
    connect(m_intervalTimer, &QTimer::timeout, this, &frmAnzeige::intervalCheck);
    m_intervalTimer->start(m_intervalMs);
}

void frmAnzeige::intervalCheck() {
    if (m_quietCheck)
        return;
    if (busyWithOwnCommand() || !modini::missingStandardUser().isEmpty()) {
        if (m_intervalTimer)
            m_intervalTimer->start(kLaterMs);
        return;
    }
    m_quietCheck = new retrieval::QuietCheck(modini::settings(), modGlobal::sDatenbankPfad, this);
    connect(m_quietCheck, &retrieval::QuietCheck::finished, this, &frmAnzeige::intervalCheckEnded);
    m_quietCheck->start();
}

void frmAnzeige::intervalCheckEnded(const retrieval::QuietCheckOutcome& outcome) {
    m_quietCheck->deleteLater();
    m_quietCheck = nullptr;
    if (m_intervalTimer)
        m_intervalTimer->start(m_intervalMs);
    if (outcome.added > 0)
        reloadFromStore();
    showCheckLine(retrieval::quietCheckLine(outcome, base::Clock::now().time()));
    if (outcome.kind == retrieval::QuietCheckOutcome::Kind::Stored && !isActiveWindow())
        announce(outcome);
    emit intervalCheckDone(outcome);
}

void frmAnzeige::announce(const retrieval::QuietCheckOutcome& outcome) {
    const auto kinds = retrieval::noticeKindsOf(modini::settings().melden, modini::configPath());
    const auto* wanted = std::get_if<retrieval::NoticeKinds>(&kinds);
    const std::optional<app::Notice> notice =
        wanted ? retrieval::newRatingsNotice(outcome.newRatings, *wanted) : std::nullopt;
    if (!notice)
        return;
    if (!m_notice) {
        m_notice = new app::DesktopNotice(this);
        connect(m_notice, &app::DesktopNotice::answered, this, [this](app::NoticeAnswer answer) {
            if (answer == app::NoticeAnswer::Chosen)
                showNewRatings();
        });
    }
    const app::NoticeOutcome sent = m_notice->send(*notice);
    // Said once: the status line would repeat it after every check.
    if (const auto* none = std::get_if<app::NoNoticeService>(&sent); none && !m_toldNoNotice) {
        m_toldNoNotice = true;
        showCheckLine(m_lblPruefung->toolTip() +
                      QStringLiteral(" Keine Desktop-Benachrichtigung möglich: ") + none->reason);
    }
}

void frmAnzeige::showCheckLine(const QString& line) {
    // The menu bar keeps its room: a long reason is read in the tooltip.
    m_lblPruefung->setToolTip(line);
    m_lblPruefung->setText(m_lblPruefung->fontMetrics().elidedText(line, Qt::ElideRight, 520));
    m_lblPruefung->setVisible(true);
    layOutCorner();
}

void frmAnzeige::layOutCorner() {
    QWidget* corner = m_menuBar->cornerWidget(Qt::TopRightCorner);
    corner->adjustSize();
    m_menuBar->setCornerWidget(corner, Qt::TopRightCorner);
}

void frmAnzeige::showNewRatings() {
    bringForward();
    if (busyWithOwnCommand())
        return;
    if (modGlobal::bFremdModus)
        cmdback_Click();
    else
        m_view->cmdalleanzeigen_Click();
}

} // namespace ui
