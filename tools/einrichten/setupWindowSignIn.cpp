// The set-up window's sign-in with eBay: the same steps as on the terminal,
// each answer of the marketplace awaited in the event loop.
#include "app/desktopOpen.h"
#include "setupWindow.h"

#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace setup {

QWidget* SetupWindow::buildSignIn() {
    m_signIn = new QPushButton(QStringLiteral("Mit e&Bay anmelden"), this);
    m_signIn->setObjectName(QStringLiteral("anmelden"));
    m_signIn->setDefault(true);
    connect(m_signIn, &QPushButton::clicked, this, &SetupWindow::startSignIn);

    m_signInBox = new QWidget(this);
    m_consent = new QLineEdit(m_signInBox);
    m_consent->setObjectName(QStringLiteral("zustimmungsseite"));
    m_consent->setReadOnly(true);
    m_copy = new QPushButton(QStringLiteral("&Kopieren"), m_signInBox);
    m_copy->setObjectName(QStringLiteral("kopieren"));
    connect(m_copy, &QPushButton::clicked, this, [this] {
        QGuiApplication::clipboard()->setText(m_consent->text());
        m_consent->selectAll();
    });
    m_paste = new QLineEdit(m_signInBox);
    m_paste->setObjectName(QStringLiteral("eingefuegt"));
    m_paste->setMaxLength(4096);
    m_next = new QPushButton(QStringLiteral("&Weiter"), m_signInBox);
    m_next->setObjectName(QStringLiteral("weiter"));
    connect(m_next, &QPushButton::clicked, this, &SetupWindow::continueSignIn);

    auto* grid = new QGridLayout(m_signInBox);
    grid->setContentsMargins(0, 0, 0, 0);
    auto* consentLabel = new QLabel(QStringLiteral("Seite von eBay (falls sie sich nicht selbst "
                                                   "geöffnet hat, in den Browser kopieren):"),
                                    m_signInBox);
    consentLabel->setWordWrap(true);
    auto* pasteLabel =
        new QLabel(QStringLiteral("&Danach: die Adresse der Seite, auf der Sie gelandet sind, "
                                  "oder den Code:"),
                   m_signInBox);
    pasteLabel->setWordWrap(true);
    pasteLabel->setBuddy(m_paste);
    grid->addWidget(consentLabel, 0, 0, 1, 2);
    grid->addWidget(m_consent, 1, 0);
    grid->addWidget(m_copy, 1, 1);
    grid->addWidget(pasteLabel, 2, 0, 1, 2);
    grid->addWidget(m_paste, 3, 0);
    grid->addWidget(m_next, 3, 1);
    m_signInBox->hide();

    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_signIn, 0, Qt::AlignLeft);
    layout->addWidget(m_signInBox);
    return box;
}

// The keys may come from the computer's file or from the advanced fields.
Values SetupWindow::signInValues() const {
    Values v = fromFields();
    v.ruName = m_ruName->text().trimmed();
    v.installed = m_installedKeys;
    return v;
}

void SetupWindow::startSignIn() {
    m_exchange.reset();
    m_check.reset();
    m_steps = std::make_unique<SignInSteps>(signInValues(), m_anmeldeUrl);
    if (const std::optional<Outcome> noKeys = m_steps->start()) {
        m_steps.reset();
        m_signInBox->hide();
        // The keys missing are entered there.
        m_advancedToggle->setChecked(true);
        return showProblem(*noKeys);
    }
    const QString address = m_steps->consentUrl().toString(QUrl::FullyEncoded);
    m_consent->setText(address);
    m_consent->setCursorPosition(0);
    // A paste from an earlier sign-in carries that one's state.
    m_paste->clear();
    m_signInBox->show();
    growToFit();
    m_next->setDefault(true);
    m_paste->setFocus();
    const bool opened = app::openOnDesktop(address) == app::OpenResult::Opened;
    m_status->setText(opened ? QStringLiteral("Die Seite von eBay ist im Browser geöffnet. Melden "
                                              "Sie sich dort an und stimmen Sie zu.")
                             : QStringLiteral("Der Browser ließ sich nicht öffnen: Bitte kopieren "
                                              "Sie die Adresse in Ihren Browser."));
}

void SetupWindow::continueSignIn() {
    if (!m_steps)
        return;
    const auto code = m_steps->code(m_paste->text());
    if (const auto* failed = std::get_if<Outcome>(&code))
        return showProblem(*failed);
    setBusy(true, QStringLiteral("Die Anmeldung wird bei eBay abgeschlossen …"));
    m_exchange = std::make_unique<retrieval::SignInExchange>(m_steps->settings());
    m_exchange->start(std::get<QString>(code),
                      [this](const retrieval::SignInResult& result) { exchanged(result); });
}

void SetupWindow::exchanged(const retrieval::SignInResult& result) {
    if (const auto* error = std::get_if<retrieval::SignInError>(&result))
        return showProblem(signInFailed(*error));
    m_signedIn = std::get<retrieval::SignedIn>(result);
    if (const QString question = m_steps->replaceQuestion(m_signedIn->member); !question.isEmpty())
        return askToReplace(question);
    checkSignedIn();
}

void SetupWindow::askToReplace(const QString& question) {
    auto* box = new QMessageBox(QMessageBox::Question, windowTitle(),
                                question + QStringLiteral("\n\nFortfahren?"),
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setObjectName(QStringLiteral("mitgliedWechseln"));
    box->button(QMessageBox::Yes)->setText(QStringLiteral("&Ja"));
    box->button(QMessageBox::No)->setText(QStringLiteral("&Nein"));
    box->setDefaultButton(QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, box](int) {
        if (box->clickedButton() == box->button(QMessageBox::Yes))
            checkSignedIn();
        else
            showProblem(signInCancelled());
    });
    box->open();
}

void SetupWindow::checkSignedIn() {
    const auto values = m_steps->signedInValues(*m_signedIn, m_installed);
    if (const auto* local = std::get_if<Outcome>(&values))
        return showProblem(*local);
    const Values v = std::get<Values>(values);
    setBusy(true);
    m_check = std::make_unique<KeyCheck>();
    m_check->start(v, [this, v](const Outcome& check) {
        if (!check.ok())
            return showProblem(check);
        const Outcome written = m_steps->write(v, check, *m_signedIn, m_installed);
        if (!written.ok())
            return showProblem(written);
        succeeded(written);
    });
}

} // namespace setup
