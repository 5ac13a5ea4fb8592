#include "placement.h"

#include <cmath>

WorkArea workAreaFromPixels(const QRect &pixels, double tx, double ty)
{
    auto even = [](double v) { return int(std::nearbyint(v)); }; // default rounding: half to even
    return {even(pixels.left() * tx), even(pixels.top() * ty), even(pixels.width() * tx),
            even(pixels.height() * ty)};
}

QPoint cellOfSlot(int slot, const WorkArea &area)
{
    int k = area.height / kCellHeight;
    if (k < 1)
        k = 1;
    const int c = (slot - 1) / k;
    const int r = (slot - 1) % k + 1;
    int x = area.left + area.width - kCellWidth - c * kCellWidth;
    if (x < area.left)
        x = area.left;
    int y = area.top + area.height - r * kCellHeight;
    if (y < area.top)
        y = area.top;
    return {x, y};
}
