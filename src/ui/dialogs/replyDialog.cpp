#include "ui/dialogs/replyDialog.h"

#include "app/msgBox.h"
#include "base/kindWord.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

using Kind = retrieval::ReplyOutcome::Kind;

ReplyDialog::ReplyDialog(const store::ReplyTarget& target, Hooks hooks, QWidget* parent)
    : QDialog(parent), m_target(target), m_hooks(std::move(hooks)) {
    setObjectName(QStringLiteral("frmAntwort"));
    setWindowTitle(QStringLiteral("Auf eine Bewertung antworten"));
    auto* rating = new QFormLayout;
    const auto add = [&](const QString& label, const QString& value) {
        auto* shown = new QLabel(value, this);
        shown->setWordWrap(true);
        shown->setTextFormat(Qt::PlainText);
        rating->addRow(label, shown);
    };
    add(QStringLiteral("Art:"), feedback::kindWord(feedback::kindOf(target.kind)));
    add(QStringLiteral("Datum:"), target.date);
    add(QStringLiteral("Von:"), target.giver);
    add(QStringLiteral("Kommentar:"), target.comment);

    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("txtAntwort"));
    m_text->setTabChangesFocus(true);
    m_count = new QLabel(retrieval::remainingText(0), this);
    m_count->setObjectName(QStringLiteral("lblZeichen"));
    connect(m_text, &QPlainTextEdit::textChanged, this, &ReplyDialog::textChanged);

    auto* buttons = new QDialogButtonBox(this);
    m_senden = buttons->addButton(QStringLiteral("Senden"), QDialogButtonBox::AcceptRole);
    m_senden->setObjectName(QStringLiteral("cmdSenden"));
    m_abbrechen = buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    m_abbrechen->setObjectName(QStringLiteral("cmdAbbrechen"));
    connect(m_senden, &QPushButton::clicked, this, &ReplyDialog::send);
    connect(m_abbrechen, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rating);
    layout->addWidget(new QLabel(QStringLiteral("Ihre Antwort:"), this));
    layout->addWidget(m_text);
    layout->addWidget(m_count);
    layout->addWidget(buttons);
    resize(480, 360);
}

ReplyDialog::~ReplyDialog() = default;

void ReplyDialog::textChanged() {
    m_count->setText(retrieval::remainingText(m_text->toPlainText().size()));
}

void ReplyDialog::send() {
    if (m_run && m_run->isRunning())
        return;
    m_senden->setEnabled(false);
    m_text->setReadOnly(true);
    // A new run each time: a sign-in in between changes the settings.
    m_run = std::make_unique<retrieval::ReplyRun>(m_hooks.settings());
    connect(m_run.get(), &retrieval::ReplyRun::finished, this, &ReplyDialog::finished);
    m_run->start(m_target.id, m_text->toPlainText());
}

void ReplyDialog::finished(const retrieval::ReplyOutcome& outcome) {
    m_outcome = outcome;
    m_senden->setEnabled(true);
    m_text->setReadOnly(false);
    if (outcome.kind == Kind::Sent)
        return accept();
    const bool keep = outcome.keepText;
    app::MsgBox(outcome.message, app::vbOKOnly | (keep ? app::vbExclamation : app::vbInformation),
                QStringLiteral("Antworten"));
    if (outcome.kind == Kind::NotSignedIn && m_hooks.signIn &&
        app::MsgBox(QStringLiteral("Jetzt bei eBay anmelden?"), app::vbYesNo | app::vbQuestion,
                    QStringLiteral("Bei eBay anmelden")) == app::vbYes)
        m_hooks.signIn();
    if (!keep)
        accept();
    else
        m_text->setFocus();
}

} // namespace ui
