#include "ui/main/frmAnzeige.h"

#include "app/checkLock.h"
#include "app/modGlobal.h"
#include "app/modini.h"
#include "app/msgBox.h"
#include "base/privateFiles.h"
#include "errors/procedure.h"
#include "retrieval/modIConnect.h"
#include "retrieval/syncOutcome.h"
#include "store/modData.h"
#include "ui/controls/menuAdapter.h"
#include "ui/dialogs/frmLade.h"
#include "ui/dialogs/frmSplash.h"
#include "ui/forms.h"
#include "ui/main/feedbackList.h"
#include "ui/main/seenMark.h"
#include "ui/main/windowLayout.h"
#include "ui/modGlobalMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace ui {

frmAnzeige::frmAnzeige(QWidget* parent) : QWidget(parent), m_twips(Twips::of(this)) {
    setObjectName(QStringLiteral("frmAnzeige"));
    setWindowTitle(QStringLiteral("Notenschau"));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(224, 224, 224));
    setPalette(pal);
    setAutoFillBackground(true);

    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("SmartMenuXP1"));
    m_menuBar->setNativeMenuBar(false);
    m_menu = new MenuAdapter(m_menuBar, this);
    // The last check of the window's own and the expiry notice stay in
    // sight without holding anything up.
    auto* corner = new QWidget(m_menuBar);
    auto* cornerRow = new QHBoxLayout(corner);
    cornerRow->setContentsMargins(0, 0, 6, 0);
    cornerRow->setSpacing(18);
    m_lblPruefung = new QLabel(corner);
    m_lblPruefung->setObjectName(QStringLiteral("lblPruefung"));
    m_lblPruefung->setStyleSheet(QStringLiteral("color: #505050"));
    m_lblPruefung->hide();
    cornerRow->addWidget(m_lblPruefung);
    m_lblAnmeldung = new QLabel(corner);
    m_lblAnmeldung->setObjectName(QStringLiteral("lblAnmeldung"));
    m_lblAnmeldung->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold"));
    m_lblAnmeldung->hide();
    cornerRow->addWidget(m_lblAnmeldung);
    m_menuBar->setCornerWidget(corner, Qt::TopRightCorner);

    buildTopRow();
    m_list = new FeedbackList(this);
    place(m_list, {120, 960, 13365, 4095});
    buildBottomRow();
    connectControls();
    setUpCommands();

    // A page read counts its rows on the progress bar.
    modData::setPageProgress(
        [this](qint32 rows) { m_progress->setValue(std::min<int>(rows, m_progress->maximum())); });

    resize(m_twips.toPx(kStartClientWidth), m_twips.toPx(kStartClientHeight));
}

frmAnzeige::~frmAnzeige() {
    modData::setPageProgress({});
}

void frmAnzeige::buildTopRow() {
    m_buttons[FeedbackView::Command1] =
        addButton("Command1", QStringLiteral("Positive"), {120, 480, 1455, 375});
    m_buttons[FeedbackView::Command2] =
        addButton("Command2", QStringLiteral("Neutrale"), {1560, 480, 1455, 375});
    m_buttons[FeedbackView::Command3] =
        addButton("Command3", QStringLiteral("Negativ"), {3000, 480, 1455, 375});
    m_buttons[FeedbackView::cmdalleanzeigen] =
        addButton("cmdalleanzeigen", QStringLiteral("Alle"), {4800, 480, 1455, 375});
    m_lbluser = addLabel("lbluser", {}, {6240, 540, 4140, 270});
    m_lbluser->setAlignment(Qt::AlignCenter);
    QFont arialBold(QStringLiteral("Arial"));
    arialBold.setBold(true);
    m_lbluser->setFont(arialBold);
    m_buttons[FeedbackView::ZorButton1] =
        addButton("ZorButton1", QStringLiteral("Jetzt Prüfen"), {9960, 480, 1455, 375});
    m_cmdback = addButton("cmdback", QStringLiteral("Standard User"), {10440, 480, 1455, 375});
    m_cmdback->hide();
    m_cmdClose = addButton("cmdClose", QStringLiteral("Schließen"), {12000, 480, 1455, 375});
}

