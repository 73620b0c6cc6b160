#pragma once

#include <array>

namespace ui::list {

// The list's geometry in twips.
inline constexpr int kGap = 15;
inline constexpr int kRowHeight = 255; // h: one line of text
inline constexpr int kRowPitch = kRowHeight + kGap;
inline constexpr int kScrollBarWidth = 255;
inline constexpr int kPanelWidth = 5655;

// Columns 1 and 2 sit on the surface; 3 to 6 inside the right-hand panel.
struct Column {
    int left;
    int width;
};
inline constexpr Column kImage{3 * kGap, 270};
inline constexpr Column kRemark{kImage.left + kImage.width + kGap, 17005};
inline constexpr Column kKaeufer{kGap, 495};
inline constexpr Column kDatum{kKaeufer.left + kKaeufer.width + kGap, 1500};
inline constexpr Column kMitglied{kDatum.left + kDatum.width + kGap, 2310};
inline constexpr Column kArtikel{kMitglied.left + kMitglied.width + kGap, 1335};

// Height of a row of one or more lines: a rating with a reply takes two.
constexpr int rowHeight(int lines) {
    return kRowHeight * lines + kGap * (lines - 1);
}

// Top of row k (1-based) on the surface, all rows of one line.
constexpr int rowTop(int k) {
    return kRowPitch * (k - 1) + kGap;
}
// Height of the surface and the panel with n rows.
constexpr int surfaceHeight(int n) {
    return kRowPitch * n + kGap;
}
// The panel's left on a surface of the given inner width: the fixed columns
// end just left of the scroll bar.
constexpr int panelLeft(int surfaceWidth) {
    return surfaceWidth - 6355 + kRemark.left + kGap;
}

} // namespace ui::list
