#pragma once

#include "keyCheck.h"
#include "retrieval/signIn.h"
#include "setup.h"
#include "signInSetup.h"

#include <memory>
#include <optional>
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QWidget;

namespace setup {

// The set-up window for a start from the desktop menu. Its first choice is
// signing in with eBay: the consent page in the browser, its address here to
// copy, and a field for the address the browser lands on. Under "Erweitert"
// the member and the keys can be given by hand instead. The keys are checked
// at the marketplace before the folder is written; then the window closes.
class SetupWindow : public QDialog {
    Q_OBJECT
public:
    // `given`: the values from the options; a folder already set up fills
    // the fields the options left empty from its configuration.
    // anmeldeUrl: the consent page's host; empty: the one that goes with
    // the interface.
    SetupWindow(const Values& given, const QString& installed, const QString& anmeldeUrl = {},
                QWidget* parent = nullptr);
    ~SetupWindow() override;

    // Status::Cancelled until a set-up succeeded.
    const Outcome& outcome() const { return m_outcome; }
    QPushButton* setUpButton() const { return m_setUp; }
    QPushButton* signInButton() const { return m_signIn; }

    void reject() override;

signals:
    // After every attempt, with its setup::Status.
    void attemptEnded(int status);

private:
    QWidget* buildAdvanced(const Values& shown, const Values& given);
    QWidget* buildSignIn();
    void startSetUp();
    void checked(const Values& values, const Outcome& check);
    void startSignIn();
    void continueSignIn();
    void exchanged(const retrieval::SignInResult& result);
    void askToReplace(const QString& question);
    void checkSignedIn();
    void succeeded(const Outcome& written);
    void showProblem(const Outcome& outcome);
    void growToFit();
    void setBusy(bool busy, const QString& doing = {});
    Values fromFields() const;
    Values signInValues() const;

    QString m_installed;
    QString m_anmeldeUrl;
    app::ApplicationKeys m_installedKeys;
    QString m_anwendung; // the keys' file named on the command line
    QLineEdit* m_member;
    QLineEdit* m_clientId;
    QLineEdit* m_clientSecret;
    QLineEdit* m_ruName;
    QLineEdit* m_refreshToken;
    QLineEdit* m_apiUrl;
    QLineEdit* m_plattform;
    QLineEdit* m_folder;
    QCheckBox* m_replace;
    QComboBox* m_zeitplan;
    QToolButton* m_advancedToggle;
    QWidget* m_advanced;
    QPushButton* m_signIn;
    QWidget* m_signInBox;
    QLineEdit* m_consent;
    QPushButton* m_copy;
    QLineEdit* m_paste;
    QPushButton* m_next;
    QLabel* m_status;
    QPushButton* m_setUp;
    std::unique_ptr<KeyCheck> m_check;
    std::unique_ptr<SignInSteps> m_steps;
    std::unique_ptr<retrieval::SignInExchange> m_exchange;
    std::optional<retrieval::SignedIn> m_signedIn;
    Outcome m_outcome{Status::Cancelled, {}};
};

} // namespace setup
