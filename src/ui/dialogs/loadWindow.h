#pragma once

#include "retrieval/syncOutcome.h"

#include <memory>
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
namespace retrieval {
class LoadRun;
}

namespace ui {

// A progress window of a load run: it shows what the run says, cancels it by
// "Abbrechen" or the window frame, and closes itself when the run ends.
class LoadWindow : public QDialog {
    Q_OBJECT
public:
    ~LoadWindow() override;

    // Shows the window modally until the run has ended; what it fetched.
    retrieval::FetchResult showModal();

    retrieval::LoadRun* run() const { return m_run; }
    QLabel* label1() const { return m_label1; }
    QLabel* label2() const { return m_label2; }
    QProgressBar* progressBar() const { return m_progress; }
    QPushButton* cmdabort() const { return m_cmdabort; }

signals:
    // A new run is about to start.
    void runCreated(retrieval::LoadRun* run);

protected:
    LoadWindow(const char* name, const QString& caption, QWidget* parent);
    // Takes the run (its parent becomes the window) before it starts.
    void adopt(retrieval::LoadRun* run);
    void reject() override;

private:
    void showRun();

    QLabel* m_label1 = nullptr;
    QLabel* m_label2 = nullptr;
    QLabel* m_label3 = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cmdabort = nullptr;
    retrieval::LoadRun* m_run = nullptr;
    // Kept beyond the window, which unloads when it closes.
    std::shared_ptr<retrieval::FetchResult> m_result;
};

} // namespace ui
