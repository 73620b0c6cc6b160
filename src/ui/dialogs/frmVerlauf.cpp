#include "ui/dialogs/frmVerlauf.h"

#include "app/modGlobal.h"
#include "app/msgBox.h"
#include "store/exportWriter.h"
#include "ui/main/feedbackList.h"
#include "ui/main/itemPage.h"

#include <optional>
#include <QBarSet>
#include <QButtonGroup>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedBarSeries>
#include <QStandardPaths>
#include <QToolTip>
#include <QValueAxis>
#include <QVBoxLayout>

namespace ui {

namespace {

// The list's images: data/images/positiv.png, neutral.png, negativ.png.
const QColor kPositive(40, 190, 60);
const QColor kNeutral(170, 170, 170);
const QColor kNegative(220, 40, 40);
const QColor kShare(30, 60, 160);

const QString kTitle = QStringLiteral("Verlauf und Suche");

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

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

// The hourglass while the store is read or written.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

QString chooseWithDialog(QWidget* parent, const QString& caption, const QString& suggested,
                         const QString& filters, QString* selectedFilter) {
    return QFileDialog::getSaveFileName(parent, caption, suggested, filters, selectedFilter);
}

} // namespace

QString frmVerlauf::csvFilter() {
    return QStringLiteral("CSV für Tabellenkalkulation (*.csv)");
}

QString frmVerlauf::jsonFilter() {
    return QStringLiteral("JSON (*.json)");
}

frmVerlauf::frmVerlauf(QWidget* parent)
    : QDialog(parent),
      m_model(std::make_unique<VerlaufModel>(modData::Table::Own, modGlobal::sStandardUser)),
      m_chooseFile(chooseWithDialog) {
    setObjectName(QStringLiteral("frmVerlauf"));
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    m_member = new QLabel(this);
    m_member->setObjectName(QStringLiteral("lblMitglied"));
    QFont bold = m_member->font();
    bold.setBold(true);
    m_member->setFont(bold);
    top->addWidget(m_member);
    top->addStretch(1);
    top->addWidget(new QLabel(QStringLiteral("Zeitraum:"), this));
    const QString ranges[3] = {QStringLiteral("&12 Monate"), QStringLiteral("&5 Jahre"),
                               QStringLiteral("Alle &Jahre")};
    for (int r = 0; r < 3; ++r) {
        m_rangeButtons[size_t(r)] = new QRadioButton(ranges[r], this);
        top->addWidget(m_rangeButtons[size_t(r)]);
        connect(m_rangeButtons[size_t(r)], &QRadioButton::clicked, this,
                [this, r] { showRange(VerlaufModel::Range(r)); });
    }
    m_rangeButtons[0]->setChecked(true);
    layout->addLayout(top);

    m_chartView = new QChartView(this);
    m_chartView->setObjectName(QStringLiteral("chartVerlauf"));
    m_chartView->setRenderHint(QPainter::Antialiasing);
    // Months are chosen with the arrow keys too; Enter lists the month.
    m_chartView->setFocusPolicy(Qt::StrongFocus);
    m_chartView->setAccessibleName(QStringLiteral("Bewertungen je Monat"));
    m_chartView->installEventFilter(this);
    m_chartView->setMinimumHeight(260);
    layout->addWidget(m_chartView, 3);
    m_monthInfo = new QLabel(this);
    m_monthInfo->setObjectName(QStringLiteral("lblMonat"));
    layout->addWidget(m_monthInfo);

    auto* searchRow = new QHBoxLayout;
    auto* searchLabel = new QLabel(QStringLiteral("&Suche:"), this);
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("txtSuche"));
    m_search->setMaxLength(200);
    m_search->setPlaceholderText(
        QStringLiteral("Wörter im Text, Mitglied oder Artikelnummer; Eingabetaste sucht, leer "
                       "zeigt alle"));
    m_search->setClearButtonEnabled(true);
    searchLabel->setBuddy(m_search);
    connect(m_search, &QLineEdit::returnPressed, this, &frmVerlauf::startSearch);
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(m_search, 1);
    layout->addLayout(searchRow);

