#pragma once

#include <QRect>
#include <QWidget>

namespace ui {

// Layout lengths are kept in twips and converted at the edge: 15 twips are
// one pixel at 96 dpi, scaled with the screen's logical DPI.
class Twips {
public:
    explicit Twips(double logicalDpi = 96.0) : m_pxPerTwip(logicalDpi / 96.0 / 15.0) {}
    static Twips of(const QWidget* widget) { return Twips(widget ? widget->logicalDpiY() : 96.0); }

    int toPx(int twips) const { return int(twips * m_pxPerTwip + (twips >= 0 ? 0.5 : -0.5)); }
    int toTwips(int px) const { return int(px / m_pxPerTwip + (px >= 0 ? 0.5 : -0.5)); }
    QRect toPx(const QRect& twips) const {
        return QRect(toPx(twips.x()), toPx(twips.y()), toPx(twips.width()), toPx(twips.height()));
    }

private:
    double m_pxPerTwip;
};

} // namespace ui
