#include "autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>

namespace {
#ifdef Q_OS_WIN
QSettings runKey()
{
    return QSettings(QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
                     QSettings::NativeFormat);
}
#endif
} // namespace

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
#ifdef Q_OS_WIN
    return runKey().contains(QStringLiteral("Rappelix"));
#else
    return QFileInfo::exists(path());
#endif
}

SaveResult Autostart::set(bool on, const QString &program)
{
#ifdef Q_OS_WIN
    QSettings key = runKey();
    if (on)
        key.setValue(QStringLiteral("Rappelix"), u'"' + QDir::toNativeSeparators(program) + u'"');
    else
        key.remove(QStringLiteral("Rappelix"));
    key.sync();
    return key.status() == QSettings::NoError
               ? SaveResult{}
               : SaveResult::failure(SaveResult::Step::Write, EACCES, key.fileName());
#else
    if (on) {
        SaveResult made = makeFolder(m_folder);
        return made ? saveWhole(path(), entry(program)) : made;
    }
    return removeFile(path());
#endif
}
