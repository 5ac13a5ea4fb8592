#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The command line: only --help and --version, answered without a display; Qt's own options
// (-platform, -display, -style ...) are left to Qt.
struct CommandLineAnswer {
    int exitCode = 0;
    QString out; // for the standard output
    QString err; // for the standard error
};

// None when the program is to run; otherwise what to print and the exit code.
std::optional<CommandLineAnswer> answerCommandLine(const QStringList &arguments);

// On a Wayland desktop the program cannot place its windows; where XWayland serves too, and
// nothing asked for a platform, it is to run on X11.
bool preferX11(const QString &waylandDisplay, const QString &qpaPlatform, const QString &display);

// Where X11 and Wayland are the displays: none is named (DISPLAY, WAYLAND_DISPLAY) and no platform
// is asked for (QT_QPA_PLATFORM, -platform), so that Qt would find none and abort.
bool noDisplay(const QStringList &arguments, const QString &display, const QString &waylandDisplay,
               const QString &qpaPlatform);