void frmAnzeige::buildBottomRow() {
    QFont arialBold(QStringLiteral("Arial"));
    arialBold.setBold(true);
    m_buttons[FeedbackView::cmdprev] =
        addButton("cmdprev", QStringLiteral("<--"), {120, 5160, 735, 375});
    m_buttons[FeedbackView::cmdnext] =
        addButton("cmdnext", QStringLiteral("-->"), {960, 5160, 735, 375});
    m_lblProzente = addLabel("lblProzente", {}, {2160, 5220, 4815, 255});
    m_lblProzente->setFont(arialBold);

    m_frame1 = new QWidget(this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    place(m_frame1, {8880, 5160, 4575, 495});
    static const char* const images[3] = {":/images/positiv.png", ":/images/neutral.png",
                                          ":/images/negativ.png"};
    static const char* const names[3] = {"lblsummepos", "lblsummeneu", "lblsummeneg"};
    for (int i = 0; i < 3; ++i) {
        auto* image = new QLabel(m_frame1);
        image->setObjectName(QStringLiteral("Image1"));
        image->setPixmap(QPixmap(QString::fromLatin1(images[i])));
        place(image, {120 + i * 1500, 120, 270, 270});
        m_lblsumme[size_t(i)] =
            addLabel(names[i], QStringLiteral("0"), {450 + i * 1500, 120, 1000, 270}, m_frame1);
    }

    m_picture1 = new QWidget(this);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_progress = new QProgressBar(m_picture1);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setTextVisible(false);
    place(m_progress, {0, 0, 9255, 255});
    m_progress->hide();
    m_lblinfo = addLabel("lblinfo", QStringLiteral("keine Bewertungen vorhanden"),
                         {9360, 0, 4815, 255}, m_picture1);
}

void frmAnzeige::connectControls() {
    m_view = new FeedbackView(m_list, this);
    connect(m_view, &FeedbackView::changed, this, &frmAnzeige::showView);
    connect(m_list, &FeedbackList::zurAuktion, this, &frmAnzeige::zur_Auktion);
    auto* seen = new SeenMark(this, m_list);
    connect(m_view, &FeedbackView::changed, seen, &SeenMark::rowsShown);

    auto connectButton = [this](FeedbackView::Button b, void (FeedbackView::*slot)()) {
        connect(m_buttons[size_t(b)], &QPushButton::clicked, m_view, slot);
    };
    connectButton(FeedbackView::Command1, &FeedbackView::Command1_Click);
    connectButton(FeedbackView::Command2, &FeedbackView::Command2_Click);
    connectButton(FeedbackView::Command3, &FeedbackView::Command3_Click);
    connectButton(FeedbackView::cmdnext, &FeedbackView::cmdnext_Click);
    connectButton(FeedbackView::cmdprev, &FeedbackView::cmdprev_Click);
    connectButton(FeedbackView::cmdalleanzeigen, &FeedbackView::cmdalleanzeigen_Click);
    connect(m_buttons[FeedbackView::ZorButton1], &QPushButton::clicked, this,
            &frmAnzeige::ZorButton1_Click);
    connect(m_cmdback, &QPushButton::clicked, this, &frmAnzeige::cmdback_Click);
    connect(m_cmdClose, &QPushButton::clicked, this, &frmAnzeige::cmdClose_Click);
    setUpReply();
}

QPushButton* frmAnzeige::addButton(const char* name, const QString& caption, const QRect& twips) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    place(b, twips);
    return b;
}

QLabel* frmAnzeige::addLabel(const char* name, const QString& caption, const QRect& twips,
                             QWidget* parent) {
    auto* l = new QLabel(caption, parent ? parent : this);
    l->setObjectName(QString::fromLatin1(name));
    place(l, twips);
    return l;
}

void frmAnzeige::place(QWidget* w, const QRect& twips) {
    w->setGeometry(m_twips.toPx(twips));
}

void frmAnzeige::move(QWidget* w, int leftTwips, int topTwips) {
    w->move(m_twips.toPx(leftTwips), m_twips.toPx(topTwips));
}

QSize frmAnzeige::clientTwips() const {
    return QSize(m_twips.toTwips(width()), m_twips.toTwips(height()));
}

