#pragma once

// Texts at a larger desktop font: how big a window's own texts get, and how much the window
// grows with them. No window needed.
namespace fontsize {

// The desktop's font size where nothing is set (Qt's own on X11), for which the windows were drawn:
// at it, nothing changes.
constexpr double kDesktopDefault = 9;

// A text written at `written` points, on a desktop whose font is `desktop` points: the desktop's
// size when that is larger than the default and than `written`, never smaller than `written`.
double textPoints(double written, double desktop);

// How much the text's window grows, width and height, so that the text shows as many characters
// as at its written size: in proportion to the text. A text in the desktop's own font counts as
// written at kDesktopDefault.
double growth(double written, double desktop);

} // namespace fontsize
