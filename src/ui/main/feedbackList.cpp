#include "ui/main/feedbackList.h"

#include "app/funCDate.h"
#include "base/clock.h"
#include "errors/procedure.h"
#include "ui/main/feedbackListSurface.h"
#include "ui/main/listGeometry.h"

#include <algorithm>
#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace ui {

using namespace list;

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
    return std::any_of(m_rows.begin(), m_rows.end(), [](const Row& r) { return r.newId != 0; });
}

QList<qint64> FeedbackList::newIds() const {
    QList<qint64> ids;
    for (const Row& r : m_rows)
        if (r.newId != 0)
            ids << r.newId;
    return ids;
}

void FeedbackList::keepNew(const QList<qint64>& ids) {
    for (Row& r : m_rows)
        if (!ids.contains(r.newId))
            r.newId = 0;
    m_surface->update();
}

void FeedbackList::subAddListe(qint32 lImage, const QString& sBemerkungtext,
                               const QString& sKaeufer, const QString& sDatum,
                               const QString& sMitglied, const QString& sArtikel,
                               bool bUeberschrift, bool bleer, const QString& sId,
                               const QString& sAntwort, qint64 lNeuId) {
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
        row.newId = bUeberschrift ? 0 : lNeuId;
        if (bUeberschrift)
            lImage = 0;
    });
    p.step([&] {
        if (sDatum != QStringLiteral("Datum")) {
            const QDate date = modGlobal::funCDate(sDatum).date();
            // No link drawn under an item the marketplace left out.
            row.openable =
                date.daysTo(base::Clock::now().date()) <= 90 && !sArtikel.trimmed().isEmpty();
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