void frmAnzeige::showView() {
    for (int b = 0; b < FeedbackView::ButtonCount; ++b)
        m_buttons[size_t(b)]->setEnabled(m_view->isEnabled(FeedbackView::Button(b)));
    if (QAction* file = m_menu->action(QStringLiteral("keyFile")))
        file->setEnabled(m_view->menuEnabled());
    m_lblinfo->setText(m_view->lblinfo());
    m_progress->setMaximum(std::max(1, m_view->progressMaximum()));
    m_progress->setValue(std::min(m_view->progressValue(), m_progress->maximum()));
    m_progress->setVisible(m_view->progressVisible());
    m_lblsumme[0]->setText(m_view->lblsummepos());
    m_lblsumme[1]->setText(m_view->lblsummeneu());
    m_lblsumme[2]->setText(m_view->lblsummeneg());
    m_lblProzente->setText(m_view->lblProzente());
}

void frmAnzeige::Form_Load() {
    errors::Procedure p("[frmAnzeige] Private Sub Form_Load()");
    p.step([] {
        Form<frmSplash>::get().show();
        QCoreApplication::processEvents();
    });
    p.step([] { modData::InitDB(); });
    p.step([] {
        if (const QString warning = base::readableByOthersWarning(modGlobal::sDatenbankPfad);
            !warning.isEmpty())
            app::MsgBox(warning, app::vbOKOnly | app::vbExclamation);
    });
    p.step([this] { m_list->subInitListe(); });
    p.step([] { modGlobal::lAnzahlGesamt = modData::read_Anzahl(modGlobal::sStandardUser); });
    p.step([this] { modGlobal::pbuildmenus(*m_menu); });
    p.step([this] {
        if (modGlobal::lAnzahlGesamt > 0) {
            m_view->cmdalleanzeigen_Click();
            QCoreApplication::processEvents();
        } else {
            m_view->enableAll(false);
            m_view->setEnabled(FeedbackView::ZorButton1, true);
            m_view->setMenuEnabled(true);
        }
    });
    p.step([this] {
        m_lbluser->setText(QStringLiteral("Standard-User: ") + modGlobal::sStandardUser);
    });
    p.step([this] { makeconnection(); });
    p.step([] { Form<frmSplash>::unload(); });
    p.step([this] { showMaximized(); });
    p.step([this] { showSignInState(); });
    p.step([this] { offerFirstSignIn(); });
    p.step([this] { listenForCommands(); });
    p.step([this] { setUpIntervalChecks(); });
}

void frmAnzeige::ZorButton1_Click() {
    errors::Procedure p("[frmAnzeige] Private Sub ZorButton1_Click()");
    const OwnCommand running(m_ownCommands);
    // Held for the load and its storing; rating the buyers comes after.
    app::CheckLock lock(modGlobal::sDatenbankPfad);
    if (!takeCheckLock(lock))
        return;
    retrieval::FetchResult fetched;
    p.step([this] { m_view->setEnabled(FeedbackView::ZorButton1, false); });
    p.step([&] {
        const QString missing = modini::missingStandardUser();
        if (!missing.isEmpty()) {
            app::MsgBox(missing, app::vbOKOnly | app::vbCritical);
            m_view->setEnabled(FeedbackView::ZorButton1, true);
            p.exit();
        }
    });
    p.step([&] {
        if (!modIConnect::Ping()) {
            app::MsgBox(QStringLiteral("Es besteht keine Verbindung zum Internet!"),
                        app::vbOKOnly | app::vbCritical);
            m_view->setEnabled(FeedbackView::ZorButton1, true);
            p.exit();
        }
    });
    p.step([&] {
        frmLade& lade = Form<frmLade>::get();
        lade.checkneueBewertungen();
        fetched = lade.showModal();
        if (fetched.keineBewertungen)
            keineBewertungen = *fetched.keineBewertungen;
    });
    p.step([&] {
        using Kind = retrieval::SyncOutcome::Kind;
        // "keine neuen" only when there were none: not after a refusal, a
        // cancel or a connection error, which said so themselves.
        if (fetched.end == Kind::NothingNew || fetched.end == Kind::UnknownMember)
            app::MsgBox(QStringLiteral("Es sind keine neuen Bewertungen eingegangen"),
                        app::vbOKOnly | app::vbInformation);
        if (keineBewertungen) {
            // Nothing to store; placeholders the marketplace no longer counts
            // still go, as after a check on the command line.
            if (fetched.end == Kind::NothingNew &&
                retrieval::storeOwnRun(fetched, modGlobal::sStandardUser).placeholders != 0)
                m_view->cmdalleanzeigen_Click();
            return;
        }
        const retrieval::SyncOutcome outcome = m_view->Command7_Click(fetched);
        const QString message = retrieval::outcomeMessage(outcome);
        if (!message.isEmpty())
            app::MsgBox(message,
                        app::vbOKOnly |
                            (outcome.kind == Kind::Failed ? app::vbCritical : app::vbExclamation));
    });
    p.step([&] { lock.release(); });
    p.step([&] { rateAfterCheck(fetched); });
    p.step([this] { m_view->setEnabled(FeedbackView::ZorButton1, true); });
    p.step([this] { showSignInState(); });
    p.step([&] { offerSignInAgain(fetched); });
    if (p.leftOnError())
        m_view->restoreUsable();
}

