#pragma once

#include <QIcon>
#include <QList>

// The application's icon, a yellow note: the main window, the note windows, the help window and
// the tray icon all show it. It is built from PNG renderings of icons/rappelix.svg, so that it
// shows on a desktop without Qt's SVG plugins, where the tray icon is the only way back.
QIcon applicationIcon();

// The renderings the program carries, as the build turned them into pixels (premultiplied ARGB,
// one word per pixel, row after row): decoding PNG at start-up took time and memory. The pixels
// are packed as runs, an eighth of their size: a word 0x80000000 | n is followed by one pixel
// that comes n times, a word n below that by n pixels as they come. The 256-pixel rendering is
// only installed for the desktop's launchers, not built in.
struct IconPixels {
    int size;
    const unsigned int *runs;
};
const QList<IconPixels> &applicationIconPixels();
