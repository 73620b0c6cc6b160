#pragma once

#include "keyCheck.h"
#include "setup.h"

#include <memory>
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace setup {

// The set-up window for a start from the desktop menu: asks for what the
// options did not give, checks the keys, writes the folder and closes.
class SetupWindow : public QDialog {
    Q_OBJECT
public:
    // `given`: the values from the options; a folder already set up fills
    // the fields the options left empty from its configuration.
    SetupWindow(const Values& given, const QString& installed, QWidget* parent = nullptr);
    ~SetupWindow() override;

    // Status::Cancelled until a set-up succeeded.
    const Outcome& outcome() const { return m_outcome; }
    QPushButton* setUpButton() const { return m_setUp; }

    void reject() override;

signals:
    // After every attempt, with its setup::Status.
    void attemptEnded(int status);

private:
    void startSetUp();
    void checked(const Values& values, const Outcome& check);
    void showProblem(const Outcome& outcome);
    void setBusy(bool busy);
    Values fromFields() const;

    QString m_installed;
    QLineEdit* m_member;
    QLineEdit* m_clientId;
    QLineEdit* m_clientSecret;
    QLineEdit* m_refreshToken;
    QLineEdit* m_apiUrl;
    QLineEdit* m_plattform;
    QLineEdit* m_folder;
    QCheckBox* m_replace;
    QLabel* m_status;
    QPushButton* m_setUp;
    std::unique_ptr<KeyCheck> m_check;
    Outcome m_outcome{Status::Cancelled, {}};
};

} // namespace setup
