#pragma once

#include <QIcon>

// The application's icon, a yellow note: the main window, the note windows, the help window and
// the tray icon all show it. It is made of PNG renderings of icons/rappelix.svg built in as a
// resource, so that it shows on a desktop without Qt's SVG plugins, where the tray icon is the only
// way back.
QIcon applicationIcon();
