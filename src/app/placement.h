#pragma once

#include <QPoint>
#include <QRect>

// Note windows are placed in cells of the desktop's work area, in twips.
constexpr int kCellWidth = 4965;
constexpr int kCellHeight = 1680;

struct WorkArea {
    int left = 0, top = 0, width = 0, height = 0; // twips
    bool operator==(const WorkArea &) const = default;
};

// Converts the available desktop area in pixels, each product rounded half to even.
WorkArea workAreaFromPixels(const QRect &pixels, double twipsPerPixelX, double twipsPerPixelY);

// Top-left corner, in twips, of the cell of a window slot: slot 1 bottom right, then
// up the right edge, then the next column to the left; columns that do not fit press
// against the left edge. A work area lower than one cell counts as one cell high.
QPoint cellOfSlot(int slot, const WorkArea &area);
