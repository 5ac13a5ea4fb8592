#pragma once

#include "store/savefile.h"

#include <QString>

// Starting the program when the user logs in: a desktop entry in the XDG autostart folder
// ($XDG_CONFIG_HOME/autostart, by default ~/.config/autostart).
class Autostart {
public:
    // The entry of this folder; by default the user's.
    explicit Autostart(const QString &folder = defaultFolder()) : m_folder(folder) {}
    static QString defaultFolder();

    QString path() const { return m_folder + QStringLiteral("/rappelix.desktop"); }
    bool enabled() const;
    // Writes the entry, whose Exec= starts `program`, or removes it.
    SaveResult set(bool on, const QString &program);

    // The desktop entry that starts `program`, quoted as the desktop entry rules want it.
    static QByteArray entry(const QString &program);

private:
    QString m_folder;
};
