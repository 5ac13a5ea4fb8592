#pragma once

// Puts the program's style in place: the desktop's own style, with Qt's standard icons read only
// when a window first shows them. Call once, after the application object is made.
void installApplicationStyle();
