// A writer killed at random moments: the notes file is always one whole version.
//
// notes_writer rewrites the file in a loop through NotesFile::ecrire_notes; this test starts it,
// kills it with SIGKILL after a random delay, and reads the file: it must be exactly one of the
// versions written, never a mix, a truncation or an empty file, and never older than before.
#include "crashversions.h"
#include "store/notescodec.h"
#include "store/notesfile.h"
#include "testutil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kKills = 1000;

// Starts the writer and waits until it is about to write; returns its pid, or -1.
pid_t startWriter(const QString &folder, int firstVersion)
{
    int out[2];
    if (pipe(out) != 0)
        return -1;
    const QByteArray dir = folder.toLocal8Bit();
    const QByteArray first = QByteArray::number(firstVersion);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(NOTES_WRITER, NOTES_WRITER, dir.constData(), first.constData(), static_cast<char *>(nullptr));
        _exit(127);
    }
    close(out[1]);
    if (pid < 0) {
        close(out[0]);
        return -1;
    }
    pollfd p{out[0], POLLIN, 0};
    char go[3] = {};
    const bool ready = poll(&p, 1, 20000) == 1 && read(out[0], go, sizeof go) == sizeof go;
    close(out[0]);
    if (!ready) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    return pid;
}

} // namespace

class TestCrash : public QObject {
    Q_OBJECT
private slots:
    void killedWriterLeavesWholeVersion();
};

void TestCrash::killedWriterLeavesWholeVersion()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/rapix/");
    QVERIFY(QDir().mkpath(folder));
    NotesFile file(folder);
    Flags flags;
    QVERIFY(file.ecrire_notes(crashversions::table(0), flags));

    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    qInfo("random seed %u", seed);

    int version = 0; // the version the file holds
    int advanced = 0, unchanged = 0;
    QElapsedTimer clock;
    clock.start();
    for (int kill = 1; kill <= kKills; ++kill) {
        const pid_t pid = startWriter(folder, version + 1);
        QVERIFY2(pid > 0, "the writer did not start");
        // Mostly within its first few writes; now and then before the first one ends.
        usleep(random.bounded(20000));
        QCOMPARE(::kill(pid, SIGKILL), 0);
        int status = 0;
        QCOMPARE(waitpid(pid, &status, 0), pid);
        QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL,
                 qPrintable(QStringLiteral("the writer ended by itself (status %1)").arg(status)));

        const QByteArray bytes = testutil::readFile(file.path());
        const QString where =
            QStringLiteral("kill %1 of %2, %3 bytes").arg(kill).arg(kKills).arg(bytes.size());
        QVERIFY2(!bytes.isEmpty(), qPrintable(where + ": empty file"));
        NoteTable read;
        read.setUp();
        QVERIFY2(notescodec::decode(bytes, read).exact, qPrintable(where + ": not a file the writer wrote"));
        const int found = crashversions::versionOf(read);
        QVERIFY2(found >= version,
                 qPrintable(where + QStringLiteral(": version %1 after %2").arg(found).arg(version)));
        QVERIFY2(bytes == notescodec::encode(crashversions::table(found)),
                 qPrintable(where + QStringLiteral(": version %1 is not whole").arg(found)));
        (found > version ? advanced : unchanged)++;
        version = found;
    }
    // A kill between the temporary file's naming and its rename leaves that file behind;
    // the next start-up removes those that are old enough not to be a write going on.
    const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    qInfo("%d kills in %lld ms: %d after new versions, %d before the first write ended; "
          "%d versions written; %lld temporary files left",
          kKills, clock.elapsed(), advanced, unchanged, version, left.size() - 1);
    for (const QString &name : left) {
        QFile f(folder + name);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(
            f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    }
    NoteTable atStart;
    atStart.setUp();
    QVERIFY(NotesFile(folder).charger_notes(atStart) > 0);
    QCOMPARE(crashversions::versionOf(atStart), version);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System),
             QStringList{NotesFile::fileName()});
    // The kills must land among writes, not only before them.
    QVERIFY2(advanced >= kKills / 4, "too few kills landed after a write");
}

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
