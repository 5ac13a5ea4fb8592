#include "datafolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// A name already taken by a file is no folder: that counts as a failure.
bool ensureFolder(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists())
        return info.isDir();
    return QDir().mkpath(path);
}

QString withSlash(QString path)
{
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

}  // namespace

QString preparer_dossier(const QString &appData, const QString &programDir)
{
    const QString fallback = withSlash(QDir::fromNativeSeparators(programDir)) + QStringLiteral("rapixset");
    if (!appData.trimmed().isEmpty()) {
        const QString path = withSlash(QDir::fromNativeSeparators(appData)) + QStringLiteral("rapix");
        if (ensureFolder(path))
            return withSlash(path);
    }
    ensureFolder(fallback);
    return withSlash(fallback);
}

QString preparer_dossier()
{
#ifdef Q_OS_WIN
    const QString appData = qEnvironmentVariable("APPDATA");
#else
    const QString appData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#endif
    return preparer_dossier(appData, QCoreApplication::applicationDirPath());
}
