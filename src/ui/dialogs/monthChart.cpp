#include "ui/dialogs/monthChart.h"

#include "ui/dialogs/verlaufModel.h"

#include <optional>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QCursor>
#include <QKeyEvent>
#include <QLegendMarker>
#include <QLineSeries>
#include <QStackedBarSeries>
#include <QToolTip>
#include <QValueAxis>

namespace ui {

namespace {

// The list's images: data/images/positiv.png, neutral.png, negativ.png.
const QColor kPositive(40, 190, 60);
const QColor kNeutral(170, 170, 170);
const QColor kNegative(220, 40, 40);
const QColor kShare(30, 60, 160);

QBarSet* barSet(const QString& name, const QColor& colour) {
    auto* set = new QBarSet(name);
    set->setColor(colour);
    set->setBorderColor(colour);
    // The current month's bar, lighter.
    set->setSelectedColor(colour.lighter(130));
    return set;
}

// The count axis: a round step (1, 2 or 5 times a power of ten) so that
// the steps reach the largest month.
constexpr int kCountSteps = 4;
int roundTop(int largest) {
    for (qint64 power = 1;; power *= 10)
        for (qint64 step : {power, 2 * power, 5 * power})
            if (step * kCountSteps >= largest)
                return int(step * kCountSteps);
}

QLineSeries* shareLine() {
    auto* line = new QLineSeries;
    line->setName(QStringLiteral("Anteil positiv, 12 Monate"));
    line->setPen(QPen(kShare, 2));
    line->setPointsVisible(true);
    line->setMarkerSize(4);
    return line;
}

} // namespace

MonthChart::MonthChart(QWidget* parent) : QChartView(parent) {
    setObjectName(QStringLiteral("chartVerlauf"));
    setRenderHint(QPainter::Antialiasing);
    // Months are chosen with the arrow keys too; Enter lists the month.
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Bewertungen je Monat"));
    setMinimumHeight(260);
}

void MonthChart::newChart() {
    // A chart of its own for every build: the library keeps what an axis
    // once showed, so a chart whose axes were changed grew with every range.
    auto* fresh = new QChart;
    fresh->legend()->setAlignment(Qt::AlignBottom);
    fresh->setMargins(QMargins(4, 4, 4, 4));
    m_months = new QCategoryAxis(fresh);
    m_months->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
    m_months->setGridLineVisible(false);
    fresh->addAxis(m_months, Qt::AlignBottom);
    m_counts = new QValueAxis(fresh);
    m_counts->setLabelFormat(QStringLiteral("%d"));
    m_counts->setTickCount(kCountSteps + 1);
    m_counts->setTitleText(QStringLiteral("Bewertungen je Monat"));
    fresh->addAxis(m_counts, Qt::AlignLeft);
    m_percent = new QValueAxis(fresh);
    m_percent->setRange(0, 100);
    m_percent->setTickCount(6);
    m_percent->setLabelFormat(QStringLiteral("%d %%"));
    m_percent->setTitleText(QStringLiteral("positiv in 12 Monaten"));
    fresh->addAxis(m_percent, Qt::AlignRight);
    QChart* old = chart(); // the view's first one included
    setChart(fresh);       // lets go of the old one, which is ours to delete
    delete old;
}

void MonthChart::showMonths(const VerlaufModel& model) {
    newChart();
    const int count = int(model.months().size());
    m_tips.clear();
    for (int i = 0; i < count; ++i)
        m_tips << model.monthTip(i);
    addBars(model);
    addShareLines(model);
    setCurrentMonth(count - 1);
}

void MonthChart::addBars(const VerlaufModel& model) {
    m_bars = new QStackedBarSeries;
    m_bars->setBarWidth(0.8);
    QBarSet* sets[3] = {barSet(QStringLiteral("Positiv"), kPositive),
                        barSet(QStringLiteral("Neutral"), kNeutral),
                        barSet(QStringLiteral("Negativ"), kNegative)};
    const std::vector<store::MonthCounts>& months = model.months();
    for (const store::MonthCounts& m : months) {
        *sets[0] << m.positive;
        *sets[1] << m.neutral;
        *sets[2] << m.negative;
    }
    // Appended bottom up: positive at the foot of each bar.
    for (QBarSet* set : sets)
        m_bars->append(set);
    chart()->addSeries(m_bars);
    connect(m_bars, &QStackedBarSeries::clicked, this,
            [this](int index) { emit monthChosen(index); });
    connect(m_bars, &QStackedBarSeries::hovered, this, [this](bool on, int index) {
        if (on)
            QToolTip::showText(QCursor::pos(), tip(index), this);
        else
            QToolTip::hideText();
    });

    m_months->setRange(-0.5, double(months.size()) - 0.5);
    m_months->setStartValue(-0.5);
    for (const VerlaufModel::AxisLabel& label : model.axisLabels())
        m_months->append(label.text, label.last + 0.5);
    m_months->setLabelsAngle(m_months->count() > 12 ? -90 : 0);
    m_counts->setRange(0, roundTop(model.largestMonth()));
    m_bars->attachAxis(m_months);
    m_bars->attachAxis(m_counts);
}

void MonthChart::addShareLines(const VerlaufModel& model) {
    // One line per stretch with a share: a stretch without ratings is a gap.
    const std::vector<std::optional<double>>& shares = model.shares();
    QLineSeries* line = nullptr;
    bool named = false;
    for (size_t i = 0; i <= shares.size(); ++i) {
        if (i < shares.size() && shares[i]) {
            if (!line)
                line = shareLine();
            line->append(double(i), *shares[i]);
            continue;
        }
        if (!line)
            continue;
        chart()->addSeries(line);
        line->attachAxis(m_months);
        line->attachAxis(m_percent);
        if (named)
            for (QLegendMarker* marker : chart()->legend()->markers(line))
                marker->setVisible(false);
        named = true;
        line = nullptr;
    }
}

void MonthChart::setCurrentMonth(int index) {
    const QList<QBarSet*> sets = m_bars ? m_bars->barSets() : QList<QBarSet*>();
    if (sets.isEmpty())
        return;
    m_current = std::clamp(index, 0, int(sets.first()->count()) - 1);
    for (QBarSet* set : sets) {
        set->deselectAllBars();
        set->selectBar(m_current);
    }
    emit currentMonthChanged(m_current);
}

void MonthChart::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
        setCurrentMonth(m_current - 1);
        break;
    case Qt::Key_Right:
        setCurrentMonth(m_current + 1);
        break;
    case Qt::Key_Home:
        setCurrentMonth(0);
        break;
    case Qt::Key_End:
        setCurrentMonth(int(m_tips.size()) - 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        emit monthChosen(m_current);
        break;
    default:
        QChartView::keyPressEvent(event);
    }
}

} // namespace ui
