#include "ui/main/seenMark.h"

#include "app/modGlobal.h"
#include "store/dataAccess.h"
#include "store/seenRatings.h"
#include "ui/main/feedbackList.h"

#include <QEvent>
#include <QWidget>

namespace ui {

SeenMark::SeenMark(QWidget* window, FeedbackList* list)
    : QObject(window), m_window(window), m_list(list) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(kDelayMs);
    connect(&m_timer, &QTimer::timeout, this, &SeenMark::seen);
    window->installEventFilter(this);
}

void SeenMark::rowsShown() {
    if (m_window->isActiveWindow() && m_list->hasNew())
        m_timer.start();
}

bool SeenMark::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window) {
        if (event->type() == QEvent::WindowActivate)
            m_timer.start();
        else if (event->type() == QEvent::WindowDeactivate)
            m_timer.stop();
    }
    return QObject::eventFilter(watched, event);
}

void SeenMark::seen() {
    // A foreign member's list shows none of the member's own ratings.
    if (modGlobal::bFremdModus || modGlobal::sStandardUser.isEmpty())
        return;
    const QList<qint64> shown = m_list->newIds();
    if (shown.isEmpty())
        return;
    // A file that cannot take the mark now keeps the rows bold; the next
    // activation tries again.
    QList<qint64> stillNew;
    try {
        stillNew = store::markSeen(store::openConnection(), modGlobal::sStandardUser, shown);
    } catch (const store::DatabaseError&) {
        return;
    }
    m_list->keepNew(stillNew);
}

} // namespace ui
