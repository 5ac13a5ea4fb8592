#pragma once

#include <QColor>
#include <QRect>
#include <QSize>

class QWidget;

// Form layouts are given in twips; on screen 15 twips make one device-independent pixel.
namespace twips {

constexpr int kPerPixel = 15;

inline const QColor kLightYellow(255, 255, 128);
inline const QColor kRed(255, 0, 0);

// To the nearest pixel.
constexpr int px(int t)
{
    return (t + (t >= 0 ? kPerPixel / 2 : -(kPerPixel / 2))) / kPerPixel;
}
inline QRect rect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}
inline QSize size(int width, int height)
{
    return QSize(px(width), px(height));
}

// Paints a widget's background (and a text box's base) in a colour of its own.
void setBackground(QWidget *widget, const QColor &colour);

} // namespace twips
