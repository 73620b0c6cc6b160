#pragma once

#include <QRect>

namespace ui {

// Where the main window's movable controls go for a client area, all in
// twips. The window opens with a client area of 13635 x 5985.
struct WindowLayout {
    QRect picContainer;
    int surfaceWidth = 0; // picScroll
    int picture2Left = 0;
    int cmdCloseLeft = 0;
    int zorButton1Left = 0;
    int cmdbackLeft = 0;
    int frame1Left = 0;
    int frame1Top = 0;
    int cmdnextTop = 0;
    int cmdprevTop = 0;
    int lblProzenteTop = 0;
};

inline constexpr int kStartClientWidth = 13635;
inline constexpr int kStartClientHeight = 5985;
inline constexpr int kMinOuterWidth = 13755;
inline constexpr int kMinOuterHeight = 6270;

WindowLayout computeWindowLayout(int clientWidth, int clientHeight);

// The outer size a window in the normal state is held to.
QSize minimumOuterSize(const QSize& outer);

} // namespace ui
