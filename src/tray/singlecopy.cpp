#include "singlecopy.h"

#include <QDir>
#include <QFile>

SingleCopy::SingleCopy(const QString &folder, QObject *parent)
    : QObject(parent), m_folder(folder),
      m_request(QDir(folder).filePath(QStringLiteral("rappelix.restaurer"))),
      m_lock(QDir(folder).filePath(QStringLiteral("rappelix.lock")))
{
    // Only a lock whose process is gone is stale; a copy may run for weeks.
    m_lock.setStaleLockTime(0);
}

bool SingleCopy::start()
{
    if (m_lock.tryLock(0)) {
        QFile::remove(m_request); // left for a run that has ended
        connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &SingleCopy::takeRequest);
        m_watcher.addPath(m_folder);
        return true;
    }
    // A folder where no lock can be made is one where no copy can write notes either.
    if (m_lock.error() != QLockFile::LockFailedError)
        return true;
    QFile request(m_request);
    if (request.open(QIODevice::WriteOnly))
        request.write("restaurer_fenetre\n");
    return false;
}

void SingleCopy::takeRequest()
{
    // Every write of the notes also changes the folder; only the request file counts.
    if (QFile::remove(m_request))
        emit restoreRequested();
}
