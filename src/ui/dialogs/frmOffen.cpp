#include "ui/dialogs/frmOffen.h"

#include "app/modini.h"
#include "app/msgBox.h"
#include "app/ratingPrefs.h"
#include "app/signInStore.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

namespace ui {

namespace {

using Kind = retrieval::SellerAnswer::Kind;
using BatchKind = retrieval::RatingBatchOutcome::Kind;

// Read afresh for each run: a sign-in in between counts.
app::Settings currentSettings() {
    return app::withSecrets(modini::settings());
}

QPushButton* button(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

frmOffen::frmOffen(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmOffen"));
    setWindowTitle(m_model.title());
    resize(820, 560);
    m_vorlagen = modini::settings().bewertungsvorlagen;

    auto* layout = new QVBoxLayout(this);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lblAnzahl"));
    m_count->setWordWrap(true);
    layout->addWidget(m_count);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lstOffen"));
    m_list->setHeaderLabels(AwaitingModel::columns());
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setStretchLastSection(false);
    layout->addWidget(m_list, 3);

    buildChoiceRow(layout);

    auto* progressRow = new QHBoxLayout;
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_cancel = button("cmdAbbrechen", QStringLiteral("Abbrechen"), this);
    progressRow->addWidget(m_progress, 1);
    progressRow->addWidget(m_cancel);
    layout->addLayout(progressRow);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("lblErgebnis"));
    m_summary->setWordWrap(true);
    layout->addWidget(m_summary);
    m_results = new QListWidget(this);
    m_results->setObjectName(QStringLiteral("lstErgebnis"));
    layout->addWidget(m_results, 1);

    auto* bottom = new QHBoxLayout;
    m_automatic =
        new QCheckBox(QStringLiteral("Nach jeder Prüfung automatisch positiv bewerten"), this);
    m_automatic->setObjectName(QStringLiteral("chkAutomatisch"));
    m_automatic->setChecked(modini::settings().automatischBewerten);
    auto* close = button("cmdClose", QStringLiteral("Schließen"), this);
    bottom->addWidget(m_automatic, 1);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    connect(m_selectAll, &QPushButton::clicked, this, &frmOffen::selectAll);
    connect(m_rate, &QPushButton::clicked, this, &frmOffen::rateSelected);
    connect(m_cancel, &QPushButton::clicked, this, &frmOffen::cancel);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_automatic, &QCheckBox::toggled, this, &frmOffen::automaticToggled);
    connect(m_comment, &QComboBox::currentIndexChanged, this, [this](int entry) {
        m_ownText->setEnabled(entry == AwaitingModel::ownTextEntry(m_vorlagen));
    });
    setBusy(false);
    m_progress->hide();
    m_cancel->hide();
}

frmOffen::~frmOffen() = default;

void frmOffen::buildChoiceRow(QBoxLayout* layout) {
    auto* row = new QHBoxLayout;
    m_selectAll = button("cmdAlle", QStringLiteral("Alle auswählen"), this);
    m_comment = new QComboBox(this);
    m_comment->setObjectName(QStringLiteral("cboKommentar"));
    m_comment->addItems(AwaitingModel::commentEntries(m_vorlagen));
    m_comment->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_comment->setMinimumContentsLength(24);
    m_ownText = new QLineEdit(this);
    m_ownText->setObjectName(QStringLiteral("txtKommentar"));
    m_ownText->setPlaceholderText(QStringLiteral("Eigener Text der Bewertung"));
    m_ownText->setMaxLength(500);
    m_ownText->setEnabled(false);
    m_rate = button("cmdBewerten", QStringLiteral("Positiv bewerten"), this);
    row->addWidget(m_selectAll);
    row->addWidget(new QLabel(QStringLiteral("Kommentar:"), this));
    row->addWidget(m_comment);
    row->addWidget(m_ownText, 1);
    row->addWidget(m_rate);
    layout->addLayout(row);
}

void frmOffen::load() {
    if (m_load || m_run)
        return;
    m_count->setText(QStringLiteral("Die offenen Bewertungen werden geladen …"));
    setBusy(true);
    m_load = new retrieval::AwaitingLoad(currentSettings(), this);
    connect(m_load, &retrieval::AwaitingLoad::finished, this, &frmOffen::loadFinished);
    m_load->start();
}

void frmOffen::loadFinished(const retrieval::AwaitingOutcome& outcome) {
    m_load->deleteLater();
    m_load = nullptr;
    m_model.setLoaded(outcome);
    showItems();
    setBusy(false);
    if (outcome.kind != Kind::Done) {
        m_count->setText(outcome.message);
        if (outcome.kind == Kind::NotSignedIn)
            offerSignIn(outcome.message);
        else
            app::MsgBox(outcome.message, app::vbOKOnly | app::vbCritical);
    }
    emit loaded();
}

void frmOffen::showItems() {
    m_list->clear();
    for (int i = 0; i < int(m_model.items().size()); ++i) {
        auto* item = new QTreeWidgetItem(m_list, m_model.row(i));
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (int c = 1; c < m_list->columnCount(); ++c)
        m_list->resizeColumnToContents(c);
    setWindowTitle(m_model.title());
    m_count->setText(m_model.countLine());
}

void frmOffen::selectAll() {
    m_list->selectAll();
}

void frmOffen::rateSelected() {
    if (m_load || m_run)
        return;
    std::vector<int> rows;
    for (QTreeWidgetItem* item : m_list->selectedItems())
        rows.push_back(m_list->indexOfTopLevelItem(item));
    const std::vector<retrieval::AwaitingItem> items = m_model.itemsAt(rows);
    if (items.empty()) {
        app::MsgBox(QStringLiteral("Bitte wählen Sie mindestens einen Artikel aus."),
                    app::vbOKOnly | app::vbExclamation);
        return;
    }
    const std::optional<retrieval::CommentChoice> choice =
        AwaitingModel::choiceFor(m_comment->currentIndex(), m_vorlagen, m_ownText->text());
    if (!choice) {
        app::MsgBox(QStringLiteral("Bitte geben Sie den Text der Bewertung ein."),
                    app::vbOKOnly | app::vbExclamation);
        m_ownText->setFocus();
        return;
    }
    m_results->clear();
    m_summary->clear();
    m_progress->setRange(0, int(items.size()));
    m_progress->setValue(0);
    m_progress->show();
    m_cancel->show();
    setBusy(true);
    m_run = new retrieval::RateBuyersRun(currentSettings(), this);
    connect(m_run, &retrieval::RateBuyersRun::itemDone, this, &frmOffen::itemDone);
    connect(m_run, &retrieval::RateBuyersRun::finished, this, &frmOffen::runFinished);
    m_run->start(items, *choice);
}

void frmOffen::cancel() {
    if (m_run)
        m_run->cancel();
}

void frmOffen::itemDone(const retrieval::ItemRating& rating, int done, int total) {
    m_progress->setRange(0, std::max(1, total));
    m_progress->setValue(done);
    m_results->addItem(rating.message);
    m_model.take(rating);
    showItems();
}

void frmOffen::runFinished(const retrieval::RatingBatchOutcome& outcome) {
    m_run->deleteLater();
    m_run = nullptr;
    setBusy(false);
    m_cancel->hide();
    m_summary->setText(outcome.message);
    if (outcome.kind == BatchKind::NotSignedIn)
        offerSignIn(outcome.message);
    else if (outcome.kind == BatchKind::Failed)
        app::MsgBox(outcome.message, app::vbOKOnly | app::vbCritical);
    emit batchFinished(outcome);
    // The marketplace's count as it is now.
    if (outcome.rated > 0)
        load();
}

void frmOffen::setBusy(bool busy) {
    for (QWidget* w : {static_cast<QWidget*>(m_selectAll), static_cast<QWidget*>(m_rate),
                       static_cast<QWidget*>(m_comment), static_cast<QWidget*>(m_list)})
        w->setEnabled(!busy);
    m_ownText->setEnabled(!busy &&
                          m_comment->currentIndex() == AwaitingModel::ownTextEntry(m_vorlagen));
    m_cancel->setEnabled(busy);
}

// After the message, which said why: as the main window offers it.
void frmOffen::offerSignIn(const QString& message) {
    app::MsgBox(message, app::vbOKOnly | app::vbExclamation);
    if (m_signIn &&
        app::MsgBox(QStringLiteral("Jetzt bei eBay anmelden?"), app::vbYesNo | app::vbQuestion,
                    QStringLiteral("Bei eBay anmelden")) == app::vbYes) {
        m_signIn();
        // A sign-in left unfinished is not offered again at once.
        if (app::signedIn(modini::settings()))
            load();
    }
}

void frmOffen::automaticToggled(bool on) {
    const base::Result<bool> written = app::writeRateAutomatically(modini::settings().file, on);
    if (written) {
        modini::settings().automatischBewerten = on;
        return;
    }
    app::MsgBox(
        QStringLiteral("Die Einstellung konnte nicht gespeichert werden: %1").arg(written.error()),
        app::vbOKOnly | app::vbCritical);
    const QSignalBlocker quiet(m_automatic);
    m_automatic->setChecked(!on);
}

} // namespace ui
