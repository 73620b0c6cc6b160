#pragma once

#include <QObject>
#include <QTimer>

class QWidget;

namespace ui {

class FeedbackList;

// Moves the member's mark of seen ratings once the window has been the
// active window for a while without a break, then paints the list's new
// rows as usual. Only the new rows on display then count as seen (see
// store::markSeen). A deactivation, or new rows shown, start the while anew.
class SeenMark : public QObject {
    Q_OBJECT
public:
    static constexpr int kDelayMs = 3000;

    SeenMark(QWidget* window, FeedbackList* list);

    void setDelay(int ms) { m_timer.setInterval(ms); }
    int delay() const { return m_timer.interval(); }
    // Rows shown while the window is active: new ones are seen after a whole while.
    void rowsShown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void seen();

    QWidget* m_window;
    FeedbackList* m_list;
    QTimer m_timer;
};

} // namespace ui
