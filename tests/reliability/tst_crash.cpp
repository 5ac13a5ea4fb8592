// A writer killed at random moments: the notes file is always one whole version of those written,
// never a mix, a cut or an empty file, never older than before. Start-up then removes the writes'
// old temporary files, and nothing else: not the user's own files beside planifs.txt.
#include "store/notescodec.h"
#include "store/notesfile.h"
#include "testutil.h"

#include <QProcess>
#include <QRandomGenerator>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {
// Version v: its number in the first cell, one to thirteen notes of up to 77 KB in all.
NoteTable version(int v)
{
    QList<QStringList> rows;
    for (int r = 1; r <= 1 + (v * 7) % 13; ++r)
        rows << QStringList{
            r == 1 ? QStringLiteral("v=%1").arg(v) : QString(),
            QStringLiteral("note %1\r\n\"é€\" ").arg(r) + QString((v * 7919) % 97 * 800 / r, u'a'),
            r % 3 ? QStringLiteral("lundi 08/12 9h30") : QString(), QString(), v % 2 ? "1" : ""};
    return testutil::tableOf(rows);
}
} // namespace

class TestCrash : public QObject {
    Q_OBJECT
private slots:
    void init() { testutil::failOnUnexpectedWarnings(); }

    void killedWriterLeavesWholeVersion()
    {
        constexpr int kKills = 1000;
        QTemporaryDir dir;
        const QString folder = dir.path() + QStringLiteral("/rapix/");
        NotesFile file(folder);
        QVERIFY(file.ecrire_notes(version(0)));
        QRandomGenerator random(QRandomGenerator::global()->generate());
        int found = 0, advanced = 0; // the version the file holds; kills after a new one
        for (int kill = 1; kill <= kKills; ++kill) {
            QProcess writer; // this program, rewriting the file from the next version on
            writer.start(QCoreApplication::applicationFilePath(),
                         {QStringLiteral("-write"), folder, QString::number(found + 1)});
            QVERIFY2(writer.waitForReadyRead(20000), "the writer did not start");
            usleep(random.bounded(20000)); // mostly within its first writes, now and then before one ends
            writer.kill();
            QVERIFY(writer.waitForFinished() && writer.exitStatus() == QProcess::CrashExit);
            const QByteArray bytes = testutil::readFile(file.path());
            NoteTable read;
            read.setUp();
            notescodec::decode(bytes, read);
            const int now = read.TextMatrix(1, Col::Stamp).mid(2).toInt();
            QVERIFY2(now >= found && bytes == notescodec::encode(version(now)),
                     qPrintable(QStringLiteral("kill %1: %2 bytes, not version %3")
                                    .arg(kill)
                                    .arg(bytes.size())
                                    .arg(now)));
            advanced += now > found ? 1 : 0;
            found = now;
        }
        QVERIFY2(advanced >= kKills / 4, "too few kills landed among writes");

        // An hour later, with the user's files and a write going on beside the leftovers.
        const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        qInfo("%d kills, %d after new versions; %lld temporary files left", kKills, advanced,
              left.size() - 1);
        const QStringList kept =
            QStringLiteral(".planifs.txt.rappelix-tmp-0123456789abcdef "
                           "planifs-endommage-20261207-102000.txt planifs.txt planifs.txt.202612 "
                           "planifs.txt.Ab12Cd planifs.txt.ancien planifs.txt.backup pref1.txt")
                .split(u' ');
        for (const QString &name : kept)
            if (name != NotesFile::fileName())
                testutil::writeFile(folder + name, "x");
        for (const QString &name : left + kept.mid(1)) {
            QFile f(folder + name);
            QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                                                  QFileDevice::FileModificationTime));
        }
        NoteTable atStart;
        atStart.setUp();
        QVERIFY(NotesFile(folder).charger_notes(atStart) > 0);
        QCOMPARE(atStart.TextMatrix(1, Col::Stamp), QStringLiteral("v=%1").arg(found));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), kept);
    }
};

// "-write FOLDER FIRST": rewrites the notes file version after version until killed.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "-write") {
        prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the test
        NotesFile file(QString::fromLocal8Bit(argv[2]));
        NoteTable next = version(std::atoi(argv[3]));
        std::puts("go");
        std::fflush(stdout);
        for (int v = std::atoi(argv[3]) + 1; file.ecrire_notes(next); ++v)
            next = version(v);
        return 1;
    }
    TestCrash test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_crash.moc"
