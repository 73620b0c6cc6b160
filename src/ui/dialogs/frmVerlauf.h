#pragma once

#include "ui/dialogs/listExport.h"
#include "ui/dialogs/verlaufModel.h"

#include <array>
#include <functional>
#include <memory>
#include <QDialog>

class QBoxLayout;
class QButtonGroup;
class QChart;
class QChartView;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedBarSeries;

namespace ui {

class FeedbackList;
class MonthChart;

// "Verlauf und Suche": a member's ratings per month as a chart with the
// positive share of twelve months, a search over text, giver and item
// number, and an export of what the list holds.
class frmVerlauf : public QDialog {
    Q_OBJECT
public:
    using FileChooser = ListExport::FileChooser;

    explicit frmVerlauf(QWidget* parent = nullptr);
    ~frmVerlauf() override;

    // Shows the member the main window shows: the standard user, or the
    // foreign member in foreign mode. Read afresh each time.
    void showMember();
    void setFileChooser(FileChooser chooser) { m_export.setFileChooser(std::move(chooser)); }

    void showRange(VerlaufModel::Range range);
    void showMonth(int index);
    void startSearch();
    void showKind(int kind);
    void turnPage(int direction);
    void exportListed();

    const VerlaufModel& model() const { return *m_model; }
    QChart* chart() const;
    QChartView* chartView() const;
    QStackedBarSeries* bars() const;
    QRadioButton* rangeButton(VerlaufModel::Range range) const {
        return m_rangeButtons[size_t(range)];
    }
    QLineEdit* searchField() const { return m_search; }
    QPushButton* kindButton(int kind) const { return m_kindButtons[size_t(kind)]; }
    QPushButton* previousButton() const { return m_previous; }
    QPushButton* nextButton() const { return m_next; }
    QPushButton* exportButton() const { return m_exportButton; }
    QLabel* captionLabel() const { return m_caption; }
    QLabel* scopeLabel() const { return m_scope; }
    QLabel* memberLabel() const { return m_member; }
    FeedbackList& liste() const { return *m_list; }

    // The month the arrow keys move and Enter lists; its counts show below the chart.
    int currentMonth() const;
    QLabel* monthInfo() const { return m_monthInfo; }

protected:
    void changeEvent(QEvent* event) override;

private:
    QBoxLayout* buildRangeRow();
    void buildChartArea(QBoxLayout* layout);
    QBoxLayout* buildSearchRow();
    QBoxLayout* buildKindRow();
    QBoxLayout* buildButtonRow();
    void setTabOrders();
    void fillList();
    void openItem(int k);
    // Runs a read of the store; a failure is told, and the window stays as it was.
    bool guarded(const std::function<void()>& read);

    std::unique_ptr<VerlaufModel> m_model;
    ListExport m_export;
    QLabel* m_member = nullptr;
    std::array<QRadioButton*, 3> m_rangeButtons{};
    MonthChart* m_chart = nullptr;
    QLabel* m_monthInfo = nullptr;
    QLineEdit* m_search = nullptr;
    // 0 Alle, 1 to 3 the kinds.
    std::array<QPushButton*, 4> m_kindButtons{};
    QButtonGroup* m_kinds = nullptr;
    QLabel* m_scope = nullptr;
    FeedbackList* m_list = nullptr;
    QPushButton* m_previous = nullptr;
    QPushButton* m_next = nullptr;
    QLabel* m_caption = nullptr;
    QPushButton* m_exportButton = nullptr;
    QPushButton* m_close = nullptr;
    bool m_shown = false;
};

} // namespace ui
