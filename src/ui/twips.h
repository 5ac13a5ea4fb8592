#pragma once

#include <QColor>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QSize>

class QWidget;

// Form layouts are given in twips; on screen 15 twips make one device-independent pixel.
namespace twips {

constexpr int kPerPixel = 15;

inline const QColor kLightYellow(255, 255, 128);
inline const QColor kRed(255, 0, 0);
inline const QColor kText(0, 0, 0); // the text on those backgrounds, whatever the desktop's colours

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

// Paints a widget's background (and a text box's base) in a colour of its own, and its text in
// the colour that reads on it.
void setBackground(QWidget *widget, const QColor &colour);

// Gives a widget the desktop's own colours, whatever the window around it has.
void keepSystemColours(QWidget *widget);

// A form laid out in twips at the font it was drawn for. At a larger desktop font a caption may
// not fit its control: the whole form then stretches, positions and sizes alike, by what the most
// cramped control needs, so that every caption shows whole and nothing overlaps. Its text boxes
// and lists take a desktop font larger than the default, and the form grows in proportion (see
// fontsize.h). Where every caption fits, at the default font, each control keeps its twips geometry.
class Form {
public:
    explicit Form(QWidget *window) : m_window(window) {}

    // A control at its geometry at scale 1, in its parent.
    void place(QWidget *control, const QRect &geometry);
    // Stretches the form as its captions need and fixes the window's size, `client` at scale 1.
    void fit(QSize client);

private:
    struct Placed {
        QPointer<QWidget> control;
        QRect geometry;
    };
    int roomRight(const Placed &placed) const;

    QWidget *m_window;
    QList<Placed> m_placed;
};

} // namespace twips