void frmAnzeige::saveTemp(const std::vector<store::FetchedRating>& ratings) {
    m_view->saveTemp(ratings);
}

void frmAnzeige::cmdback_Click() {
    errors::Procedure p("[frmAnzeige] Private Sub cmdback_Click()");
    p.step([this] { m_cmdback->hide(); });
    p.step([this] { m_buttons[FeedbackView::ZorButton1]->show(); });
    p.step([this] {
        m_lbluser->setText(QStringLiteral("Standard-User: ") + modGlobal::sStandardUser);
    });
    p.step([] { modGlobal::bFremdModus = false; });
    p.step([this] { m_view->cmdalleanzeigen_Click(); });
}

void frmAnzeige::cmdClose_Click() {
    errors::Procedure p("[frmAnzeige] Private Sub cmdClose_Click()");
    p.step([this] { beenden(); });
}

void frmAnzeige::beenden() {
    errors::Procedure p("[frmAnzeige] Public Sub beenden()");
    p.step([] { Form<frmAnzeige>::unload(); });
}

void frmAnzeige::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmAnzeige::Form_Unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    errors::Procedure p("[frmAnzeige] Private Sub Form_Unload(Cancel As Integer)");
    p.step([this] {
        if (m_link->linkMode() == launcher::LauncherLink::Automatic)
            m_link->execute(QStringLiteral("NS-Close"));
    });
    p.step([this] { m_link->close(); });
    p.setHandling(errors::Handling::SkipSilently);
    p.step([] { unloadOtherForms<frmAnzeige>(); });
}

void frmAnzeige::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmAnzeige::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void frmAnzeige::Form_Resize() {
    errors::Procedure p("[frmAnzeige] Private Sub Form_Resize()");
    if (isMinimized())
        return;
    p.step([this] {
        if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
            return;
        // Held to the minimum outer size in the normal state.
        const QSize extra = frameGeometry().size() - size();
        const QSize outer(m_twips.toTwips(frameGeometry().width()),
                          m_twips.toTwips(frameGeometry().height()));
        const QSize wanted = minimumOuterSize(outer);
        if (wanted != outer)
            resize(m_twips.toPx(wanted.width()) - extra.width(),
                   m_twips.toPx(wanted.height()) - extra.height());
    });
    p.step([this] {
        const QSize client = clientTwips();
        const WindowLayout l = computeWindowLayout(client.width(), client.height());
        place(m_list, l.picContainer);
        m_list->setSurfaceWidth(l.surfaceWidth);
        move(m_cmdClose, l.cmdCloseLeft, 480);
        move(m_buttons[FeedbackView::ZorButton1], l.zorButton1Left, 480);
        move(m_cmdback, l.cmdbackLeft, 480);
        move(m_frame1, l.frame1Left, l.frame1Top);
        move(m_buttons[FeedbackView::cmdnext], 960, l.cmdnextTop);
        move(m_buttons[FeedbackView::cmdprev], 120, l.cmdprevTop);
        move(m_lblProzente, 2160, l.lblProzenteTop);
        const int strip = m_twips.toPx(255);
        m_picture1->setGeometry(0, height() - strip, width(), strip);
        m_menuBar->setGeometry(0, 0, width(), m_twips.toPx(375));
    });
}

} // namespace ui
