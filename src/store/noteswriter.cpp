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

NotesWriter::NotesWriter(QObject *parent) : QObject(parent) {}

NotesWriter::~NotesWriter()
{
    if (!m_thread)
        return;
    {
        QMutexLocker lock(&m_mutex);
        m_stop = true;
        m_changed.wakeAll();
    }
    // A write that hangs (a dead network folder) must not hold the program's end for ever: then
    // the thread is left to end with the process, its object kept where it can still be found.
    if (m_thread->wait(QDeadlineTimer(10000))) {
        delete m_thread;
        return;
    }
    qCWarning(lcStore) << "writer: a write still running after 10 s is left to end with the process";
    static auto *const leftRunning = new QList<QThread *>; // never destroyed: outlives the exit
    *leftRunning << std::exchange(m_thread, nullptr);
}

void NotesWriter::setStep(Step step)
{
    QMutexLocker lock(&m_mutex);
    m_step = std::move(step);
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
    QMutexLocker lock(&m_mutex);
    if (!keep)
        std::erase_if(m_queue, [&](const Job &job) { return !job.keep && job.path == path; });
    m_queue.push_back(Job{path, bytes, keep, expected});
    if (!m_thread) {
        m_thread = QThread::create([this] { run(); });
        m_thread->setObjectName(QStringLiteral("writer"));
        m_thread->start();
    }
    m_changed.wakeAll();
}

void NotesWriter::run()
{
    QMutexLocker lock(&m_mutex);
    for (;;) {
        while (m_queue.empty() && !m_stop)
            m_changed.wait(&m_mutex);
        if (m_queue.empty())
            return;
        const Job job = m_queue.front();
        m_queue.pop_front();
        m_running = true;
        const Step step = m_step;
        lock.unlock();
        const Done done = write(job, step);
        lock.relock();
        m_running = false;
        m_done.append(done);
        if (job.keep && !done.result) {
            for (const Job &after : m_queue)
                m_done.append(Done{after.path, after.bytes, done.result, {}});
            m_queue.clear();
        }
        m_changed.wakeAll();
        QMetaObject::invokeMethod(this, &NotesWriter::written, Qt::QueuedConnection);
    }
}

NotesWriter::Done NotesWriter::write(const Job &job, const Step &step)
{
    Done done{job.path, job.bytes, {}, {}};
    // What another program wrote since the file was last looked at is not written over.
    if (!job.keep && FileStamp::of(job.path) != job.expected.value_or(m_wrote)) {
        qCDebug(lcStore) << "write: another program changed" << job.path << "since; merged first";
        done.changed = true;
        done.result = SaveResult::failure(SaveResult::Step::Changed, 0, job.path);
        return done;
    }
    done.result = step(job.path, job.bytes);
    if (done.result)
        done.stamp = FileStamp::of(job.path);
    if (!job.keep)
        m_wrote = done.result ? done.stamp : FileStamp::of(job.path);
    return done;
}

bool NotesWriter::waitIdle(QDeadlineTimer deadline)
{
    QMutexLocker lock(&m_mutex);
    while (!m_queue.empty() || m_running)
        if (!m_changed.wait(&m_mutex, deadline))
            return m_queue.empty() && !m_running;
    return true;
}

bool NotesWriter::idle()
{
    QMutexLocker lock(&m_mutex);
    return m_queue.empty() && !m_running;
}

QList<NotesWriter::Done> NotesWriter::takeResults()
{
    QMutexLocker lock(&m_mutex);
    return std::exchange(m_done, {});
}
