#include "ui/dialogs/frmVerlauf.h"

#include "app/modGlobal.h"
#include "app/msgBox.h"
#include "ui/controls/dialogParts.h"
#include "ui/dialogs/monthChart.h"
#include "ui/main/feedbackList.h"
#include "ui/main/itemPage.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ui {

namespace {

const QString kTitle = QStringLiteral("Verlauf und Suche");

} // namespace

frmVerlauf::frmVerlauf(QWidget* parent)
    : QDialog(parent),
      m_model(std::make_unique<VerlaufModel>(modData::Table::Own, modGlobal::sStandardUser)),
      m_export(this, kTitle) {
    setObjectName(QStringLiteral("frmVerlauf"));
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buildRangeRow());
    buildChartArea(layout);
    layout->addLayout(buildSearchRow());
    layout->addLayout(buildKindRow());
    m_list = new FeedbackList(this);
    m_list->setMinimumHeight(200);
    m_list->subInitListe();
    connect(m_list, &FeedbackList::zurAuktion, this, &frmVerlauf::openItem);
    layout->addWidget(m_list, 4);
    layout->addLayout(buildButtonRow());
    setTabOrders();
    m_search->setFocus();
    resize(1000, 760);
}

QBoxLayout* frmVerlauf::buildRangeRow() {
    auto* row = new QHBoxLayout;
    m_member = namedLabel(this, "lblMitglied");
    QFont bold = m_member->font();
    bold.setBold(true);
    m_member->setFont(bold);
    row->addWidget(m_member);
    row->addStretch(1);
    row->addWidget(new QLabel(QStringLiteral("Zeitraum:"), this));
    const QString ranges[3] = {QStringLiteral("&12 Monate"), QStringLiteral("&5 Jahre"),
                               QStringLiteral("Alle &Jahre")};
    for (int r = 0; r < 3; ++r) {
        m_rangeButtons[size_t(r)] = new QRadioButton(ranges[r], this);
        row->addWidget(m_rangeButtons[size_t(r)]);
        connect(m_rangeButtons[size_t(r)], &QRadioButton::clicked, this,
                [this, r] { showRange(VerlaufModel::Range(r)); });
    }
    m_rangeButtons[0]->setChecked(true);
    return row;
}

void frmVerlauf::buildChartArea(QBoxLayout* layout) {
    m_chart = new MonthChart(this);
    layout->addWidget(m_chart, 3);
    m_monthInfo = namedLabel(this, "lblMonat");
    layout->addWidget(m_monthInfo);
    connect(m_chart, &MonthChart::monthChosen, this, &frmVerlauf::showMonth);
    connect(m_chart, &MonthChart::currentMonthChanged, this, [this](int index) {
        m_monthInfo->setText(m_chart->tip(index).replace(QLatin1Char('\n'), QStringLiteral(" · ")));
    });
}

QBoxLayout* frmVerlauf::buildSearchRow() {
    auto* row = new QHBoxLayout;
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
    row->addWidget(searchLabel);
    row->addWidget(m_search, 1);
    return row;
}

QBoxLayout* frmVerlauf::buildKindRow() {
    auto* row = new QHBoxLayout;
    m_kinds = new QButtonGroup(this);
    const char* const kindNames[4] = {"cmdAlle", "cmdPositive", "cmdNeutrale", "cmdNegativ"};
    const QString kindCaptions[4] = {QStringLiteral("&Alle"), QStringLiteral("&Positive"),
                                     QStringLiteral("&Neutrale"), QStringLiteral("Ne&gativ")};
    for (int kind : {1, 2, 3, 0}) {
        QPushButton* b = button(this, kindNames[kind], kindCaptions[kind]);
        b->setCheckable(true);
        m_kinds->addButton(b, kind);
        m_kindButtons[size_t(kind)] = b;
        row->addWidget(b);
    }
    m_kindButtons[0]->setChecked(true);
    connect(m_kinds, &QButtonGroup::idClicked, this, &frmVerlauf::showKind);
    m_scope = namedLabel(this, "lblListe");
    row->addSpacing(12);
    row->addWidget(m_scope, 1);
    return row;
}

QBoxLayout* frmVerlauf::buildButtonRow() {
    auto* row = new QHBoxLayout;
    m_previous = button(this, "cmdprev", QStringLiteral("<--"));
    m_previous->setToolTip(QStringLiteral("Vorherige Seite"));
    m_next = button(this, "cmdnext", QStringLiteral("-->"));
    m_next->setToolTip(QStringLiteral("Nächste Seite"));
    connect(m_previous, &QPushButton::clicked, this, [this] { turnPage(-1); });
    connect(m_next, &QPushButton::clicked, this, [this] { turnPage(+1); });
    m_caption = namedLabel(this, "lblinfo");
    m_exportButton = button(this, "cmdExport", QStringLiteral("&Exportieren…"));
    m_exportButton->setToolTip(
        QStringLiteral("Die Bewertungen der Liste als CSV- oder JSON-Datei"));
    connect(m_exportButton, &QPushButton::clicked, this, &frmVerlauf::exportListed);
    m_close = button(this, "cmdClose", QStringLiteral("Schl&ießen"));
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
    row->addWidget(m_previous);
    row->addWidget(m_next);
    row->addSpacing(12);
    row->addWidget(m_caption, 1);
    row->addWidget(m_exportButton);
    row->addWidget(m_close);
    return row;
}

void frmVerlauf::setTabOrders() {
    // In the order they are seen.
    QWidget* order[] = {m_rangeButtons[0], m_rangeButtons[1],
                        m_rangeButtons[2], m_chart,
                        m_search,          m_kindButtons[1],
                        m_kindButtons[2],  m_kindButtons[3],
                        m_kindButtons[0],  m_list,
                        m_previous,        m_next,
                        m_exportButton,    m_close};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
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
    const modData::Table table =
        modGlobal::bFremdModus ? modData::Table::Temp : modData::Table::Own;
    const QString member =
        modGlobal::bFremdModus ? modGlobal::sFremdUser : modGlobal::sStandardUser;
    const bool same = m_model->table() == table && m_model->member() == member && m_shown;
    m_shown = true;
    if (!same) {
        m_model = std::make_unique<VerlaufModel>(table, member);
        m_rangeButtons[0]->setChecked(true);
        m_search->clear();
        m_kindButtons[0]->setChecked(true);
    }
    m_member->setText((modGlobal::bFremdModus ? QStringLiteral("Fremd-User: ")
                                              : QStringLiteral("Standard-User: ")) +
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
        m_chart->showMonths(*m_model);
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
        m_chart->showMonths(*m_model);
        fillList();
    }
}

void frmVerlauf::showRange(VerlaufModel::Range range) {
    m_rangeButtons[size_t(range)]->setChecked(true);
    if (guarded([&] { m_model->setRange(range); }))
        m_chart->showMonths(*m_model);
}

QChart* frmVerlauf::chart() const {
    return m_chart->chart();
}

QChartView* frmVerlauf::chartView() const {
    return m_chart;
}

QStackedBarSeries* frmVerlauf::bars() const {
    return m_chart->bars();
}

int frmVerlauf::currentMonth() const {
    return m_chart->currentMonth();
}

void frmVerlauf::showMonth(int index) {
    m_chart->setCurrentMonth(index);
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
    m_exportButton->setEnabled(m_model->total() > 0);
}

void frmVerlauf::openItem(int k) {
    openItemPage(*m_list, k);
}

void frmVerlauf::exportListed() {
    m_export.run(*m_model);
}

} // namespace ui
