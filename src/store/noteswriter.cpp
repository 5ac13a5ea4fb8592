#include "noteswriter.h"

#include <QFileInfo>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

FileStamp FileStamp::of(const QString &path)
{
    FileStamp s;
#ifdef Q_OS_WIN
    const QFileInfo info(path);
    s.exists = info.exists();
    s.size = info.size();
    s.mtimeNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
#else
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return s;
    s = {true, qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
         quint64(st.st_ino), quint64(st.st_dev)};
#endif
    return s;
}

NotesWriter::NotesWriter(QObject *parent) : QObject(parent)
{
    m_shared->owner = this;
}

NotesWriter::~NotesWriter()
{
    {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->stop = true;
        m_shared->owner = nullptr;
        m_shared->changed.wakeAll();
    }
    if (!m_thread)
        return;
    // A write that hangs (a dead network folder) must not hold the program's end for ever: then
    // the thread is left to end with the process, its object kept where it can still be found.
    if (m_thread->wait(QDeadlineTimer(m_endWait))) {
        delete m_thread;
        return;
    }
    qCWarning(lcStore) << "writer: a write still running at the end is left to end with the process";
    static auto *const leftRunning = new QList<QThread *>; // never destroyed: outlives the exit
    *leftRunning << std::exchange(m_thread, nullptr);
}

void NotesWriter::setStep(Step step)
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->step = std::move(step);
}

SaveResult NotesWriter::writeFile(const QString &path, const QByteArray &bytes)
{
    // The data folder may have gone since start-up (a clean-up tool, the user): make it again
    // rather than lose every change until the end of the run.
    SaveResult result = makeFolder(QFileInfo(path).absolutePath());
    return result ? saveWhole(path, bytes) : result;
}

void NotesWriter::submit(const QString &path, const QByteArray &bytes, bool keep,
                         std::optional<FileStamp> expected)
{
    QMutexLocker lock(&m_shared->mutex);
    if (!keep)
        std::erase_if(m_shared->queue, [&](const Job &job) { return !job.keep && job.path == path; });
    m_shared->queue.push_back(Job{path, bytes, keep, expected});
    if (!m_thread) {
        m_thread = QThread::create([shared = m_shared] { run(shared); });
        m_thread->setObjectName(QStringLiteral("writer"));
        m_thread->start();
    }
    m_shared->changed.wakeAll();
}

void NotesWriter::run(const std::shared_ptr<Shared> &shared)
{
    Shared &s = *shared;
    QMutexLocker lock(&s.mutex);
    for (;;) {
        while (s.queue.empty() && !s.stop)
            s.changed.wait(&s.mutex);
        if (s.queue.empty())
            return;
        const Job job = s.queue.front();
        s.queue.pop_front();
        s.running = true;
        const Step step = s.step;
        lock.unlock();
        const Done done = write(s, job, step);
        lock.relock();
        s.running = false;
        s.done.append(done);
        if (job.keep && !done.result) {
            for (const Job &after : s.queue)
                s.done.append(Done{after.path, after.bytes, done.result, {}});
            s.queue.clear();
        }
        s.changed.wakeAll();
        if (s.owner)
            QMetaObject::invokeMethod(s.owner, &NotesWriter::written, Qt::QueuedConnection);
    }
}

NotesWriter::Done NotesWriter::write(Shared &shared, const Job &job, const Step &step)
{
    Done done{job.path, job.bytes, {}, {}};
    // What another program wrote since the file was last looked at is not written over.
    if (!job.keep && FileStamp::of(job.path) != job.expected.value_or(shared.wrote)) {
        qCDebug(lcStore) << "write: another program changed" << job.path << "since; merged first";
        done.changed = true;
        done.result = SaveResult::failure(SaveResult::Step::Changed, 0, job.path);
        return done;
    }
    done.result = step(job.path, job.bytes);
    if (done.result)
        done.stamp = FileStamp::of(job.path);
    if (!job.keep)
        shared.wrote = done.result ? done.stamp : FileStamp::of(job.path);
    return done;
}

bool NotesWriter::waitIdle(QDeadlineTimer deadline)
{
    QMutexLocker lock(&m_shared->mutex);
    while (!m_shared->queue.empty() || m_shared->running)
        if (!m_shared->changed.wait(&m_shared->mutex, deadline))
            return m_shared->queue.empty() && !m_shared->running;
    return true;
}

bool NotesWriter::idle()
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->queue.empty() && !m_shared->running;
}

QList<NotesWriter::Done> NotesWriter::takeResults()
{
    QMutexLocker lock(&m_shared->mutex);
    return std::exchange(m_shared->done, {});
}
