#pragma once

#include <QIcon>
#include <QList>

// The application's icon, a yellow note: the main window, the note windows, the help window and
// the tray icon all show it. It is built from PNG renderings of icons/rappelix.svg, so that it
// shows on a desktop without Qt's SVG plugins, where the tray icon is the only way back.
QIcon applicationIcon();

// The sizes rendered, in pixels.
const QList<int> &applicationIconSizes();
