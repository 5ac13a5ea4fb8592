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

QTEST_GUILESS_MAIN(TestMalformed)
#include "tst_malformed.moc"