    auto* kindRow = new QHBoxLayout;
    m_kinds = new QButtonGroup(this);
    const char* const kindNames[4] = {"cmdAlle", "cmdPositive", "cmdNeutrale", "cmdNegativ"};
    const QString kindCaptions[4] = {QStringLiteral("&Alle"), QStringLiteral("&Positive"),
                                     QStringLiteral("&Neutrale"), QStringLiteral("Ne&gativ")};
    for (int kind : {1, 2, 3, 0}) {
        QPushButton* b = button(this, kindNames[kind], kindCaptions[kind]);
        b->setCheckable(true);
        m_kinds->addButton(b, kind);
        m_kindButtons[size_t(kind)] = b;
        kindRow->addWidget(b);
    }
    m_kindButtons[0]->setChecked(true);
    connect(m_kinds, &QButtonGroup::idClicked, this, &frmVerlauf::showKind);
    m_scope = new QLabel(this);
    m_scope->setObjectName(QStringLiteral("lblListe"));
    kindRow->addSpacing(12);
    kindRow->addWidget(m_scope, 1);
    layout->addLayout(kindRow);

    m_list = new FeedbackList(this);
    m_list->setMinimumHeight(200);
    m_list->subInitListe();
    connect(m_list, &FeedbackList::zurAuktion, this, &frmVerlauf::openItem);
    layout->addWidget(m_list, 4);

    auto* bottom = new QHBoxLayout;
    m_previous = button(this, "cmdprev", QStringLiteral("<--"));
    m_previous->setToolTip(QStringLiteral("Vorherige Seite"));
    m_next = button(this, "cmdnext", QStringLiteral("-->"));
    m_next->setToolTip(QStringLiteral("Nächste Seite"));
    connect(m_previous, &QPushButton::clicked, this, [this] { turnPage(-1); });
    connect(m_next, &QPushButton::clicked, this, [this] { turnPage(+1); });
    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("lblinfo"));
    m_export = button(this, "cmdExport", QStringLiteral("&Exportieren…"));
    m_export->setToolTip(QStringLiteral("Die Bewertungen der Liste als CSV- oder JSON-Datei"));
    connect(m_export, &QPushButton::clicked, this, &frmVerlauf::exportListed);
    m_close = button(this, "cmdClose", QStringLiteral("Schl&ießen"));
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
    bottom->addWidget(m_previous);
    bottom->addWidget(m_next);
    bottom->addSpacing(12);
    bottom->addWidget(m_caption, 1);
    bottom->addWidget(m_export);
    bottom->addWidget(m_close);
    layout->addLayout(bottom);

    // In the order they are seen.
    QWidget* order[] = {m_rangeButtons[0], m_rangeButtons[1],
                        m_rangeButtons[2], m_chartView,
                        m_search,          m_kindButtons[1],
                        m_kindButtons[2],  m_kindButtons[3],
                        m_kindButtons[0],  m_list,
                        m_previous,        m_next,
                        m_export,          m_close};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    m_search->setFocus();
    resize(1000, 760);
}

frmVerlauf::~frmVerlauf() = default;

bool frmVerlauf::guarded(const std::function<void()>& read) {
    try {
        const BusyCursor busy;
        read();
        return true;
    } catch (const errors::RuntimeError& e) {
        app::MsgBox(QStringLiteral("Die Bewertungen konnten nicht gelesen werden:\n") +
                        e.description(),
                    app::vbOKOnly | app::vbCritical, kTitle);
        return false;
    }
}

void frmVerlauf::showMember() {
    using namespace modGlobal;
    const modData::Table table = bFremdModus ? modData::Table::Temp : modData::Table::Own;
    const QString member = bFremdModus ? sFremdUser : sStandardUser;
    const bool same = m_model->table() == table && m_model->member() == member && m_shown;
    m_shown = true;
    if (!same) {
        m_model = std::make_unique<VerlaufModel>(table, member);
        m_rangeButtons[0]->setChecked(true);
        m_search->clear();
        m_kindButtons[0]->setChecked(true);
    }
    m_member->setText(
        (bFremdModus ? QStringLiteral("Fremd-User: ") : QStringLiteral("Standard-User: ")) +
        member);
    setWindowTitle(kTitle + QStringLiteral(" – ") + member);
    const bool read = guarded([&] {
        if (same) {
            m_model->reload();
        } else {
            m_model->setRange(m_model->range());
            m_model->showAll();
        }
    });
    if (read) {
        buildChart();
        fillList();
    }
    // Chosen again while open: brought to the front.
    if (isVisible()) {
        raise();
        activateWindow();
    }
    show();
}

void frmVerlauf::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // Back in the window after ratings were stored or removed elsewhere.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_model->isCurrent() &&
        guarded([&] { m_model->reload(); })) {
        buildChart();
        fillList();
    }
}

