#pragma once

#include "ui/controls/twips.h"

#include <array>
#include <QFrame>
#include <QPixmap>
#include <vector>

class QScrollBar;

namespace ui {

// The rating list: a frame with a scroll bar and a surface that paints its
// rows itself (a page of 200 rows costs no widgets). Row 1 is the bold
// header; rows scroll in whole rows.
class FeedbackList : public QFrame {
    Q_OBJECT
public:
    explicit FeedbackList(QWidget* parent = nullptr);

    void subInitListe();
    void subClearListe();
    void subAddListe(qint32 lImage, const QString& sBemerkungtext, const QString& sKaeufer,
                     const QString& sDatum, const QString& sMitglied, const QString& sArtikel,
                     bool bUeberschrift = false, bool bleer = false, const QString& sId = {},
                     const QString& sAntwort = {}, qint64 lNeuId = 0);

    // lListenZeilen: rows that exist, header included.
    qint32 rowCount() const { return qint32(m_rows.size()); }
    // The five captions of row k (1-based), each with its leading blank.
    QStringList captions(int k) const;
    int image(int k) const { return m_rows.at(size_t(k - 1)).image; }
    bool isHeader(int k) const { return m_rows.at(size_t(k - 1)).header; }
    // A recent row: hand pointer, tooltip, underlined item number.
    bool isOpenable(int k) const { return m_rows.at(size_t(k - 1)).openable; }
    // The rating's marketplace id and the member's reply, empty for none. A
    // row with a reply shows it on a second line.
    const QString& ratingId(int k) const { return m_rows.at(size_t(k - 1)).id; }
    const QString& reply(int k) const { return m_rows.at(size_t(k - 1)).reply; }
    static QString replyCaption(const QString& reply) {
        return QStringLiteral("Antwort: ") + reply;
    }
    // A rating stored since the member last looked (lNeuId, its store id,
    // not 0): painted bold.
    bool isNew(int k) const { return m_rows.at(size_t(k - 1)).newId != 0; }
    bool hasNew() const;
    // The store ids of the new rows.
    QList<qint64> newIds() const;
    // The member has seen the others: only rows of these ids stay bold.
    void keepNew(const QList<qint64>& ids);
    // Shows a reply stored since the row was filled; the rows below move down.
    void setReply(int k, const QString& reply);
    // The row last clicked, 0 for none; the keyboard's commands act on it.
    int currentRow() const { return m_current; }
    void setCurrentRow(int k);
    // The row at the top of the frame (the scroll value).
    int firstVisibleRow() const;
    QScrollBar* scrListe() const { return m_scroll; }

    // The surface's width in twips (the window's resize rule sets it).
    void setSurfaceWidth(int twips);
    int surfaceWidth() const { return m_surfaceWidth; }
    int panelLeft() const;

    // Where a point of the surface lies: row (1-based, 0 for none) and
    // column (1 to 6, 0 for a gap).
    struct Cell {
        int row = 0;
        int column = 0;
    };
    Cell cellAt(const QPoint& surfacePos) const;
    QRect cellRect(int row, int column) const; // in surface pixels
    QWidget* surface() const { return m_surface; }

    static QString openTooltip() {
        return QStringLiteral("Mit einem Doppelklick gelangen Sie zur Auktion");
    }

signals:
    // A double-click on columns 2 to 6 of row k.
    void zurAuktion(int k);
    // The context menu asked for on row k (0: no row) at a global position.
    void menuAsked(int k, const QPoint& globalPos);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class ListSurface;
    struct Row {
        int image = 0;
        std::array<QString, 5> captions;
        bool header = false;
        bool openable = false;
        qint64 newId = 0;
        QString id;
        QString reply;
        int top = 0; // in twips, from the surface's top with no scrolling
        int lines() const { return reply.isEmpty() ? 1 : 2; }
    };

    void placeChildren();
    void scrListe_Change();
    void scrListe_GotFocus();
    void cellDoubleClick(const Cell& cell);
    void cellMouseMove(const Cell& cell);
    void cellClick(const Cell& cell);
    void paintSurface(QPainter& painter, const QRect& exposed);
    void moveBy(int rows);
    void clearRows();
    int scrollOffset() const; // twips above the surface's top

    Twips m_twips;
    QScrollBar* m_scroll = nullptr;
    QWidget* m_surface = nullptr;
    std::vector<Row> m_rows;
    int m_surfaceWidth = 0;
    int m_current = 0;
    std::array<QPixmap, 4> m_images;
};

} // namespace ui
