#include "ui/main/windowLayout.h"

#include "ui/main/listGeometry.h"

#include <algorithm>

namespace ui {

WindowLayout computeWindowLayout(int W, int H) {
    WindowLayout l;
    l.picContainer = QRect(120, 960, W - 200, H - 1775);
    l.surfaceWidth = l.picContainer.width();
    // The surface is borderless, so its inner width is its width.
    l.picture2Left = list::panelLeft(l.surfaceWidth);
    l.cmdCloseLeft = W - 1555;
    l.zorButton1Left = l.cmdCloseLeft - 1640;
    l.cmdbackLeft = l.zorButton1Left;
    l.frame1Left = W - 4675;
    l.cmdnextTop = l.picContainer.top() + l.picContainer.height() + 100;
    l.cmdprevTop = l.cmdnextTop;
    l.frame1Top = l.cmdnextTop - 30;
    l.lblProzenteTop = l.cmdnextTop + 60;
    return l;
}

QSize minimumOuterSize(const QSize& outer) {
    return QSize(std::max(outer.width(), kMinOuterWidth),
                 std::max(outer.height(), kMinOuterHeight));
}

} // namespace ui
