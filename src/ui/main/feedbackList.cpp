#include "ui/main/feedbackList.h"

#include "app/funCDate.h"
#include "base/clock.h"
#include "errors/procedure.h"
#include "ui/main/listGeometry.h"

#include <algorithm>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

namespace ui {

using namespace list;

// The scrolling surface: paints only the rows in view.
class ListSurface : public QWidget {
public:
    explicit ListSurface(FeedbackList* list) : QWidget(list), m_list(list) {
        setObjectName(QStringLiteral("picScroll"));
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        m_list->paintSurface(painter, event->rect());
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        m_list->cellMouseMove(m_list->cellAt(e->position().toPoint()));
    }
    void mousePressEvent(QMouseEvent* e) override {
        m_list->cellClick(m_list->cellAt(e->position().toPoint()));
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        m_list->cellDoubleClick(m_list->cellAt(e->position().toPoint()));
    }
    void contextMenuEvent(QContextMenuEvent* e) override {
        const int row = m_list->cellAt(e->pos()).row;
        const int k = row > 0 && !m_list->isHeader(row) ? row : 0;
        if (k > 0)
            m_list->setCurrentRow(k);
        emit m_list->menuAsked(k, e->globalPos());
    }
    bool event(QEvent* e) override {
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

private:
    FeedbackList* m_list;
};

FeedbackList::FeedbackList(QWidget* parent) : QFrame(parent), m_twips(Twips::of(parent)) {
    setObjectName(QStringLiteral("picContainer"));
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(224, 224, 224));
    setPalette(pal);
    setAutoFillBackground(true);
    // The cells were laid out for an 8-point font: a date and a twelve-digit
    // item number fit their columns at this size.
    QFont cellFont = font();
    cellFont.setPointSize(8);
    setFont(cellFont);

    m_surface = new ListSurface(this);
    m_scroll = new QScrollBar(Qt::Vertical, this);
    m_scroll->setObjectName(QStringLiteral("scrListe"));
    m_scroll->setSingleStep(1);
    m_scroll->setPageStep(10);
    m_scroll->setRange(1, 1);
    m_scroll->installEventFilter(this);
    connect(m_scroll, &QScrollBar::valueChanged, this, [this] { scrListe_Change(); });

    m_images[1] = QPixmap(QStringLiteral(":/images/positiv.png"));
    m_images[2] = QPixmap(QStringLiteral(":/images/neutral.png"));
    m_images[3] = QPixmap(QStringLiteral(":/images/negativ.png"));
    placeChildren();
}

void FeedbackList::placeChildren() {
    const QRect inner = contentsRect();
    const int barWidth = m_twips.toPx(kScrollBarWidth);
    m_scroll->setGeometry(inner.right() + 1 - barWidth, inner.top(), barWidth, inner.height());
    const int surfaceWidth =
        m_surfaceWidth > 0 ? m_twips.toPx(m_surfaceWidth) : inner.width() - barWidth;
    // The window's rule makes the surface as wide as the whole list, so the
    // scroll bar lies over its right end; the columns are placed for that width.
    m_surface->setGeometry(inner.left(), inner.top(), std::max(0, surfaceWidth), inner.height());
    m_scroll->raise();
}

void FeedbackList::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    placeChildren();
}

void FeedbackList::setSurfaceWidth(int twips) {
    m_surfaceWidth = twips;
    placeChildren();
    m_surface->update();
}

int FeedbackList::panelLeft() const {
    return list::panelLeft(m_twips.toTwips(m_surface->width()));
}

void FeedbackList::subInitListe() {
    errors::Procedure p("[frmAnzeige] Private Sub subInitListe()");
    p.step([&] { placeChildren(); });
    p.step([&] {
        m_scroll->setMinimum(1);
        m_scroll->setMaximum(1);
    });
    p.step([&] { clearRows(); });
    p.step([&] {
        subAddListe(1, QStringLiteral("Bemerkungstext"), QStringLiteral("K/V"),
                    QStringLiteral("Datum"), QStringLiteral("Ebay-User"),
                    QStringLiteral("Artikelnummer"), true, false);
    });
}

