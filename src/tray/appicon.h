#pragma once

#include <QIcon>
#include <QList>

// The application's icon, a yellow note: the main window, the note windows, the help window and
// the tray icon all show it. It is built from PNG renderings of icons/rappelix.svg, so that it
// shows on a desktop without Qt's SVG plugins, where the tray icon is the only way back.
QIcon applicationIcon();

// The renderings the program carries, as the build turned them into pixels (premultiplied ARGB,
// one word per pixel, row by row): decoding PNG at start-up took time and memory. The 256-pixel
// rendering is only installed for the desktop's launchers, not built in.
struct IconPixels {
    int size;
    const unsigned int *pixels;
};
const QList<IconPixels> &applicationIconPixels();
