#pragma once

#include <QChartView>
#include <QStringList>

class QCategoryAxis;
class QStackedBarSeries;
class QValueAxis;

namespace ui {

class VerlaufModel;

// A member's ratings per month as stacked bars, positive at the foot, and
// the positive share of twelve months as a line on an axis of its own. One
// month is current: the arrow keys, Home and End move it; Enter or Space
// chooses it, as a click on its bar does.
class MonthChart : public QChartView {
    Q_OBJECT
public:
    explicit MonthChart(QWidget* parent = nullptr);

    // Draws the model's months afresh; the newest becomes current.
    void showMonths(const VerlaufModel& model);

    QStackedBarSeries* bars() const { return m_bars; }
    int currentMonth() const { return m_current; }
    void setCurrentMonth(int index);
    // A month's counts and share as its tooltip shows them, on lines.
    QString tip(int index) const { return m_tips.value(index); }

signals:
    void currentMonthChanged(int index);
    void monthChosen(int index);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void newChart();
    void addBars(const VerlaufModel& model);
    void addShareLines(const VerlaufModel& model);

    QStackedBarSeries* m_bars = nullptr;
    QCategoryAxis* m_months = nullptr;
    QValueAxis* m_counts = nullptr;
    QValueAxis* m_percent = nullptr;
    QStringList m_tips;
    int m_current = 0;
};

} // namespace ui