void FeedbackList::subClearListe() {
    errors::Procedure p("[frmAnzeige] Private Sub subClearListe()");
    p.step([&] {
        clearRows();
        m_surface->update();
    });
    p.step([&] { placeChildren(); });
    p.step([&] {
        m_scroll->setMinimum(1);
        m_scroll->setMaximum(1);
    });
    p.step([&] {
        subAddListe(1, QStringLiteral("Bemerkungstext"), QStringLiteral("K/V"),
                    QStringLiteral("Datum"), QStringLiteral("Ebay-User"),
                    QStringLiteral("Artikelnummer"), true, false);
    });
}

bool FeedbackList::hasNew() const {
    return std::any_of(m_rows.begin(), m_rows.end(), [](const Row& r) { return r.fresh; });
}

void FeedbackList::clearNew() {
    for (Row& r : m_rows)
        r.fresh = false;
    m_surface->update();
}

void FeedbackList::subAddListe(qint32 lImage, const QString& sBemerkungtext,
                               const QString& sKaeufer, const QString& sDatum,
                               const QString& sMitglied, const QString& sArtikel,
                               bool bUeberschrift, bool bleer, const QString& sId,
                               const QString& sAntwort, bool bNeu) {
    errors::Procedure p(
        "[frmAnzeige] Public Sub subAddListe(ByVal lImage As Long, ByVal sBemerkungtext As "
        "String, ByVal sKaeufer As String, ByVal sDatum As String, ByVal sMitglied As String, "
        "ByVal sArtikel As String, Optional bUeberschrift As Boolean = False, Optional bleer As "
        "Boolean)");
    Q_UNUSED(bleer);
    Row row;
    p.step([&] {
        // Row numbers are 16-bit.
        if (m_rows.size() + 1 > 32767)
            errors::raise(errors::RuntimeError::Overflow);
    });
    p.step([&] {
        row.header = bUeberschrift;
        row.fresh = bNeu && !bUeberschrift;
        if (bUeberschrift)
            lImage = 0;
    });
    p.step([&] {
        if (sDatum != QStringLiteral("Datum")) {
            const QDate date = modGlobal::funCDate(sDatum).date();
            row.openable = date.daysTo(base::Clock::now().date()) <= 90;
        }
    });
    p.step([&] { row.image = (lImage >= 1 && lImage <= 3) ? int(lImage) : 0; });
    p.step([&] {
        row.id = sId;
        row.reply = bUeberschrift ? QString() : sAntwort;
        row.top =
            m_rows.empty() ? kGap : m_rows.back().top + rowHeight(m_rows.back().lines()) + kGap;
    });
    p.step([&] {
        const QString blank = QStringLiteral(" ");
        row.captions = {blank + sBemerkungtext, blank + sKaeufer, blank + sDatum, blank + sMitglied,
                        blank + sArtikel};
    });
    p.step([&] {
        m_rows.push_back(std::move(row));
        m_scroll->setMaximum(rowCount());
        // Only the new row needs painting; one below the frame needs none.
        const int k = rowCount();
        const QRect band(0, cellRect(k, 1).top(), m_surface->width(),
                         m_twips.toPx(rowHeight(m_rows.back().lines()) + kGap));
        if (band.intersects(m_surface->rect()))
            m_surface->update(band);
    });
}

QStringList FeedbackList::captions(int k) const {
    const Row& r = m_rows.at(size_t(k - 1));
    return QStringList(r.captions.begin(), r.captions.end());
}

int FeedbackList::firstVisibleRow() const {
    return m_scroll->value();
}

void FeedbackList::setCurrentRow(int k) {
    m_current = k >= 1 && k <= rowCount() && !isHeader(k) ? k : 0;
    m_surface->update();
}

