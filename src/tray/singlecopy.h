#pragma once

#include <QFileSystemWatcher>
#include <QLockFile>
#include <QObject>
#include <QString>

// One running copy per data folder, so that two copies never overwrite each other's notes.
// The first start locks the folder and watches it; a later start finds the lock, leaves a
// request file there for the running copy to bring its main window back, and ends without
// touching the notes.
class SingleCopy : public QObject {
    Q_OBJECT
public:
    explicit SingleCopy(const QString &folder, QObject *parent = nullptr);

    // True when this copy is to run: the folder's lock is now ours (a lock left by a crashed run
    // is taken over), or the folder cannot hold a lock at all. False when another copy holds it:
    // that copy has been asked to come forward.
    bool start();

    QString lockPath() const { return m_lock.fileName(); }
    QString requestPath() const { return m_request; }

signals:
    void restoreRequested(); // a later start asked for the main window

private:
    void takeRequest();

    QString m_folder;
    QString m_request;
    QLockFile m_lock;
    QFileSystemWatcher m_watcher;
};
