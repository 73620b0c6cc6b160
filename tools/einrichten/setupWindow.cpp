#include "setupWindow.h"

#include "app/profileFile.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

} // namespace

SetupWindow::SetupWindow(const Values& given, const QString& installed, QWidget* parent)
    : QDialog(parent), m_installed(installed) {
    const Values v = normalised(withStored(given));
    setWindowTitle(QStringLiteral("Notenschau einrichten"));
    setWindowIcon(QIcon(installed + QStringLiteral("/images/notenschau.png")));

    auto* intro = new QLabel(
        QStringLiteral("Notenschau braucht Ihren Mitgliedsnamen und die Zugangsdaten Ihrer "
                       "Anwendung für die Schnittstelle des Marktplatzes. Sie werden vor dem "
                       "Speichern beim Marktplatz geprüft; gespeichert werden sie nur für Sie "
                       "lesbar."),
        this);
    intro->setWordWrap(true);

    m_member = field(QStringLiteral("mitglied"), v.member, this);
    m_clientId = field(QStringLiteral("clientId"), v.clientId, this);
    m_clientSecret = field(QStringLiteral("clientSecret"), v.clientSecret, this, true);
    m_refreshToken = field(QStringLiteral("refreshToken"), v.refreshToken, this, true);
    m_apiUrl = field(QStringLiteral("apiUrl"), v.apiUrl, this);
    m_plattform = field(QStringLiteral("plattform"), v.plattform, this);
    m_folder = field(QStringLiteral("ordner"), v.folder, this);
    m_replace = new QCheckBox(
        QStringLiteral("Vorhandene Einstellungen ersetzen (die Datenbank bleibt erhalten)"), this);
    m_replace->setObjectName(QStringLiteral("ueberschreiben"));
    m_replace->setChecked(given.overwrite);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Mitgliedsname:"), m_member);
    form->addRow(QStringLiteral("Client&Id:"), m_clientId);
    form->addRow(QStringLiteral("Client&Secret:"), m_clientSecret);
    form->addRow(QStringLiteral("&RefreshToken (wahlweise):"), m_refreshToken);
    form->addRow(QStringLiteral("&Adresse des Marktplatzes:"), m_apiUrl);
    form->addRow(QStringLiteral("&Länderdomain:"), m_plattform);
    form->addRow(QStringLiteral("&Ordner:"), m_folder);
    form->addRow(QString(), m_replace);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("meldung"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(this);
    m_setUp = buttons->addButton(QStringLiteral("&Einrichten"), QDialogButtonBox::AcceptRole);
    m_setUp->setDefault(true);
    buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &SetupWindow::startSetUp);
    connect(buttons, &QDialogButtonBox::rejected, this, &SetupWindow::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
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

Values SetupWindow::fromFields() const {
    Values v;
    v.member = m_member->text();
    v.clientId = m_clientId->text();
    v.clientSecret = m_clientSecret->text();
    v.refreshToken = m_refreshToken->text();
    v.apiUrl = m_apiUrl->text();
    v.plattform = m_plattform->text();
    v.folder = m_folder->text();
    v.overwrite = m_replace->isChecked();
    return normalised(v);
}

void SetupWindow::setBusy(bool busy) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_member, m_clientId, m_clientSecret, m_refreshToken,
                                         m_apiUrl, m_plattform, m_folder, m_replace, m_setUp})
        w->setEnabled(!busy);
    if (busy)
        m_status->setText(QStringLiteral("Die Zugangsdaten werden beim Marktplatz geprüft …"));
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
    m_outcome = written;
    m_status->setText(
        written.message.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")));
    emit attemptEnded(int(written.status));
    accept();
}

void SetupWindow::reject() {
    // A check still asking ends unheard.
    m_check.reset();
    QDialog::reject();
}

} // namespace setup