void frmVerlauf::showRange(VerlaufModel::Range range) {
    m_rangeButtons[size_t(range)]->setChecked(true);
    if (guarded([&] { m_model->setRange(range); }))
        buildChart();
}

QChart* frmVerlauf::chart() const {
    return m_chartView->chart();
}

void frmVerlauf::newChart() {
    // A chart of its own for every build: the library keeps what an axis
    // once showed, so a chart whose axes were changed grew with every range.
    auto* chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    m_months = new QCategoryAxis(chart);
    m_months->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
    m_months->setGridLineVisible(false);
    chart->addAxis(m_months, Qt::AlignBottom);
    m_counts = new QValueAxis(chart);
    m_counts->setLabelFormat(QStringLiteral("%d"));
    m_counts->setTickCount(kCountSteps + 1);
    m_counts->setTitleText(QStringLiteral("Bewertungen je Monat"));
    chart->addAxis(m_counts, Qt::AlignLeft);
    m_percent = new QValueAxis(chart);
    m_percent->setRange(0, 100);
    m_percent->setTickCount(6);
    m_percent->setLabelFormat(QStringLiteral("%d %%"));
    m_percent->setTitleText(QStringLiteral("positiv in 12 Monaten"));
    chart->addAxis(m_percent, Qt::AlignRight);
    QChart* old = m_chartView->chart(); // the view's first one included
    m_chartView->setChart(chart);       // lets go of the old one, which is ours to delete
    delete old;
}

