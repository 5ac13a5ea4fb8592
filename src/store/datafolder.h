#pragma once

#include <QString>

// The data folder of the notes and preferences files, ending with '/'.
// The first that works of: <application data>/rapix, <program folder>/rapixset.
QString preparer_dossier();
// The user's application-data folder, by the XDG rules: $XDG_DATA_HOME when it is an absolute
// path, else ~/.local/share (the account's home where $HOME names none).
QString userDataHome();
QString preparer_dossier(const QString &appData, const QString &programDir);
