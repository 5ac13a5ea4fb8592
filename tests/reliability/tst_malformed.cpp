// Damaged notes files through the real file on disk: every complete record is loaded, the
// damaged original is kept aside, the next write reads back the same; and large hostile files
// load in linear time.
#include "cputime.h"
#include "malformedcases.h"
#include "store/cp1252.h"
#include "store/notescodec.h"
#include "store/notesfile.h"
#include "testutil.h"

#include <QDir>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

Q_DECLARE_METATYPE(QList<QStringList>)

namespace {

const QString kCorpus = QStringLiteral(RAPPELIX_CORPUS);
constexpr qsizetype kMegabyte = 1 << 20;

QByteArray corpusFile(const char *name)
{
    return testutil::readFile(kCorpus + u'/' + QLatin1String(name) + QStringLiteral(".txt"));
}

// A piece repeated up to exactly 1 MB.
QByteArray megabyteOf(const QByteArray &piece)
{
    QByteArray out;
    out.reserve(kMegabyte);
    while (out.size() < kMegabyte)
        out += piece;
    out.truncate(kMegabyte);
    return out;
}

} // namespace

class TestMalformed : public QObject {
    Q_OBJECT
private slots:
    void corpusFiles_data();
    void corpusFiles();
    void everyCorpusFileHasItsCase();
    void largeFilesLoadFast_data();
    void largeFilesLoadFast();
    void staleTemporaryFilesRemoved();
    void unreadableFileIsPutAside();
};

void TestMalformed::corpusFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<bool>("exact");
    for (const CorpusCase &c : corpusCases())
        QTest::newRow(c.name) << corpusFile(c.name) << c.rows << c.exact;
}

void TestMalformed::corpusFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QStringList>, rows);
    QFETCH(bool, exact);
    NoteTable decoded;
    decoded.setUp();
    QCOMPARE(notescodec::decode(bytes, decoded).exact, exact);

    TempDataHome home;
    testutil::writeFile(home.notesPath(), bytes);
    NotesFile file(home.folder());
    NoteTable t;
    t.setUp();
    QCOMPARE(file.charger_notes(t), rows.size());
    if (rows.isEmpty())
        QCOMPARE(testutil::rowsOf(t), (QList<QStringList>{{"", "", "", "-1", ""}}));
    else
        QCOMPARE(testutil::rowsOf(t), rows);

    // The next write: a file that reads back exactly, the damaged one kept beside it
    // (unless it held nothing at all).
    Flags flags;
    flags.textChanged = true;
    QVERIFY(file.ecrire_notes(t, flags));
    QVERIFY(!flags.textChanged);
    const QByteArray written = testutil::readFile(home.notesPath());
    QCOMPARE(written == bytes, exact);
    QCOMPARE(file.keptCopy().isEmpty(), exact || bytes.isEmpty());
    if (!file.keptCopy().isEmpty())
        QCOMPARE(testutil::readFile(file.keptCopy()), bytes);
    NoteTable again;
    again.setUp();
    QVERIFY(notescodec::decode(written, again).exact);
    if (!rows.isEmpty())
        QCOMPARE(testutil::rowsOf(again), rows);
}

void TestMalformed::everyCorpusFileHasItsCase()
{
    QStringList named;
    for (const CorpusCase &c : corpusCases())
        named << QLatin1String(c.name) + QStringLiteral(".txt");
    QStringList files = QDir(kCorpus).entryList(QDir::Files);
    named.sort();
    files.sort();
    QCOMPARE(files, named);
    int damaged = 0;
    for (const CorpusCase &c : corpusCases())
        damaged += c.exact ? 0 : 1;
    qInfo("%lld files in the corpus, %d of them damaged", qsizetype(files.size()), damaged);
    QVERIFY(damaged >= 25);
}

void TestMalformed::largeFilesLoadFast_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray record =
        testutil::cp1252(QStringLiteral("\"Le 01/12 à 16:26\",\"pain~lait ¤x¤\",\"\",\"1\"\r\n"));
    QTest::newRow("records") << megabyteOf(record);
    QTest::newRow("smallest records") << megabyteOf(",,,\n");
    QTest::newRow("one huge note") << "\"a\",\"" + megabyteOf("x") + "\",\"\",\"\"\r\n";
    QTest::newRow("huge note of breaks") << "\"a\",\"" + megabyteOf("~\r\n\r") + "\",\"\",\"\"\r\n";
    QTest::newRow("huge note of quotes") << "\"a\",\"" + megabyteOf("\xa4") + "\",\"\",\"\"\r\n";
    QTest::newRow("unclosed quote") << "\"" + megabyteOf("x,");
    QTest::newRow("quotes") << megabyteOf("\"");
    QTest::newRow("commas") << megabyteOf(",");
    QTest::newRow("line breaks") << megabyteOf("\r\n");
    QTest::newRow("lone CRs") << megabyteOf("\r");
    QTest::newRow("blanks") << megabyteOf(" \t");
    QTest::newRow("NULs") << QByteArray(kMegabyte, '\0');
    QTest::newRow("text after quotes") << megabyteOf("\"a\"xxxxxxxxxxxxxxxx");
    QTest::newRow("all bytes") << megabyteOf([] {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        return all;
    }());
}

