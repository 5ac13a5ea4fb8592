#include "noteswriter.h"

#include <QFileInfo>

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

SaveResult NotesWriter::writeFile(const QString &path, const QByteArray &bytes, const FileStamp *expected)
{
    const QString folder = QFileInfo(path).absolutePath();
    // A write over a version seen before needs that version's folder: one gone meanwhile is
    // another program's doing (a folder being replaced), looked at before it is made again.
    if (expected && expected->exists && !QFileInfo(folder).isDir())
        return SaveResult::failure(SaveResult::Step::Changed, ENOENT, path);
    SaveResult result = makeFolder(folder);
    return result ? saveWhole(path, bytes, expected) : result;
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
    // What another program wrote since the file was last looked at is not written over, up to
    // and including the rename.
    const FileStamp expected = job.expected.value_or(shared.wrote);
    done.result = step(job.path, job.bytes, job.keep ? nullptr : &expected);
    if (!done.result && done.result.step == SaveResult::Step::Changed) {
        qCDebug(lcStore) << "write: another program changed" << job.path << "since; merged first";
        done.changed = true;
        return done;
    }
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
