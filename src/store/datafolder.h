#pragma once

#include <QString>

// The data folder of the notes and preferences files, ending with '/'.
// The first that works of: <application data>/rapix, <program folder>/rapixset.
QString preparer_dossier();
QString preparer_dossier(const QString &appData, const QString &programDir);
