// A writer killed at random moments: the notes file is always one whole version.
//
// notes_writer rewrites the file in a loop through NotesFile::ecrire_notes; the test kills it
// with SIGKILL after a random delay and reads the file: exactly one of the versions written,
// never a mix, a truncation or an empty file, and never older than before.
#include "crashversions.h"
#include "store/notescodec.h"
#include "store/notesfile.h"
#include "testutil.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <unistd.h>

class TestCrash : public QObject {
    Q_OBJECT
private slots:
    void init() { testutil::failOnUnexpectedWarnings(); }
    void killedWriterLeavesWholeVersion();
};

void TestCrash::killedWriterLeavesWholeVersion()
{
    constexpr int kKills = 1000;
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/rapix/");
    NotesFile file(folder);
    QVERIFY(file.ecrire_notes(crashversions::table(0)));
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    qInfo("random seed %u", seed);

    int version = 0, advanced = 0; // the version the file holds; kills after a new one
    for (int kill = 1; kill <= kKills; ++kill) {
        QProcess writer;
        writer.start(QStringLiteral(NOTES_WRITER), {folder, QString::number(version + 1)});
        QVERIFY2(writer.waitForReadyRead(20000), "the writer did not start"); // it is about to write
        usleep(random.bounded(20000)); // mostly within its first writes, now and then before one ends
        writer.kill();
        QVERIFY(writer.waitForFinished());
        QVERIFY2(writer.exitStatus() == QProcess::CrashExit, "the writer ended by itself");

        const QByteArray bytes = testutil::readFile(file.path());
        const QString where = QStringLiteral("kill %1, %2 bytes").arg(kill).arg(bytes.size());
        NoteTable read;
        read.setUp();
        QVERIFY2(!bytes.isEmpty() && notescodec::decode(bytes, read).exact,
                 qPrintable(where + ": not a file the writer wrote"));
        const int found = crashversions::versionOf(read);
        QVERIFY2(found >= version,
                 qPrintable(where + QStringLiteral(": version %1 after %2").arg(found).arg(version)));
        QVERIFY2(bytes == notescodec::encode(crashversions::table(found)), qPrintable(where + ": not whole"));
        advanced += found > version ? 1 : 0;
        version = found;
    }
    // A kill before the rename leaves the write's temporary file; the next start-up removes
    // those old enough not to be a write going on, and nothing else: not the user's own files.
    const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    qInfo("%d kills, %d after new versions; %lld temporary files left", kKills, advanced, left.size() - 1);
    const QStringList kept = {"planifs-endommage-20261207-102000.txt",
                              "planifs.txt",
                              "planifs.txt.202612",
                              "planifs.txt.Ab12Cd",
                              "planifs.txt.ancien",
                              "planifs.txt.backup",
                              "planifs.txt.sauveg",
                              "pref1.txt"};
    for (const QString &name : kept)
        testutil::writeFile(folder + name,
                            name == NotesFile::fileName() ? testutil::readFile(file.path()) : "x");
    for (const QString &name : left + kept) {
        QFile f(folder + name);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(
            f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    }
    // A temporary file of a write going on, younger than ten minutes, stays too.
    const QString going = QStringLiteral(".planifs.txt.rappelix-tmp-0123456789abcdef");
    testutil::writeFile(folder + going, "x");
    NoteTable atStart;
    atStart.setUp();
    QVERIFY(NotesFile(folder).charger_notes(atStart) > 0);
    QCOMPARE(crashversions::versionOf(atStart), version);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList(going) + kept);
    QVERIFY2(advanced >= kKills / 4, "too few kills landed among writes");
}

QTEST_GUILESS_MAIN(TestCrash)
#include "tst_crash.moc"
