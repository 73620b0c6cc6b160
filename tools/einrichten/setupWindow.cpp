#include "setupWindow.h"

#include "app/profileFile.h"
#include "scheduleSetup.h"

#include <algorithm>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace setup {
namespace {

QLineEdit* field(const QString& name, const QString& text, QWidget* parent, bool secret = false) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setMaxLength(1000);
    if (secret)
        edit->setEchoMode(QLineEdit::Password);
    return edit;
}

// An empty key field says where the key comes from instead.
void fromTheKeysFile(QLineEdit* edit, const QString& installedValue) {
    if (!installedValue.isEmpty())
        edit->setPlaceholderText(QStringLiteral("aus %1").arg(app::applicationKeysPath()));
}

} // namespace

SetupWindow::SetupWindow(const Values& given, const QString& installed, const QString& anmeldeUrl,
                         QWidget* parent)
    : QDialog(parent), m_installed(installed), m_anmeldeUrl(anmeldeUrl),
      m_installedKeys(given.installed), m_anwendung(given.anwendung) {
    const Values v = normalised(withStored(given));
    setWindowTitle(QStringLiteral("Notenschau einrichten"));
    setWindowIcon(QIcon(installed + QStringLiteral("/images/notenschau.png")));

    auto* intro = new QLabel(
        QStringLiteral("Melden Sie sich mit Ihrem eBay-Konto an: Notenschau öffnet dazu die "
                       "Seite von eBay im Browser, auf der Sie dem Zugriff zustimmen. Ihre "
                       "Anmeldung wird vor dem Speichern beim Marktplatz geprüft und nur für Sie "
                       "lesbar gespeichert."),
        this);
    intro->setWordWrap(true);
    QWidget* signIn = buildSignIn();

    m_apiUrl = field(QStringLiteral("apiUrl"), v.apiUrl, this);
    m_plattform = field(QStringLiteral("plattform"), v.plattform, this);
    m_folder = field(QStringLiteral("ordner"), v.folder, this);
    m_replace = new QCheckBox(
        QStringLiteral("Vorhandene Einstellungen ersetzen (die Datenbank bleibt erhalten)"), this);
    m_replace->setObjectName(QStringLiteral("ueberschreiben"));
    m_replace->setChecked(given.overwrite);
    m_zeitplan = new QComboBox(this);
    m_zeitplan->setObjectName(QStringLiteral("zeitplan"));
    m_zeitplan->addItem(QStringLiteral("nur, wenn ich es sage"), -1);
    m_zeitplan->addItem(QStringLiteral("stündlich"), int(app::Zeitplan::Stuendlich));
    m_zeitplan->addItem(QStringLiteral("täglich"), int(app::Zeitplan::Taeglich));
    if (given.zeitplan)
        m_zeitplan->setCurrentIndex(std::max(0, m_zeitplan->findData(int(*given.zeitplan))));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Adresse des Marktplatzes:"), m_apiUrl);
    form->addRow(QStringLiteral("&Länderdomain:"), m_plattform);
    form->addRow(QStringLiteral("&Ordner:"), m_folder);
    form->addRow(QString(), m_replace);
    form->addRow(QStringLiteral("Neue Bewertungen &prüfen:"), m_zeitplan);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("meldung"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::rejected, this, &SetupWindow::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(signIn);
    layout->addLayout(form);
    layout->addWidget(buildAdvanced(v, given));
    layout->addWidget(m_status);
    layout->addWidget(buttons);
    setMinimumWidth(560);

    // Replacing is a choice only where there is something to replace.
    auto offerReplacing = [this] { m_replace->setVisible(isSetUp(fromFields().folder)); };
    connect(m_folder, &QLineEdit::textChanged, this, offerReplacing);
    offerReplacing();
    if (isSetUp(v.folder))
        m_status->setText(QStringLiteral("Notenschau ist in diesem Ordner schon eingerichtet; "
                                         "die gespeicherten Angaben sind eingetragen."));
}

SetupWindow::~SetupWindow() = default;

// The member and the keys by hand, shown on demand: open from the start
// when the options gave any of them.
QWidget* SetupWindow::buildAdvanced(const Values& v, const Values& given) {
    m_advancedToggle = new QToolButton(this);
    m_advancedToggle->setObjectName(QStringLiteral("erweitert"));
    m_advancedToggle->setText(QStringLiteral("&Erweitert"));
    m_advancedToggle->setCheckable(true);
    m_advancedToggle->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_advancedToggle->setAutoRaise(true);

    m_advanced = new QWidget(this);
    m_advanced->setObjectName(QStringLiteral("erweiterteAngaben"));
    auto* note = new QLabel(QStringLiteral("Ohne Anmeldung: Ihr Mitgliedsname und die "
                                           "Zugangsdaten Ihrer Anwendung für die Schnittstelle "
                                           "des Marktplatzes, dann „Einrichten“. Die Schlüssel "
                                           "der Anwendung gelten auch für die Anmeldung."),
                            m_advanced);
    note->setWordWrap(true);
    m_member = field(QStringLiteral("mitglied"), v.member, m_advanced);
    m_clientId = field(QStringLiteral("clientId"), v.clientId, m_advanced);
    m_clientSecret = field(QStringLiteral("clientSecret"), v.clientSecret, m_advanced, true);
    m_ruName = field(QStringLiteral("ruName"), v.ruName, m_advanced);
    m_refreshToken = field(QStringLiteral("refreshToken"), v.refreshToken, m_advanced, true);
    fromTheKeysFile(m_clientId, m_installedKeys.clientId);
    fromTheKeysFile(m_clientSecret, m_installedKeys.clientSecret);
    fromTheKeysFile(m_ruName, m_installedKeys.ruName);
    m_setUp = new QPushButton(QStringLiteral("Ei&nrichten"), m_advanced);
    m_setUp->setObjectName(QStringLiteral("einrichten"));
    connect(m_setUp, &QPushButton::clicked, this, &SetupWindow::startSetUp);

    auto* form = new QFormLayout(m_advanced);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(note);
    form->addRow(QStringLiteral("&Mitgliedsname:"), m_member);
    form->addRow(QStringLiteral("Client&Id:"), m_clientId);
    form->addRow(QStringLiteral("Client&Secret:"), m_clientSecret);
    form->addRow(QStringLiteral("R&uName (für die Anmeldung):"), m_ruName);
    form->addRow(QStringLiteral("&RefreshToken (wahlweise):"), m_refreshToken);
    form->addRow(QString(), m_setUp);

    auto showAdvanced = [this](bool shown) {
        m_advanced->setVisible(shown);
        m_advancedToggle->setArrowType(shown ? Qt::DownArrow : Qt::RightArrow);
        growToFit();
    };
    connect(m_advancedToggle, &QToolButton::toggled, this, showAdvanced);
    const bool byHand = !given.member.isEmpty() || !given.clientId.isEmpty() ||
                        !given.clientSecret.isEmpty() || !given.refreshToken.isEmpty();
    m_advancedToggle->setChecked(byHand);
    showAdvanced(byHand);

    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_advancedToggle, 0, Qt::AlignLeft);
    layout->addWidget(m_advanced);
    return box;
}

