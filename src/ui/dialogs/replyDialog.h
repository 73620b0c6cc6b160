#pragma once

#include "app/settings.h"
#include "retrieval/replyRun.h"
#include "store/replyStoring.h"

#include <functional>
#include <memory>
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace ui {

// "Antworten…": one of the member's received ratings, a text field that
// counts down from 500 characters, "Senden" and "Abbrechen". The member
// writes each reply; the dialog sends it once "Senden" is pressed.
class ReplyDialog : public QDialog {
    Q_OBJECT
public:
    struct Hooks {
        std::function<app::Settings()> settings; // as they are when "Senden" is pressed
        std::function<void()> signIn;            // the window's sign-in
    };

    ReplyDialog(const store::ReplyTarget& target, Hooks hooks, QWidget* parent = nullptr);
    ~ReplyDialog() override;

    // The last outcome; its reply is what the list shows now, empty for none.
    const retrieval::ReplyOutcome& outcome() const { return m_outcome; }

    QPlainTextEdit* text() const { return m_text; }
    QLabel* countdown() const { return m_count; }
    QPushButton* senden() const { return m_senden; }

private:
    void send();
    void finished(const retrieval::ReplyOutcome& outcome);
    void textChanged();

    store::ReplyTarget m_target;
    Hooks m_hooks;
    std::unique_ptr<retrieval::ReplyRun> m_run;
    retrieval::ReplyOutcome m_outcome;
    QPlainTextEdit* m_text = nullptr;
    QLabel* m_count = nullptr;
    QPushButton* m_senden = nullptr;
    QPushButton* m_abbrechen = nullptr;
};

} // namespace ui
