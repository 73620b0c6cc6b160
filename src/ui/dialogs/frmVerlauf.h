#pragma once

#include "ui/dialogs/verlaufModel.h"

#include <array>
#include <functional>
#include <memory>
#include <QDialog>

class QButtonGroup;
class QCategoryAxis;
class QChart;
class QChartView;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedBarSeries;
class QValueAxis;

namespace ui {

class FeedbackList;

// "Verlauf und Suche": a member's ratings per month as a chart with the
// positive share of twelve months, a search over text, giver and item
// number, and an export of what the list holds.
class frmVerlauf : public QDialog {
    Q_OBJECT
public:
    // Asks for the file to export to (QFileDialog::getSaveFileName's
    // arguments); an empty name cancels. Tests answer it themselves.
    using FileChooser =
        std::function<QString(QWidget* parent, const QString& caption, const QString& suggested,
                              const QString& filters, QString* selectedFilter)>;

    explicit frmVerlauf(QWidget* parent = nullptr);
    ~frmVerlauf() override;

    // Shows the member the main window shows: the standard user, or the
    // foreign member in foreign mode. Read afresh each time.
    void showMember();
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    void showRange(VerlaufModel::Range range);
    void showMonth(int index);
    void startSearch();
    void showKind(int kind);
    void turnPage(int direction);
    void exportListed();

    static QString csvFilter();
    static QString jsonFilter();

    const VerlaufModel& model() const { return *m_model; }
    QChart* chart() const;
    QChartView* chartView() const { return m_chartView; }
    QStackedBarSeries* bars() const { return m_bars; }
    QRadioButton* rangeButton(VerlaufModel::Range range) const {
        return m_rangeButtons[size_t(range)];
    }
    QLineEdit* searchField() const { return m_search; }
    QPushButton* kindButton(int kind) const { return m_kindButtons[size_t(kind)]; }
    QPushButton* previousButton() const { return m_previous; }
    QPushButton* nextButton() const { return m_next; }
    QPushButton* exportButton() const { return m_export; }
    QLabel* captionLabel() const { return m_caption; }
    QLabel* scopeLabel() const { return m_scope; }
    QLabel* memberLabel() const { return m_member; }
    FeedbackList& liste() const { return *m_list; }

    // The month the arrow keys move and Enter lists; its counts show below the chart.
    int currentMonth() const { return m_current; }
    QLabel* monthInfo() const { return m_monthInfo; }

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void newChart();
    void buildChart();
    void setCurrentMonth(int index);
    void fillList();
    void openItem(int k);
    // Runs a read of the store; a failure is told, and the window stays as it was.
    bool guarded(const std::function<void()>& read);

    std::unique_ptr<VerlaufModel> m_model;
    FileChooser m_chooseFile;
    QLabel* m_member = nullptr;
    std::array<QRadioButton*, 3> m_rangeButtons{};
    QChartView* m_chartView = nullptr;
    QStackedBarSeries* m_bars = nullptr;
    QCategoryAxis* m_months = nullptr;
    QValueAxis* m_counts = nullptr;
    QValueAxis* m_percent = nullptr;
    QLabel* m_monthInfo = nullptr;
    int m_current = 0;
    QLineEdit* m_search = nullptr;
    // 0 Alle, 1 to 3 the kinds.
    std::array<QPushButton*, 4> m_kindButtons{};
    QButtonGroup* m_kinds = nullptr;
    QLabel* m_scope = nullptr;
    FeedbackList* m_list = nullptr;
    QPushButton* m_previous = nullptr;
    QPushButton* m_next = nullptr;
    QLabel* m_caption = nullptr;
    QPushButton* m_export = nullptr;
    QPushButton* m_close = nullptr;
    bool m_shown = false;
};

} // namespace ui
