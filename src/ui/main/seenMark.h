#pragma once

#include <QObject>
#include <QTimer>

class QWidget;

namespace ui {

class FeedbackList;

// Moves the member's mark of seen ratings once the window has been the
// active window for a while without a break, then paints the list's new
// rows as usual. A deactivation before that starts the while anew.
class SeenMark : public QObject {
    Q_OBJECT
public:
    static constexpr int kDelayMs = 3000;

    SeenMark(QWidget* window, FeedbackList* list);

    void setDelay(int ms) { m_timer.setInterval(ms); }
    int delay() const { return m_timer.interval(); }
    // New rows shown while the window is active: they are seen after the while.
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
