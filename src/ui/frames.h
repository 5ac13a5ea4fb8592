#pragma once

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>

#include <functional>

class QObject;
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

// Calls `then` once each of `windows` is on screen, exposed by the window system, or closed; after
// 3 s at the latest. Qt asks the window manager to activate a window shown only once it is mapped,
// and a window manager may give a new window the focus then: what is to be active after them is
// asked for afterwards.
void whenOnScreen(const QList<QWidget *> &windows, QObject *context, std::function<void()> then);
