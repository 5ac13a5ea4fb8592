// Damaged notes files: every complete record loads, the original is kept aside before the first
// write, what is written reads back. A writer killed at any moment leaves one whole version.
#include "store/notescodec.h"
#include "testutil.h"

#include <QProcess>
#include <QRandomGenerator>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {
// Version v: "v=<v>" in the first cell, one to thirteen notes of up to 77 KB in all.
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

// The bytes of version v as the file's rules lay them out, written by hand: Windows-1252, a line
// break in a note as "~", a double quote in a note as "¤" (\xa4), four quoted fields, CR LF.
QByteArray versionBytes(int v)
{
    QByteArray bytes;
    for (int r = 1; r <= 1 + (v * 7) % 13; ++r)
        bytes += "\"" + (r == 1 ? "v=" + QByteArray::number(v) : QByteArray()) + "\",\"note " +
                 QByteArray::number(r) + "~\xa4\xe9\x80\xa4 " + QByteArray((v * 7919) % 97 * 800 / r, 'a') +
                 "\",\"" + (r % 3 ? "lundi 08/12 9h30" : "") + "\",\"" + (v % 2 ? "1" : "") + "\"\r\n";
    return bytes;
}
} // namespace

using Rows = QList<QStringList>;

class TestDamage : public QObject {
    Q_OBJECT
private slots:
    void init() { testutil::failOnUnexpectedWarnings(); }

    void corpusFiles_data()
    {
        // What each file loads by the reading rules: a quoted field runs to the next quote, the rest to
        // a comma or line end is skipped; only records of four whole fields load; none: the placeholder.
        const QStringList abcd = {"a", "b", "c", "d"}, abc1 = {"a", "b", "c", "1"}, efg = {"e", "f", "g", ""};
        const QList<std::pair<Rows, QStringList>> groups = {
            {{},
             {"binary", "empty", "lone-quote", "nul-only", "only-blanks", "only-line-breaks", "semicolons",
              "unclosed-long-note"}},
            {{abcd},
             {"blank-lines-between", "blanks-and-text-after-quotes", "cut-after-a-comma", "cut-in-a-record",
              "fields-across-lines", "five-fields-at-end", "garbage-after-records", "no-final-crlf",
              "regular", "tabs-around-fields", "three-fields-then-four", "unclosed-quote",
              "unquoted-fields"}},
            // Never an empty fourth field from a cut: an alert's "1" would become "" and ring again.
            {{abc1},
             {"cut-before-fourth-field", "cut-between-cr-and-lf", "cut-in-fourth-field", "cut-in-third-field",
              "nul-tail-after-crash"}},
            {{abcd, efg}, {"cr-line-ends", "lf-line-ends"}},
            {{abcd, {"e", "f", "g", "h"}}, {"five-fields-on-a-line"}},
            {{{"", "", "", ""}}, {"empty-unquoted-fields", "placeholder-only"}},
            {{{"a", "dit ", "c", ""}}, {"doubled-quotes"}},
            {{{"a", "x\r\ny", "c", ""}}, {"lone-lf-in-text"}},
            {{{"a", "x\r\ny", "c", "d"}}, {"raw-line-break-in-text"}},
            {{{"a", "d", "e", "f"}}, {"quote-after-closing-quote"}},
            {{{"a", "b\"c", "d", "1"}}, {"quote-inside-unquoted"}},
            {{{"a", "\r\n\r\n\"\"\r\n", "c", ""}}, {"tilde-and-currency"}},
            {{{"\u0081\u008d", "\u008f\u0090", "\u009d", ""}}, {"undefined-1252-bytes"}},
            {{{"\u00ef\u00bb\u00bfa", "b", "c", "d"}}, {"utf8-bom"}},
            {{{"Le 01/12 \u00c3\u00a0 16:26", "caf\u00c3\u00a9", "", ""}}, {"utf8-text"}},
            {{{"Le 01/12 à 16:26", "Acheter du pain\r\nAppeler le \"garage\"", "lundi 08/12 9h30", ""},
              {"Le 02/12 à 09:05", "Rendre les livres", "mardi 02/12 14h00", "1"}},
             {"worked-example"}}};
        // The files already laid out as the program writes them (and the empty one): no copy is kept.
        const QStringList exact = {
            "empty",     "placeholder-only", "regular", "tilde-and-currency", "undefined-1252-bytes",
            "utf8-text", "worked-example"};
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<bool>("copyKept");
        const QDir corpus(QStringLiteral(RAPPELIX_CORPUS));
        QStringList named;
        for (auto [records, files] : groups) {
            for (QStringList &r : records)
                r.insert(Col::Slot, QString());
            for (const QString &f : files)
                QTest::newRow(qPrintable(f))
                    << testutil::readFile(corpus.filePath(f + QStringLiteral(".txt")))
                    << (records.isEmpty() ? Rows{{"", "", "", "-1", ""}} : records) << !exact.contains(f);
            named << files;
        }
        QStringList files = corpus.entryList({QStringLiteral("*.txt")}, QDir::Files);
        files.replaceInStrings(QStringLiteral(".txt"), QString());
        named.sort(), files.sort();
        QCOMPARE(named, files); // every file has its records
    }