void FeedbackList::setReply(int k, const QString& reply) {
    if (k < 1 || k > rowCount() || isHeader(k))
        return;
    m_rows[size_t(k - 1)].reply = reply;
    for (size_t i = size_t(k); i < m_rows.size(); ++i)
        m_rows[i].top = m_rows[i - 1].top + rowHeight(m_rows[i - 1].lines()) + kGap;
    m_surface->update();
}

void FeedbackList::clearRows() {
    m_rows.clear();
    m_current = 0;
}

int FeedbackList::scrollOffset() const {
    const int first = firstVisibleRow();
    return first >= 1 && first <= rowCount() ? m_rows[size_t(first - 1)].top - kGap : 0;
}

void FeedbackList::scrListe_Change() {
    errors::Procedure p("[frmAnzeige] Private Sub scrListe_Change()");
    p.step([&] { m_surface->update(); });
}

void FeedbackList::scrListe_GotFocus() {
    errors::Procedure p("[frmAnzeige] Private Sub scrListe_GotFocus()",
                        errors::Handling::SkipSilently);
    p.step([&] { setFocus(Qt::OtherFocusReason); });
}

QRect FeedbackList::cellRect(int row, int column) const {
    if (row < 1 || row > rowCount())
        return {};
    const Row& shown = m_rows[size_t(row - 1)];
    const int top = shown.top - scrollOffset();
    const int panel = panelLeft();
    Column c{};
    switch (column) {
    case 1:
        c = kImage;
        break;
    case 2:
        c = kRemark;
        break;
    case 3:
        c = {panel + kKaeufer.left, kKaeufer.width};
        break;
    case 4:
        c = {panel + kDatum.left, kDatum.width};
        break;
    case 5:
        c = {panel + kMitglied.left, kMitglied.width};
        break;
    case 6:
        c = {panel + kArtikel.left, kArtikel.width};
        break;
    default:
        return {};
    }
    QRect r = m_twips.toPx(QRect(c.left, top, c.width, rowHeight(shown.lines())));
    // The remark column ends where the panel begins.
    if (column == 2)
        r.setRight(std::min(r.right(), m_twips.toPx(panel) - 1));
    return r;
}

FeedbackList::Cell FeedbackList::cellAt(const QPoint& pos) const {
    const int y = m_twips.toTwips(pos.y()) + scrollOffset();
    const auto after = std::upper_bound(m_rows.begin(), m_rows.end(), y,
                                        [](int v, const Row& r) { return v < r.top; });
    const int row = int(after - m_rows.begin());
    // A row reaches down to the next one's top, the gap below it included.
    if (row < 1 ||
        y >= m_rows[size_t(row - 1)].top + rowHeight(m_rows[size_t(row - 1)].lines()) + kGap)
        return {};
    for (int column = 1; column <= 6; ++column)
        if (cellRect(row, column).contains(pos))
            return {row, column};
    return {row, 0};
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
            painter.setFont(row.header || row.fresh ? (link ? boldUnderlined : bold)
                            : link                  ? underlined
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

void FeedbackList::moveBy(int rows) {
    // Like the hidden slider: a value outside the rows leaves the list where it is.
    const int target = m_scroll->value() + rows;
    m_scroll->setValue(std::clamp(target, m_scroll->minimum(), m_scroll->maximum()));
}

void FeedbackList::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
        moveBy(-1);
        break;
    case Qt::Key_Down:
        moveBy(1);
        break;
    case Qt::Key_PageUp:
        moveBy(-5);
        break;
    case Qt::Key_PageDown:
        moveBy(5);
        break;
    case Qt::Key_Home:
        m_scroll->setValue(m_scroll->minimum());
        break;
    case Qt::Key_End:
        m_scroll->setValue(m_scroll->maximum());
        break;
    default:
        QFrame::keyPressEvent(event);
        return;
    }
    event->accept();
}

void FeedbackList::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0)
        moveBy(-3 * steps);
    event->accept();
}

bool FeedbackList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_scroll && event->type() == QEvent::FocusIn)
        scrListe_GotFocus();
    return QFrame::eventFilter(watched, event);
}

} // namespace ui
