#pragma once

#include <QWidget>

namespace ui {

class FeedbackList;

// The list's scrolling surface: paints only the rows in view and hands the
// mouse to the list by cell.
class ListSurface : public QWidget {
public:
    explicit ListSurface(FeedbackList* list);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    bool event(QEvent* e) override;

private:
    FeedbackList* m_list;
};

} // namespace ui