    void corpusFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Rows, rows);
        QFETCH(bool, copyKept);
        TempDataHome home;
        testutil::writeFile(home.notesPath(), bytes);
        NotesFile file(home.folder());
        NoteTable t;
        t.setUp();
        file.charger_notes(t);
        QCOMPARE(testutil::rowsOf(t), rows);
        QVERIFY(file.ecrire_notes(t) && file.ecrire_notes(t));
        QCOMPARE(!file.keptCopy().isEmpty(), copyKept);
        QCOMPARE(QDir(home.folder()).entryList(QDir::Files).size(), copyKept ? 2 : 1);
        QVERIFY(file.keptCopy().isEmpty() || testutil::readFile(file.keptCopy()) == bytes);
        rows[0][Col::Slot].clear(); // the placeholder row is written as a blank note
        QCOMPARE(testutil::storedRows(home.folder()), rows);
    }

    // Never a mix, a cut or an empty file, never older than before. Start-up then removes the
    // writes' old temporary files and nothing else: not the user's own files beside planifs.txt,
    // nor a whole version newer than it, which is kept under a visible name.
    void killedWriterLeavesWholeVersion()
    {
        constexpr int kKills = 1000;
        QTemporaryDir dir;
        const QString folder = dir.path() + QStringLiteral("/rapix/"),
                      notes = folder + QStringLiteral("planifs.txt");
        testutil::writeFile(notes, versionBytes(0));
        const quint32 seed = qEnvironmentVariableIsSet("KILL_SEED")
                                 ? qEnvironmentVariableIntValue("KILL_SEED")
                                 : QRandomGenerator::global()->generate();
        qInfo("kill points from seed %u (KILL_SEED=%u repeats them)", seed, seed);
        QRandomGenerator random(seed);
        int found = 0; // the version the file holds
        for (int kill = 1; kill <= kKills; ++kill) {
            QProcess writer; // this program, rewriting the file from the next version on
            writer.start(QCoreApplication::applicationFilePath(),
                         {"-write", folder, QString::number(found + 1)});
            // It says when it starts each write and when the write is done: kill after one of
            // those points, at once or a little later, often inside a write.
            const int point = random.bounded(5);
            QByteArray said;
            for (int p = 0; p <= point; ++p) {
                QVERIFY2(writer.canReadLine() || writer.waitForReadyRead(20000), "the writer went silent");
                said = writer.readLine().trimmed();
            }
            usleep(random.bounded(1000));
            writer.kill();
            QVERIFY(writer.waitForFinished() && writer.exitStatus() == QProcess::CrashExit);
            const QByteArray bytes = testutil::readFile(notes);
            const int now = bytes.mid(3, bytes.indexOf('"', 3) - 3).toInt();
            // A write announced done is never undone; the file is always one whole version.
            const int done = said.startsWith("done ") ? said.mid(5).toInt() : found;
            QVERIFY2(
                now >= done && bytes == versionBytes(now),
                qPrintable(QStringLiteral("kill %1 after \"%2\"").arg(kill).arg(QString::fromLatin1(said))));
            found = now;
        }

        // An hour later, with the user's files and a write going on beside the leftovers.
        const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        const QStringList kept =
            QStringLiteral(".planifs.txt.rappelix-tmp-0123456789abcdef planifs-endommage-"
                           "20261207-102000.txt planifs.txt planifs.txt.202612 planifs.txt.Ab12Cd "
                           "planifs.txt.ancien planifs.txt.backup pref1.txt")
                .split(u' ');
        for (const QString &name : left + kept.mid(1)) {
            QFile f(folder + name);
            QVERIFY(f.open(QIODevice::ReadWrite | QIODevice::Append) &&
                    f.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                  QFileDevice::FileModificationTime));
        }
        testutil::writeFile(folder + kept[0], "x");
        // Whole, and named after planifs.txt was last written: killed between naming and renaming.
        QFile newer(folder + QStringLiteral(".planifs.txt.rappelix-tmp-fedcba9876543210"));
        testutil::writeFile(newer.fileName(), "v=newer");
        QVERIFY(newer.open(QIODevice::Append) &&
                newer.setFileTime(QDateTime::currentDateTime().addSecs(-1200),
                                  QFileDevice::FileModificationTime));
        NoteTable atStart;
        atStart.setUp();
        QVERIFY(NotesFile(folder).charger_notes(atStart) > 0);
        QCOMPARE(atStart.TextMatrix(1, Col::Stamp), QStringLiteral("v=%1").arg(found));
        const QStringList recovered = QDir(folder).entryList({QStringLiteral("planifs-recupere-*.txt")});
        QCOMPARE(testutil::readFile(folder + recovered.value(0)), "v=newer");
        QStringList all = kept + recovered;
        all.sort();
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), all);
    }
};

// "-write FOLDER FIRST": rewrites the notes file version after version until killed.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "-write") {
        prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the test
        NotesFile file(QString::fromLocal8Bit(argv[2]));
        for (int v = std::atoi(argv[3]);; ++v) {
            const NoteTable table = version(v);
            std::printf("write %d\n", v);
            std::fflush(stdout);
            if (!file.ecrire_notes(table))
                return 1;
            std::printf("done %d\n", v);
            std::fflush(stdout);
        }
    }
    TestDamage test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_damage.moc"