void frmVerlauf::buildChart() {
    newChart();
    m_bars = new QStackedBarSeries;
    m_bars->setBarWidth(0.8);
    QBarSet* sets[3] = {barSet(QStringLiteral("Positiv"), kPositive),
                        barSet(QStringLiteral("Neutral"), kNeutral),
                        barSet(QStringLiteral("Negativ"), kNegative)};
    const std::vector<store::MonthCounts>& months = m_model->months();
    for (const store::MonthCounts& m : months) {
        *sets[0] << m.positive;
        *sets[1] << m.neutral;
        *sets[2] << m.negative;
    }
    // Appended bottom up: positive at the foot of each bar.
    for (QBarSet* set : sets)
        m_bars->append(set);
    chart()->addSeries(m_bars);
    connect(m_bars, &QStackedBarSeries::clicked, this, [this](int index) { showMonth(index); });
    connect(m_bars, &QStackedBarSeries::hovered, this, [this](bool on, int index) {
        if (on)
            QToolTip::showText(QCursor::pos(), m_model->monthTip(index), m_chartView);
        else
            QToolTip::hideText();
    });

    m_months->setRange(-0.5, double(months.size()) - 0.5);
    m_months->setStartValue(-0.5);
    for (const VerlaufModel::AxisLabel& label : m_model->axisLabels())
        m_months->append(label.text, label.last + 0.5);
    m_months->setLabelsAngle(m_months->count() > 12 ? -90 : 0);
    m_counts->setRange(0, roundTop(m_model->largestMonth()));
    m_bars->attachAxis(m_months);
    m_bars->attachAxis(m_counts);

    // One line per stretch with a share: a stretch without ratings is a gap.
    const std::vector<std::optional<double>>& shares = m_model->shares();
    QLineSeries* line = nullptr;
    bool named = false;
    for (size_t i = 0; i <= shares.size(); ++i) {
        if (i < shares.size() && shares[i]) {
            if (!line) {
                line = new QLineSeries;
                line->setName(QStringLiteral("Anteil positiv, 12 Monate"));
                line->setPen(QPen(kShare, 2));
                line->setPointsVisible(true);
                line->setMarkerSize(4);
            }
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
    setCurrentMonth(int(months.size()) - 1);
}

void frmVerlauf::setCurrentMonth(int index) {
    const QList<QBarSet*> sets = m_bars->barSets();
    if (sets.isEmpty())
        return;
    m_current = std::clamp(index, 0, int(sets.first()->count()) - 1);
    for (QBarSet* set : sets) {
        set->deselectAllBars();
        set->selectBar(m_current);
    }
    m_monthInfo->setText(
        m_model->monthTip(m_current).replace(QLatin1Char('\n'), QStringLiteral(" · ")));
}

bool frmVerlauf::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_chartView || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Left:
        setCurrentMonth(m_current - 1);
        return true;
    case Qt::Key_Right:
        setCurrentMonth(m_current + 1);
        return true;
    case Qt::Key_Home:
        setCurrentMonth(0);
        return true;
    case Qt::Key_End:
        setCurrentMonth(int(m_model->months().size()) - 1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        showMonth(m_current);
        return true;
    default:
        return QDialog::eventFilter(watched, event);
    }
}

void frmVerlauf::showMonth(int index) {
    setCurrentMonth(index);
    if (guarded([&] { m_model->showMonth(index); }))
        fillList();
}

void frmVerlauf::startSearch() {
    bool searched = true;
    if (!guarded([&] { searched = m_model->search(m_search->text()); }))
        return;
    if (!searched) {
        app::MsgBox(QStringLiteral("Bitte geben Sie mindestens ein Wort, einen Mitgliedsnamen oder "
                                   "eine Artikelnummer ein: Satzzeichen allein werden nicht "
                                   "gesucht."),
                    app::vbOKOnly | app::vbExclamation, kTitle);
        return;
    }
    fillList();
}

void frmVerlauf::showKind(int kind) {
    m_kindButtons[size_t(kind)]->setChecked(true);
    if (guarded([&] { m_model->setKind(kind); }))
        fillList();
}

void frmVerlauf::turnPage(int direction) {
    if (guarded([&] { direction > 0 ? m_model->nextPage() : m_model->previousPage(); }))
        fillList();
}

void frmVerlauf::fillList() {
    m_list->subClearListe();
    for (const modData::RatingRow& row : m_model->rows())
        m_list->subAddListe(row.value(0).toInt(), row.value(1), row.value(2), row.value(3),
                            row.value(4), row.value(5));
    m_caption->setText(m_model->caption());
    m_scope->setText(m_model->scopeText());
    m_previous->setEnabled(m_model->hasPrevious());
    m_next->setEnabled(m_model->hasNext());
    m_export->setEnabled(m_model->total() > 0);
}

void frmVerlauf::openItem(int k) {
    openItemPage(*m_list, k);
}

void frmVerlauf::exportListed() {
    if (m_model->total() == 0)
        return;
    // The documents folder, or home where there is none (the dialog would
    // otherwise start wherever the program was started from).
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QDir(folder).exists())
        folder = QDir::homePath();
    QString selected = csvFilter();
    QString path =
        m_chooseFile(this, QStringLiteral("Bewertungen exportieren"),
                     QDir(folder).filePath(m_model->exportBaseName() + QStringLiteral(".csv")),
                     csvFilter() + QStringLiteral(";;") + jsonFilter(), &selected);
    if (path.isEmpty())
        return;
    // A name without an extension takes the chosen type's; the dialog did
    // not ask about that name, so it is asked here.
    if (QFileInfo(path).suffix().isEmpty()) {
        path += selected == jsonFilter() ? QStringLiteral(".json") : QStringLiteral(".csv");
        if (QFileInfo::exists(path) &&
            app::MsgBox(QStringLiteral("Die Datei „%1“ gibt es schon. Soll sie ersetzt werden?")
                            .arg(QDir::toNativeSeparators(path)),
                        app::vbYesNo | app::vbQuestion | app::vbDefaultButton2,
                        kTitle) != app::vbYes)
            return;
    }
    const qint32 total = m_model->total();
    QProgressDialog progress(QStringLiteral("Bewertungen werden exportiert…"),
                             QStringLiteral("Abbrechen"), 0, total, this);
    progress.setWindowTitle(kTitle);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    std::optional<BusyCursor> busy(std::in_place);
    const store::ExportResult result =
        store::exportRatings(path, store::formatOfPath(path), m_model->table(), m_model->member(),
                             m_model->filter(), [&](qint64 written) {
                                 progress.setValue(int(std::min<qint64>(written, total)));
                                 return !progress.wasCanceled();
                             });
    progress.close();
    busy.reset();
    const QString shown = QDir::toNativeSeparators(path);
    if (result.ok)
        app::MsgBox(QStringLiteral("%1 Bewertungen wurden nach „%2“ exportiert.")
                        .arg(QLocale(QLocale::German).toString(result.rows), shown),
                    app::vbOKOnly | app::vbInformation, kTitle);
    else if (result.cancelled)
        app::MsgBox(
            QStringLiteral("Der Export wurde abgebrochen; es wurde keine Datei geschrieben."),
            app::vbOKOnly | app::vbInformation, kTitle);
    else
        app::MsgBox(result.error + QStringLiteral("\nEs wurde keine Datei geschrieben."),
                    app::vbOKOnly | app::vbCritical, kTitle);
}

} // namespace ui