void TestMalformed::largeFilesLoadFast()
{
    QFETCH(QByteArray, bytes);
    TempDataHome home;
    testutil::writeFile(home.notesPath(), bytes);
    NotesFile file(home.folder());
    NoteTable t;
    t.setUp();
    const qint64 before = cpuMilliseconds();
    const int records = file.charger_notes(t);
    const qint64 ms = cpuMilliseconds() - before;
    qInfo("%lld bytes, %d records, loaded in %lld ms", qsizetype(bytes.size()), records, ms);
    QVERIFY2(ms < kSecond, qPrintable(QStringLiteral("%1 ms").arg(ms)));
    QCOMPARE(t.Rows(), qMax(records, 1) + 1);
}

// Left by writes killed between the temporary file's naming and its rename.
void TestMalformed::staleTemporaryFilesRemoved()
{
    TempDataHome home;
    testutil::writeFile(home.notesPath(), "\"a\",\"b\",\"c\",\"d\"\r\n");
    const QDateTime old = QDateTime::currentDateTime().addSecs(-3600);
    const QStringList stale = {"planifs.txt.BXFAlW", "planifs.txt.a1B2c3"};
    const QStringList kept = {"planifs.txt.fresh1",
                              "planifs.txt.bak",
                              "planifs.txt.old-01",
                              "pref1.txt",
                              "planifs-endommage-20261207-102000.txt",
                              "autre.txt.ABCDEF"};
    for (const QString &name : stale + kept) {
        testutil::writeFile(home.folder() + name, "x");
        if (name != QLatin1String("planifs.txt.fresh1")) {
            QFile f(home.folder() + name);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
        }
    }
    NotesFile file(home.folder());
    NoteTable t;
    t.setUp();
    QCOMPARE(file.charger_notes(t), 1);
    QStringList left = QDir(home.folder()).entryList(QDir::Files);
    QStringList expected = kept + QStringList{NotesFile::fileName()};
    left.sort();
    expected.sort();
    QCOMPARE(left, expected);
}

// A notes file that is there but cannot be read (another owner, no permission) is never
// replaced by an empty table: the first write moves it aside whole. Root reads anything, so
// as root the program's part runs in a child process under the user "nobody".
void TestMalformed::unreadableFileIsPutAside()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/rapix/");
    const QByteArray original = corpusFile("worked-example");
    testutil::writeFile(folder + NotesFile::fileName(), original);
    QVERIFY(QFile::setPermissions(folder + NotesFile::fileName(), {}));

    const auto program = [&folder]() -> int {
        NotesFile file(folder);
        NoteTable t;
        t.setUp();
        if (file.charger_notes(t) != 0)
            return 1;
        t.setTextMatrix(1, Col::Text, QStringLiteral("nouvelle"));
        Flags flags;
        if (!file.ecrire_notes(t, flags))
            return 2;
        return file.keptCopy().isEmpty() ? 3 : 0;
    };
    if (geteuid() == 0) {
        const uid_t nobody = 65534;
        for (const QString &path : {dir.path(), folder, folder + NotesFile::fileName()})
            QCOMPARE(chown(QFile::encodeName(path).constData(), nobody, nobody), 0);
        const pid_t pid = fork();
        if (pid == 0)
            _exit(setgid(nobody) == 0 && setuid(nobody) == 0 ? program() : 4);
        int status = 0;
        QCOMPARE(waitpid(pid, &status, 0), pid);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    } else {
        QCOMPARE(program(), 0);
    }

    const QStringList aside =
        QDir(folder).entryList({QStringLiteral("planifs-endommage-*.txt")}, QDir::Files);
    QCOMPARE(aside.size(), 1);
    QVERIFY(QFile::setPermissions(folder + aside.first(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(testutil::readFile(folder + aside.first()), original);
    QVERIFY(testutil::readFile(folder + NotesFile::fileName()).startsWith("\"\",\"nouvelle\""));
}

QTEST_GUILESS_MAIN(TestMalformed)
#include "tst_malformed.moc"
