#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>

class QWidget;

// Windows are placed by their outer frame, title bar included. A window manager frames a window
// only once it is on screen, and Qt knows the frame's size only then: a window shown for the
// first time is placed by the position it asks for before it is shown, which the window manager
// gives to the frame, and checked once more when its frame is known.

// Shows a top-level window, of its final size, with its frame's top-left corner at `frame`.
void showFrameAt(QWidget *window, QPoint frame);

// Remembers the frame of a window about to be withdrawn, which loses it until shown again; the
// frame it had when last seen framed.
QMargins keepFrame(QWidget *window);

// Shows a top-level window with its frame centred on `area`, rounding down.
void showFrameCentred(QWidget *window, const QRect &area);
