#pragma once

#include "ui/dialogs/awaitingModel.h"

#include <functional>
#include <QDialog>

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace ui {

// "Offene Bewertungen": the items the member sold and has not rated the
// buyer for, rated positively in a batch with a template or a text of one's
// own, and the switch for rating after every check.
class frmOffen : public QDialog {
    Q_OBJECT
public:
    explicit frmOffen(QWidget* parent = nullptr);
    ~frmOffen() override;

    // What "Jetzt bei eBay anmelden?" answered with yes does.
    void setSignIn(std::function<void()> signIn) { m_signIn = std::move(signIn); }

    // Reads the items afresh; loaded() follows.
    void load();
    void selectAll();
    // Rates the selected items; batchFinished() follows unless nothing went out.
    void rateSelected();
    void cancel();

    const AwaitingModel& model() const { return m_model; }
    QTreeWidget* list() const { return m_list; }
    QLabel* countLabel() const { return m_count; }
    QComboBox* commentBox() const { return m_comment; }
    QLineEdit* ownText() const { return m_ownText; }
    QPushButton* rateButton() const { return m_rate; }
    QPushButton* selectAllButton() const { return m_selectAll; }
    QPushButton* cancelButton() const { return m_cancel; }
    QProgressBar* progressBar() const { return m_progress; }
    QListWidget* results() const { return m_results; }
    QLabel* summaryLabel() const { return m_summary; }
    QCheckBox* automaticBox() const { return m_automatic; }

signals:
    void loaded();
    void batchFinished(const retrieval::RatingBatchOutcome& outcome);

private:
    void buildChoiceRow(QBoxLayout* layout);
    void showItems();
    void setBusy(bool busy);
    void loadFinished(const retrieval::AwaitingOutcome& outcome);
    void itemDone(const retrieval::ItemRating& rating, int done, int total);
    void runFinished(const retrieval::RatingBatchOutcome& outcome);
    void offerSignIn(const QString& message);
    void automaticToggled(bool on);

    AwaitingModel m_model;
    QStringList m_vorlagen; // as the settings were when the window opened
    std::function<void()> m_signIn;
    retrieval::AwaitingLoad* m_load = nullptr;
    retrieval::RateBuyersRun* m_run = nullptr;

    QLabel* m_count = nullptr;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_selectAll = nullptr;
    QComboBox* m_comment = nullptr;
    QLineEdit* m_ownText = nullptr;
    QPushButton* m_rate = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_cancel = nullptr;
    QLabel* m_summary = nullptr;
    QListWidget* m_results = nullptr;
    QCheckBox* m_automatic = nullptr;
};

} // namespace ui
