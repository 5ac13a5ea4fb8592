#include "datafolder.h"

#include "store/savefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <pwd.h>
#include <unistd.h>

namespace {

QString withSlash(QString path)
{
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

} // namespace

QString preparer_dossier(const QString &appData, const QString &programDir)
{
    const QString fallback = withSlash(QDir::fromNativeSeparators(programDir)) + QStringLiteral("rapixset");
    if (!appData.trimmed().isEmpty()) {
        const QString path = withSlash(QDir::fromNativeSeparators(appData)) + QStringLiteral("rapix");
        if (makeFolder(path))
            return withSlash(path);
    }
    makeFolder(fallback);
    return withSlash(fallback);
}

QString userDataHome()
{
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (QDir::isAbsolutePath(xdg))
        return xdg;
    QString home = qEnvironmentVariable("HOME");
    if (!QDir::isAbsolutePath(home)) {
        const passwd *account = ::getpwuid(::getuid());
        home = account ? QFile::decodeName(account->pw_dir) : QString();
    }
    return home.isEmpty() ? QString() : home + QStringLiteral("/.local/share");
}

QString preparer_dossier()
{
    return preparer_dossier(userDataHome(), QCoreApplication::applicationDirPath());
}
