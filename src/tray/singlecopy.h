#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <chrono>

class QLocalServer;
class QLocalSocket;

// One running copy per data folder, so that two copies never overwrite each other's notes.
// The first start locks the folder and listens; a later start finds the lock, asks the running
// copy to bring its main window back, and ends without touching the folder's files.
class SingleCopy : public QObject {
    Q_OBJECT
public:
    explicit SingleCopy(const QString &folder, QObject *parent = nullptr);
    ~SingleCopy() override;

    // True when this copy is to run: the folder's lock is now ours (a lock left by a crashed run
    // is taken over), or the folder cannot hold a lock at all. False when another copy holds it:
    // that copy has been asked to come forward, or did not answer within `patience`.
    bool start(std::chrono::milliseconds patience = std::chrono::seconds(3));

    QString lockPath() const { return m_lock.fileName(); }
    // Where the running copy listens; derived from the folder, so each folder has its own.
    static QString serverName(const QString &folder);

signals:
    void restoreRequested(); // a later start asked for the main window

private:
    void listen();
    bool askRunningCopy() const;
    void readRequests(QLocalSocket *socket);

    QString m_name;
    QLockFile m_lock;
    QLocalServer *m_server = nullptr;
};
