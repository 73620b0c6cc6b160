// The main window's side of answering a rating: the list's context menu,
// Strg+R and the dialog.
#include "app/modGlobal.h"
#include "app/modini.h"
#include "app/msgBox.h"
#include "errors/procedure.h"
#include "errors/runtimeError.h"
#include "store/replyStoring.h"
#include "ui/dialogs/replyDialog.h"
#include "ui/main/feedbackList.h"
#include "ui/main/frmAnzeige.h"

#include <QAction>
#include <QMenu>

namespace ui {

void frmAnzeige::setUpReply() {
    m_answer = new QAction(QStringLiteral("Antworten…"), this);
    m_answer->setObjectName(QStringLiteral("actAntworten"));
    m_answer->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    m_answer->setShortcutContext(Qt::WindowShortcut);
    addAction(m_answer);
    connect(m_answer, &QAction::triggered, this, [this] { answerRating(m_list->currentRow()); });
    connect(m_list, &FeedbackList::menuAsked, this, &frmAnzeige::showListMenu);
}

bool frmAnzeige::canAnswer(int k) const {
    // Placeholders have no id; a foreign member's ratings are not the user's.
    return !modGlobal::bFremdModus && k >= 1 && k <= m_list->rowCount() && !m_list->isHeader(k) &&
           !m_list->ratingId(k).isEmpty() && m_list->reply(k).isEmpty();
}

void frmAnzeige::showListMenu(int k, const QPoint& globalPos) {
    QMenu menu(this);
    QAction* answer = menu.addAction(m_answer->text());
    answer->setObjectName(QStringLiteral("mnuAntworten"));
    answer->setShortcut(m_answer->shortcut());
    answer->setEnabled(canAnswer(k));
    connect(answer, &QAction::triggered, this, [this, k] { answerRating(k); });
    menu.exec(globalPos);
}

void frmAnzeige::answerRating(int k) {
    if (!canAnswer(k))
        return;
    errors::Procedure p("[frmAnzeige] Private Sub answerRating()");
    std::optional<store::ReplyTarget> target;
    p.step([&] {
        target = store::ownRating(modGlobal::sStandardUser, m_list->ratingId(k));
        if (!target || target->placeholder())
            return p.exit();
    });
    p.step([&] {
        if (target->hasReply()) {
            m_list->setReply(k, target->reply);
            app::MsgBox(QStringLiteral("Auf diese Bewertung wurde schon geantwortet."),
                        app::vbOKOnly | app::vbInformation, QStringLiteral("Antworten"));
            return p.exit();
        }
        ReplyDialog dialog(*target, {[] { return modini::settings(); }, [this] { signIn(); }},
                           this);
        dialog.exec();
        // A sign-in from the dialog fills the list anew: the row is found by its id.
        for (int row = 2; row <= m_list->rowCount() && !dialog.outcome().reply.isEmpty(); ++row)
            if (m_list->ratingId(row) == target->id)
                m_list->setReply(row, dialog.outcome().reply);
    });
}

} // namespace ui