// What "Einrichten" writes, as it always did: the fields alone.
// Rows shown later get the room they need instead of being squeezed.
void SetupWindow::growToFit() {
    layout()->activate();
    resize(width(), qMax(height(), sizeHint().height()));
}

Values SetupWindow::fromFields() const {
    Values v;
    v.member = m_member->text();
    v.clientId = m_clientId->text();
    v.clientSecret = m_clientSecret->text();
    v.refreshToken = m_refreshToken->text();
    v.ruName = m_ruName->text();
    // Keys the computer's file holds need no field of their own.
    v.installed = m_installedKeys;
    v.anwendung = m_anwendung;
    v.apiUrl = m_apiUrl->text();
    v.plattform = m_plattform->text();
    v.folder = m_folder->text();
    v.overwrite = m_replace->isChecked();
    return normalised(v);
}

void SetupWindow::setBusy(bool busy, const QString& doing) {
    for (QWidget* w : std::initializer_list<QWidget*>{
             m_member, m_clientId, m_clientSecret, m_ruName, m_refreshToken, m_apiUrl, m_plattform,
             m_folder, m_replace, m_zeitplan, m_setUp, m_signIn, m_paste, m_next})
        w->setEnabled(!busy);
    if (busy)
        m_status->setText(doing.isEmpty()
                              ? QStringLiteral("Die Zugangsdaten werden beim Marktplatz geprüft …")
                              : doing);
}

void SetupWindow::showProblem(const Outcome& outcome) {
    setBusy(false);
    m_status->setText(QStringLiteral("<span style=\"color:#b00000\">%1</span>")
                          .arg(outcome.message.toHtmlEscaped()));
    emit attemptEnded(int(outcome.status));
}

void SetupWindow::startSetUp() {
    const Values v = fromFields();
    if (const Outcome local = checkLocally(v, m_installed); !local.ok())
        return showProblem(local);
    setBusy(true);
    m_check = std::make_unique<KeyCheck>();
    m_check->start(v, [this, v](const Outcome& check) { checked(v, check); });
}

void SetupWindow::checked(const Values& v, const Outcome& check) {
    if (!check.ok())
        return showProblem(check);
    const Outcome written = write(v, m_installed, check.ratings);
    if (!written.ok())
        return showProblem(written);
    succeeded(written);
}

void SetupWindow::succeeded(const Outcome& written) {
    m_outcome = written;
    // The folder is set up whatever the schedule's answer; that answer, a
    // crontab line say, is shown with the rest.
    if (const int plan = m_zeitplan->currentData().toInt(); plan >= 0)
        m_outcome.message +=
            '\n' + scheduleFolder(app::Zeitplan(plan), normalised(fromFields()).folder).message;
    m_status->setText(
        m_outcome.message.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")));
    emit attemptEnded(int(written.status));
    accept();
}

void SetupWindow::reject() {
    // A check or an exchange still asking ends unheard.
    m_check.reset();
    m_exchange.reset();
    QDialog::reject();
}

} // namespace setup
