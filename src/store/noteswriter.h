#pragma once

#include "store/savefile.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QThread>
#include <QWaitCondition>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

// One writer thread for the program's files, so that the window never waits on the disk. Files
// are written in the order handed over; a newer content for a file supersedes one not yet
// started. Results come back on the thread that made the writer, through written().
class NotesWriter : public QObject {
    Q_OBJECT
public:
    struct Done {
        QString path;
        QByteArray bytes;
        SaveResult result;
        FileStamp stamp;      // the file as written
        bool changed = false; // not written: another program changed the file since
    };
    // Writes one file; with `expected`, only over that version of it (see saveWhole()).
    using Step =
        std::function<SaveResult(const QString &path, const QByteArray &bytes, const FileStamp *expected)>;

    explicit NotesWriter(QObject *parent = nullptr);
    ~NotesWriter() override;

    // Hands `bytes` over for `path`. A failed write of a `keep` file (a copy that must exist
    // before the next one replaces anything) fails the writes queued after it. With `expected`,
    // the file is written only if it is still that on disk (without, still what this writer
    // last wrote there): else the result says it changed.
    void submit(const QString &path, const QByteArray &bytes, bool keep = false,
                std::optional<FileStamp> expected = std::nullopt);
    // Waits until every write handed over has ended, or the deadline; true when they all have.
    bool waitIdle(QDeadlineTimer deadline);
    bool idle();
    QList<Done> takeResults();

    // The step that writes one file: saveWhole() into a folder that is there.
    static SaveResult writeFile(const QString &path, const QByteArray &bytes,
                                const FileStamp *expected = nullptr);
    void setStep(Step step); // for tests: a write that can be held back
    // How long the writer's end waits for a write under way (10 s) before it leaves it to finish
    // on its own; for tests.
    void setEndWait(int ms) { m_endWait = ms; }

signals:
    void written(); // results are waiting

private:
    struct Job {
        QString path;
        QByteArray bytes;
        bool keep = false;
        std::optional<FileStamp> expected;
    };
    // What the thread works on. The thread holds it too: a write left running at the writer's
    // end finishes on it, never on the writer that is gone.
    struct Shared {
        QMutex mutex;
        QWaitCondition changed;
        std::deque<Job> queue;
        QList<Done> done;
        bool running = false; // a job is being written
        bool stop = false;
        Step step = &NotesWriter::writeFile;
        FileStamp wrote;              // the notes file as the thread last left it (its own)
        NotesWriter *owner = nullptr; // told of results; none once the writer has gone
    };
    static void run(const std::shared_ptr<Shared> &shared);
    static Done write(Shared &shared, const Job &job, const Step &step);

    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
    QThread *m_thread = nullptr;
    int m_endWait = 10000;
};
