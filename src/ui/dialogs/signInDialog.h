#pragma once

#include "app/settings.h"
#include "app/signInStore.h"

#include <functional>
#include <memory>
#include <optional>
#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace retrieval {
class SignInExchange;
struct SignedIn;
} // namespace retrieval

namespace ui {

class BusyCursor;

// What a sign-in left in the configuration.
struct SignInSaved {
    QString member;
    QString until; // dd.MM.yyyy, local time
    app::SecretHome home = app::SecretHome::None;
    QString configFile;
};

// What the user is told after a sign-in that worked: who, until when, and
// where the token is when no keyring took it.
QString signInMessage(const SignInSaved& saved);

// The application keys a sign-in needs that the settings lack, by name.
QStringList missingSignInKeys(const app::MarktplatzSettings& settings);

// "Bei eBay anmelden": the consent page opens in the browser; the user pastes
// the address of the page it lands on, or the code, and the code is exchanged
// at once. Only a sign-in that worked, and that the user let replace another
// member, is written into the configuration.
class SignInDialog : public QDialog {
    Q_OBJECT
public:
    using OpenLink = std::function<void(const QString&)>;

    // settings: with the application's secrets; openLink opens an address in
    // the browser.
    SignInDialog(const app::Settings& settings, OpenLink openLink, QWidget* parent = nullptr);
    ~SignInDialog() override;

    // Opens the consent page, then runs modally. What was written, if anything.
    std::optional<SignInSaved> run();

    QLineEdit* txtAdresse() const { return m_address; }
    QLineEdit* txtEinfuegen() const { return m_paste; }
    QLabel* lblMeldung() const { return m_message; }
    QPushButton* cmdKopieren() const { return m_copy; }
    QPushButton* cmdAnmelden() const { return m_signIn; }
    QPushButton* cmdAbbrechen() const { return m_cancel; }
    bool isBusy() const { return m_exchange != nullptr; }

    void cmdAnmelden_Click();

public slots:
    void reject() override;

private:
    void build();
    void setBusy(bool busy);
    void failed(const QString& text);
    void signedIn(const retrieval::SignedIn& signedIn);
    bool mayReplaceMember(const QString& member) const;

    app::Settings m_settings;
    OpenLink m_openLink;
    QString m_state;
    QString m_url;
    std::optional<SignInSaved> m_saved;
    retrieval::SignInExchange* m_exchange = nullptr; // while a code is exchanged
    std::unique_ptr<BusyCursor> m_busyCursor;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_paste = nullptr;
    QLabel* m_message = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_signIn = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace ui
