#include "autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString Autostart::defaultFolder()
{
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    return (QDir::isAbsolutePath(config) ? config : QDir::homePath() + QStringLiteral("/.config")) +
           QStringLiteral("/autostart");
}

QByteArray Autostart::entry(const QString &program)
{
    // Exec= takes the program between double quotes, with ", `, $ and \ escaped by a backslash,
    // and a backslash is written doubled in any value of the file.
    QString quoted = program;
    for (const char *special : {"\\", "\"", "`", "$"})
        quoted.replace(QLatin1String(special), QLatin1Char('\\') + QLatin1String(special));
    quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    // TryExec= takes the (absolute) path as a plain value, a backslash doubled. A session's
    // autostart runner skips the entry once the program is gone, removed with its package.
    QString path = program;
    path.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Rappelix\n"
                          "Comment=Garder de courtes notes et être alerté à l'heure dite\n"
                          "TryExec=%2\n"
                          "Exec=\"%1\"\n"
                          "Icon=rappelix\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(quoted, path)
        .toUtf8();
}

bool Autostart::enabled() const
{
    return QFileInfo::exists(path());
}

SaveResult Autostart::set(bool on, const QString &program)
{
    if (on) {
        SaveResult made = makeFolder(m_folder);
        return made ? saveWhole(path(), entry(program)) : made;
    }
    return removeFile(path());
}
