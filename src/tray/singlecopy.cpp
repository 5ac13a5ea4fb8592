#include "singlecopy.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {
const QByteArray kRestore = "restaurer_fenetre\n";
constexpr int kSocketTimeoutMs = 1000;
} // namespace

SingleCopy::SingleCopy(const QString &folder, QObject *parent)
    : QObject(parent), m_name(serverName(folder)),
      m_lock(QDir(folder).filePath(QStringLiteral("rappelix.lock")))
{
    // Only a lock whose process is gone is stale; a copy may run for weeks.
    m_lock.setStaleLockTime(0);
}

SingleCopy::~SingleCopy() = default;

QString SingleCopy::serverName(const QString &folder)
{
    QString path = QFileInfo(folder).canonicalFilePath();
    if (path.isEmpty())
        path = QFileInfo(folder).absoluteFilePath();
    const QByteArray hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("rappelix-") + QString::fromLatin1(hash.left(20));
}

bool SingleCopy::start(std::chrono::milliseconds patience)
{
    const QDeadlineTimer deadline(patience);
    for (;;) {
        if (m_lock.tryLock(0)) {
            listen();
            return true;
        }
        // A folder where no lock can be made is one where no copy can write notes either.
        if (m_lock.error() != QLockFile::LockFailedError)
            return true;
        if (askRunningCopy())
            return false;
        // The holder is between taking the lock and listening, or has just ended.
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
}

void SingleCopy::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequests(socket); });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    if (!m_server->listen(m_name)) {
        // A crashed run left its socket behind; the lock says that name is ours now.
        QLocalServer::removeServer(m_name);
        m_server->listen(m_name);
    }
}

void SingleCopy::readRequests(QLocalSocket *socket)
{
    while (socket->canReadLine()) {
        if (socket->readLine() == kRestore)
            emit restoreRequested();
    }
}

bool SingleCopy::askRunningCopy() const
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kSocketTimeoutMs))
        return false;
    socket.write(kRestore);
    socket.flush();
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(kSocketTimeoutMs)) {
    }
    const bool sent = socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    return sent;
}
