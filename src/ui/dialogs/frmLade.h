#pragma once

#include "retrieval/syncOutcome.h"

#include <memory>
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class OwnUpdateRun;

namespace ui {

// The progress window "Einlesevorgang" of the own-ratings update run. It
// shows what the run says and closes itself when the run ends.
class frmLade : public QDialog {
    Q_OBJECT
public:
    explicit frmLade(QWidget* parent = nullptr);
    ~frmLade() override;

    // Starts the run; keineBewertungen is the main window's flag.
    void checkneueBewertungen(bool& keineBewertungen);
    // Shows the window modally until the run has ended; what it fetched.
    retrieval::FetchResult showModal();

    OwnUpdateRun* run() const { return m_run; }
    QLabel* label1() const { return m_label1; }
    QLabel* label2() const { return m_label2; }
    QProgressBar* progressBar() const { return m_progress; }
    QPushButton* cmdabort() const { return m_cmdabort; }

signals:
    // A new run is about to start.
    void runCreated(OwnUpdateRun* run);

protected:
    void reject() override;

private:
    void showRun();

    QLabel* m_label1 = nullptr;
    QLabel* m_label2 = nullptr;
    QLabel* m_label3 = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cmdabort = nullptr;
    OwnUpdateRun* m_run = nullptr;
    std::shared_ptr<retrieval::FetchResult> m_result;
};

} // namespace ui
