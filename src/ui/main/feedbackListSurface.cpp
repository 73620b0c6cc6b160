#include "ui/main/feedbackListSurface.h"

#include "errors/procedure.h"
#include "ui/main/feedbackList.h"
#include "ui/main/listGeometry.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

// What the list's surface paints and how it answers the mouse.
namespace ui {

using namespace list;

ListSurface::ListSurface(FeedbackList* list) : QWidget(list), m_list(list) {
    setObjectName(QStringLiteral("picScroll"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ListSurface::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    m_list->paintSurface(painter, event->rect());
}

void ListSurface::mouseMoveEvent(QMouseEvent* e) {
    m_list->cellMouseMove(m_list->cellAt(e->position().toPoint()));
}

void ListSurface::mousePressEvent(QMouseEvent* e) {
    m_list->cellClick(m_list->cellAt(e->position().toPoint()));
}

void ListSurface::mouseDoubleClickEvent(QMouseEvent* e) {
    m_list->cellDoubleClick(m_list->cellAt(e->position().toPoint()));
}

void ListSurface::contextMenuEvent(QContextMenuEvent* e) {
    const int row = m_list->cellAt(e->pos()).row;
    const int k = row > 0 && !m_list->isHeader(row) ? row : 0;
    if (k > 0)
        m_list->setCurrentRow(k);
    emit m_list->menuAsked(k, e->globalPos());
}

bool ListSurface::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const FeedbackList::Cell cell = m_list->cellAt(help->pos());
        if (cell.row > 0 && cell.column >= 2 && m_list->isOpenable(cell.row))
            QToolTip::showText(help->globalPos(), FeedbackList::openTooltip(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(e);
}

void FeedbackList::paintSurface(QPainter& painter, const QRect& exposed) {
    painter.fillRect(exposed, QColor(128, 128, 128));
    const int first = firstVisibleRow();
    const int bottom = m_twips.toTwips(m_surface->height()) + scrollOffset();
    const QFont normal = font();
    QFont bold = normal;
    bold.setBold(true);
    QFont underlined = normal;
    underlined.setUnderline(true);
    QFont boldUnderlined = bold;
    boldUnderlined.setUnderline(true);
    const Qt::Alignment align[6] = {Qt::AlignLeft, Qt::AlignLeft, Qt::AlignHCenter,
                                    Qt::AlignLeft, Qt::AlignLeft, Qt::AlignHCenter};
    for (int k = first; k <= rowCount() && m_rows[size_t(k - 1)].top < bottom; ++k) {
        const Row& row = m_rows[size_t(k - 1)];
        const QRect image = cellRect(k, 1);
        if (!image.intersects(exposed))
            continue;
        painter.fillRect(image, QColor(224, 224, 224));
        if (row.image)
            painter.drawPixmap(image.topLeft(), m_images[size_t(row.image)]);
        for (int column = 2; column <= 6; ++column) {
            const QRect cell = cellRect(k, column);
            if (cell.width() <= 0)
                continue;
            painter.fillRect(cell, k == m_current ? QColor(220, 232, 248) : QColor(Qt::white));
            const bool link = column == 6 && row.openable && !row.header;
            painter.setFont(row.header || row.newId != 0 ? (link ? boldUnderlined : bold)
                            : link                       ? underlined
                                                         : normal);
            painter.setPen(Qt::black);
            const Qt::Alignment a = row.header && column > 2 ? Qt::AlignHCenter : align[column - 1];
            painter.save();
            painter.setClipRect(cell);
            // Each text keeps to the first line; the comment's reply takes the second.
            const QRect line(cell.left(), cell.top(), cell.width(), m_twips.toPx(kRowHeight));
            painter.drawText(line, int(a | Qt::AlignVCenter | Qt::TextSingleLine),
                             row.captions[size_t(column - 2)]);
            if (column == 2 && !row.reply.isEmpty()) {
                painter.setPen(QColor(105, 105, 105));
                painter.drawText(line.translated(0, m_twips.toPx(kRowHeight + kGap)),
                                 int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine),
                                 QLatin1Char(' ') + replyCaption(row.reply));
            }
            painter.restore();
        }
    }
}

void FeedbackList::cellMouseMove(const Cell& cell) {
    if (cell.row < 1 || cell.column < 1) {
        m_surface->unsetCursor();
        return;
    }
    static const char* const signatures[7] = {
        nullptr,
        "[frmAnzeige] Private Sub img16_MouseMove(Index As Integer, Button As Integer, Shift As "
        "Integer, X As Single, Y As Single)",
        "[frmAnzeige] Private Sub labBemerkungText_MouseMove(Index As Integer, Button As Integer, "
        "Shift As Integer, X As Single, Y As Single)",
        "[frmAnzeige] Private Sub labKaeufer_MouseMove(Index As Integer, Button As Integer, Shift "
        "As Integer, X As Single, Y As Single)",
        "[frmAnzeige] Private Sub labDatum_MouseMove(Index As Integer, Button As Integer, Shift As "
        "Integer, X As Single, Y As Single)",
        "[frmAnzeige] Private Sub labMitglied_MouseMove(Index As Integer, Button As Integer, Shift "
        "As Integer, X As Single, Y As Single)",
        "[frmAnzeige] Private Sub labArtikel_MouseMove(Index As Integer, Button As Integer, Shift "
        "As Integer, X As Single, Y As Single)"};
    errors::Procedure p(signatures[cell.column]);
    p.step([&] { setFocus(Qt::MouseFocusReason); });
    p.step([&] {
        if (cell.column >= 2 && isOpenable(cell.row))
            m_surface->setCursor(Qt::PointingHandCursor);
        else
            m_surface->unsetCursor();
    });
}

void FeedbackList::cellClick(const Cell& cell) {
    if (cell.row < 1 || cell.column < 1)
        return;
    static const char* const signatures[7] = {
        nullptr,
        "[frmAnzeige] Private Sub img16_Click(Index As Integer)",
        "[frmAnzeige] Private Sub labBemerkungText_Click(Index As Integer)",
        "[frmAnzeige] Private Sub labKaeufer_Click(Index As Integer)",
        "[frmAnzeige] Private Sub labDatum_Click(Index As Integer)",
        "[frmAnzeige] Private Sub labMitglied_Click(Index As Integer)",
        "[frmAnzeige] Private Sub labArtikel_Click(Index As Integer)"};
    errors::Procedure p(signatures[cell.column], errors::Handling::SkipSilently);
    p.step([&] { setFocus(Qt::MouseFocusReason); });
    p.step([&] { setCurrentRow(cell.row); });
}

void FeedbackList::cellDoubleClick(const Cell& cell) {
    if (cell.row < 1 || cell.column < 2)
        return; // the image column opens nothing
    static const char* const signatures[7] = {
        nullptr,
        nullptr,
        "[frmAnzeige] Private Sub labBemerkungText_DblClick(Index As Integer)",
        "[frmAnzeige] Private Sub labKaeufer_DblClick(Index As Integer)",
        "[frmAnzeige] Private Sub labDatum_DblClick(Index As Integer)",
        "[frmAnzeige] Private Sub labMitglied_DblClick(Index As Integer)",
        "[frmAnzeige] Private Sub labArtikel_DblClick(Index As Integer)"};
    errors::Procedure p(signatures[cell.column]);
    p.step([&] { emit zurAuktion(cell.row); });
}

} // namespace ui
