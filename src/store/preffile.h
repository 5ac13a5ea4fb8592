#pragma once

#include "store/savefile.h"

#include <QString>

// The preferences file "pref1.txt" of the data folder: its mere presence means that the program
// starts hidden in the notification area. Its content is never read.
class PrefFile {
public:
    explicit PrefFile(const QString &folder = QString()) : m_folder(folder) {}
    void setFolder(const QString &folder) { m_folder = folder; }

    QString path() const { return m_folder + QStringLiteral("pref1.txt"); }
    bool exists() const;

    // Writes the file (the record "1", as the notes file would hold it) or removes it. A file
    // already gone counts as removed.
    SaveResult set(bool on);

private:
    QString m_folder;
};
