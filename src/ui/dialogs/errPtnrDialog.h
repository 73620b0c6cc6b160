#pragma once

#include "errors/errPtnr.h"

#include <deque>
#include <memory>
#include <QDialog>

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace ui {

// The error dialog: shows one error with the program information and the
// trace, offers the protocol buttons, and returns the user's choice of how
// the failing procedure goes on.
class ErrPtnrDialog : public QDialog, public errors::ErrorChooser {
    Q_OBJECT
public:
    explicit ErrPtnrDialog(QWidget* parent = nullptr);

    int choose(const errors::ErrorReport& report) override;

    // Controls, by their names, for those who drive the dialog.
    QPushButton* cmdContinue(int index) const { return m_cmdContinue[index]; }
    QPushButton* cmdProtocol(int index) const { return m_cmdProtocol[index]; }
    QLabel* lblError(int index) const { return m_lblError[index]; }
    QLabel* lblProgInfo() const { return m_lblProgInfo; }
    QListWidget* lstCallStack() const { return m_lstCallStack; }

    void cmdContinue_Click(int index);
    void cmdProtocol_Click(int index);

    static QString supportHint();

signals:
    // An error has got its answer.
    void answered();

protected:
    void reject() override;

private:
    struct Pending {
        errors::ErrorReport report;
        int action = -1; // the user's choice, once made
    };

    QGroupBox* frame(const QString& name, const QString& caption);
    void present(const errors::ErrorReport& report);
    void answer(int action);

    QLabel* m_lblComment = nullptr;
    QLabel* m_lblErrTitel[4] = {};
    QLabel* m_lblError[4] = {};
    QLabel* m_lblProgInfo = nullptr;
    QListWidget* m_lstCallStack = nullptr;
    QPushButton* m_cmdProtocol[2] = {};
    QPushButton* m_cmdContinue[4] = {};
    // The errors waiting for an answer, in the order they came; the first is
    // on display.
    std::deque<std::shared_ptr<Pending>> m_pending;
};

} // namespace ui
