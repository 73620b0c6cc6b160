#include "ui/dialogs/signInDialog.h"

#include "app/msgBox.h"
#include "retrieval/signIn.h"
#include "ui/controls/dialogParts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

QString signInMessage(const SignInSaved& saved) {
    QString text = QStringLiteral("Angemeldet als %1; die Anmeldung gilt bis %2.")
                       .arg(saved.member, saved.until);
    if (saved.home == app::SecretHome::File)
        text += QStringLiteral(" Kein Schlüsselbund gefunden: Das RefreshToken steht in %1, nur "
                               "für Sie lesbar.")
                    .arg(saved.configFile);
    return text;
}

QStringList missingSignInKeys(const app::MarktplatzSettings& settings) {
    QStringList missing;
    for (const auto& [name, value] : {std::pair{"ClientId", &settings.clientId},
                                      {"ClientSecret", &settings.clientSecret},
                                      {"RuName", &settings.ruName}})
        if (value->trimmed().isEmpty())
            missing << QLatin1String(name);
    return missing;
}

SignInDialog::SignInDialog(const app::Settings& settings, OpenLink openLink, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_openLink(std::move(openLink)),
      m_state(retrieval::newSignInState()),
      m_url(retrieval::consentUrl(settings.marktplatz, m_state).toString(QUrl::FullyEncoded)) {
    setObjectName(QStringLiteral("frmAnmelden"));
    setWindowTitle(QStringLiteral("Bei eBay anmelden"));
    setModal(true);
    build();
}

SignInDialog::~SignInDialog() = default;

void SignInDialog::build() {
    auto* layout = new QVBoxLayout(this);
    auto* steps = new QLabel(
        QStringLiteral("1. Melden Sie sich im Browser bei eBay an und stimmen Sie zu. Die Seite "
                       "ist schon geöffnet; in einem anderen Browser öffnen Sie diese Adresse:"),
        this);
    steps->setWordWrap(true);
    layout->addWidget(steps);
    m_address = new QLineEdit(m_url, this);
    m_address->setObjectName(QStringLiteral("txtAdresse"));
    m_address->setReadOnly(true);
    m_copy = button(this, "cmdKopieren", QStringLiteral("Kopieren"));
    auto* addressRow = new QHBoxLayout;
    addressRow->addWidget(m_address, 1);
    addressRow->addWidget(m_copy);
    layout->addLayout(addressRow);
    auto* paste = new QLabel(QStringLiteral("2. Kopieren Sie die Adresse der Seite, auf der Sie "
                                            "danach gelandet sind, oder nur den Code.\n"
                                            "3. Fügen Sie sie hier ein und klicken Sie auf "
                                            "„Anmelden“."),
                             this);
    paste->setWordWrap(true);
    layout->addWidget(paste);
    m_paste = new QLineEdit(this);
    m_paste->setObjectName(QStringLiteral("txtEinfuegen"));
    layout->addWidget(m_paste);
    // The next thing the user does is paste the landing address.
    m_paste->setFocus();
    m_message = namedLabel(this, "lblMeldung");
    m_message->setWordWrap(true);
    m_message->setStyleSheet(QStringLiteral("color: #a00000"));
    layout->addWidget(m_message);
    m_signIn = button(this, "cmdAnmelden", QStringLiteral("Anmelden"));
    m_signIn->setDefault(true);
    m_cancel = button(this, "cmdAbbrechen", QStringLiteral("Abbrechen"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_signIn);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    setMinimumWidth(560);

    connect(m_copy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_url); });
    connect(m_signIn, &QPushButton::clicked, this, &SignInDialog::cmdAnmelden_Click);
    connect(m_paste, &QLineEdit::returnPressed, this, &SignInDialog::cmdAnmelden_Click);
    connect(m_cancel, &QPushButton::clicked, this, &SignInDialog::reject);
}

std::optional<SignInSaved> SignInDialog::run() {
    if (m_openLink)
        m_openLink(m_url);
    exec();
    return m_saved;
}

void SignInDialog::reject() {
    // The code is on its way and works once: its answer is awaited.
    if (!isBusy())
        QDialog::reject();
}

void SignInDialog::setBusy(bool busy) {
    m_busyCursor.reset(busy ? new BusyCursor : nullptr);
    m_signIn->setEnabled(!busy);
    m_cancel->setEnabled(!busy);
    m_paste->setReadOnly(busy);
}

void SignInDialog::failed(const QString& text) {
    m_message->setText(text);
}

void SignInDialog::cmdAnmelden_Click() {
    if (isBusy())
        return;
    m_message->clear();
    const auto code = retrieval::codeFromPaste(m_paste->text(), m_state);
    if (const auto* error = std::get_if<retrieval::SignInError>(&code))
        return failed(error->text);
    m_exchange = new retrieval::SignInExchange(m_settings.marktplatz, this);
    setBusy(true);
    m_exchange->start(std::get<QString>(code), [this](const retrieval::SignInResult& result) {
        m_exchange->deleteLater();
        m_exchange = nullptr;
        setBusy(false);
        if (const auto* error = std::get_if<retrieval::SignInError>(&result))
            return failed(error->text);
        signedIn(std::get<retrieval::SignedIn>(result));
    });
}

// Another member's ratings are kept in the database: going on is the user's
// choice, and never without being asked.
bool SignInDialog::mayReplaceMember(const QString& member) const {
    const QString stored = m_settings.username.trimmed();
    if (stored.isEmpty() || stored.compare(member, Qt::CaseInsensitive) == 0)
        return true;
    return app::MsgBox(QStringLiteral("Angemeldet ist %1, in %2 sind aber die Bewertungen von %3 "
                                      "gespeichert. Mit der Anmeldung wird %1 das Mitglied dieses "
                                      "Ordners; die Bewertungen von %3 bleiben gespeichert, "
                                      "werden aber nicht mehr angezeigt. Fortfahren?")
                           .arg(member, m_settings.database, stored),
                       app::vbYesNo | app::vbQuestion | app::vbDefaultButton2,
                       QStringLiteral("Bei eBay anmelden")) == app::vbYes;
}

void SignInDialog::signedIn(const retrieval::SignedIn& signedIn) {
    if (!mayReplaceMember(signedIn.member))
        return QDialog::reject();
    // The day as the user counts it: the notice compares it with today's.
    const QDate until = signedIn.refreshExpires.toLocalTime().date();
    const auto home =
        app::saveSignIn(m_settings.file, {signedIn.member, signedIn.refreshToken,
                                          until.toString(QStringLiteral("yyyy-MM-dd"))});
    if (!home)
        return failed(
            QStringLiteral("Die Anmeldung konnte nicht gespeichert werden: %1").arg(home.error()));
    m_saved = SignInSaved{signedIn.member, until.toString(QStringLiteral("dd.MM.yyyy")), *home,
                          m_settings.file};
    accept();
}

} // namespace ui
