// The notes file through the real file on disk: its bytes, its reader's rules, its failures,
// and the data folder.
#include "store/cp1252.h"
#include "store/datafolder.h"
#include "store/notescodec.h"
#include "store/notesfile.h"
#include "store/notetable.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using testutil::readFile;
using testutil::writeFile;

Q_DECLARE_METATYPE(QList<QStringList>)

namespace {
NoteTable setUpTable()
{
    NoteTable t;
    t.setUp();
    return t;
}

const QByteArray kWorkedExample = testutil::cp1252(
    QStringLiteral("\"Le 01/12 à 16:26\",\"Acheter du pain~Appeler le ¤garage¤\",\"lundi 08/12 9h30\",\"\"\r\n"
                   "\"Le 02/12 à 09:05\",\"Rendre les livres\",\"mardi 02/12 14h00\",\"1\"\r\n"));

const QList<QStringList> kWorkedRows = {
    {QStringLiteral("Le 01/12 à 16:26"), QStringLiteral("Acheter du pain\r\nAppeler le \"garage\""),
     QStringLiteral("lundi 08/12 9h30"), QString(), QString()},
    {QStringLiteral("Le 02/12 à 09:05"), QStringLiteral("Rendre les livres"), QStringLiteral("mardi 02/12 14h00"),
     QString(), QStringLiteral("1")}};
}  // namespace

class TestStore : public QObject {
    Q_OBJECT
private slots:
    void workedExampleBothWays();
    void placeholderOnly();
    void noteTextsRoundTrip_data();
    void noteTextsRoundTrip();
    void textsThatDoNotRoundTrip_data();
    void textsThatDoNotRoundTrip();
    void manyRecordsAndBlankRecord();
    void malformedFiles_data();
    void malformedFiles();
    void irregularFileIsKeptAside();
    void failedWriteKeepsOldFile();
    void missingOrEmptyFile();
    void dataFolderChoice();
    void cp1252Bytes();
};

void TestStore::workedExampleBothWays()
{
    TempDataHome home;
    QDir().mkpath(home.folder());
    NotesFile file(home.folder());

    NoteTable written = setUpTable();
    testutil::fill(written, kWorkedRows);
    Flags flags;
    flags.textChanged = true;
    QVERIFY(file.ecrire_notes(written, flags));
    QVERIFY(!flags.textChanged);
    QCOMPARE(readFile(home.notesPath()), kWorkedExample);

    NoteTable read = setUpTable();
    QCOMPARE(file.charger_notes(read), 2);
    QCOMPARE(testutil::rowsOf(read), kWorkedRows);
    QVERIFY(file.keptCopy().isEmpty());
}

void TestStore::placeholderOnly()
{
    NoteTable t = setUpTable();
    QCOMPARE(t.TextMatrix(1, Col::Slot), QStringLiteral("-1"));
    QCOMPARE(notescodec::encode(t), QByteArray("\"\",\"\",\"\",\"\"\r\n"));
    // Read back, the stored placeholder is an ordinary blank row: its column 3 is "".
    NoteTable back = setUpTable();
    QCOMPARE(notescodec::decode(notescodec::encode(t), back).records, 1);
    QCOMPARE(testutil::rowsOf(back), (QList<QStringList>{{"", "", "", "", ""}}));
}

void TestStore::noteTextsRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("quotes") << QStringLiteral("dire \"oui\"") << testutil::cp1252(QStringLiteral("dire ¤oui¤"));
    QTest::newRow("three lines") << QStringLiteral("un\r\ndeux\r\ntrois") << QByteArray("un~deux~trois");
    QTest::newRow("commas") << QStringLiteral("pain, lait, oeufs") << QByteArray("pain, lait, oeufs");
    QTest::newRow("accents and euro") << QStringLiteral("café à 3 € – œuf") << testutil::cp1252(QStringLiteral("café à 3 € – œuf"));
    QTest::newRow("leading blanks") << QStringLiteral("   retrait") << QByteArray("   retrait");
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestStore::noteTextsRoundTrip()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, field);
    NoteTable t = setUpTable();
    t.setTextMatrix(1, Col::Slot, QString());
    t.setTextMatrix(1, Col::Text, text);
    const QByteArray bytes = notescodec::encode(t);
    QCOMPARE(bytes, "\"\",\"" + field + "\",\"\",\"\"\r\n");
    NoteTable back = setUpTable();
    QVERIFY(notescodec::decode(bytes, back).exact);
    QCOMPARE(back.TextMatrix(1, Col::Text), text);
}

void TestStore::textsThatDoNotRoundTrip_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("afterRestart");
    QTest::newRow("tilde") << QStringLiteral("a~b") << QStringLiteral("a\r\nb");
    QTest::newRow("currency") << QStringLiteral("a¤b") << QStringLiteral("a\"b");
    QTest::newRow("lone LF") << QStringLiteral("a\nb") << QStringLiteral("a\r\nb");
    QTest::newRow("lone CR") << QStringLiteral("a\rb") << QStringLiteral("a\r\nb");
    QTest::newRow("outside 1252") << QStringLiteral("日本 ok 😀") << QStringLiteral("?? ok ?");
}

void TestStore::textsThatDoNotRoundTrip()
{
    QFETCH(QString, typed);
    QFETCH(QString, afterRestart);
    NoteTable t = setUpTable();
    t.setTextMatrix(1, Col::Text, typed);
    NoteTable back = setUpTable();
    notescodec::decode(notescodec::encode(t), back);
    QCOMPARE(back.TextMatrix(1, Col::Text), afterRestart);
}

void TestStore::manyRecordsAndBlankRecord()
{
    TempDataHome home;
    QByteArray bytes = "\"\",\"\",\"\",\"\"\r\n";
    for (int i = 1; i <= 150; ++i)
        bytes += "\"Le 01/12 à 10:00\",\"note " + QByteArray::number(i) + "\",\"\",\"\"\r\n";
    writeFile(home.notesPath(), bytes);
    NotesFile file(home.folder());
    NoteTable t = setUpTable();
    QCOMPARE(file.charger_notes(t), 151);
    QCOMPARE(t.Rows(), 152);
    QCOMPARE(t.TextMatrix(1, Col::Slot), QString());  // a blank note, not the placeholder
    QVERIFY(t.isBlankRow(1));
    QCOMPARE(t.TextMatrix(151, Col::Text), QStringLiteral("note 150"));
    for (int r = 1; r < t.Rows(); ++r)
        QCOMPARE(t.TextMatrix(r, Col::Slot), QString());
}

void TestStore::malformedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<bool>("exact");
    using R = QList<QStringList>;
    const QStringList ab = {"a", "b", "c", "", "d"};
    QTest::newRow("regular") << QByteArray("\"a\",\"b\",\"c\",\"d\"\r\n") << R{ab} << true;
    QTest::newRow("no final CR LF") << QByteArray("\"a\",\"b\",\"c\",\"d\"") << R{ab} << false;
    QTest::newRow("LF line ends") << QByteArray("\"a\",\"b\",\"c\",\"d\"\n\"e\",\"f\",\"g\",\"\"\n")
                                  << R{ab, {"e", "f", "g", "", ""}} << false;
    QTest::newRow("cut in a record") << QByteArray("\"a\",\"b\",\"c\",\"d\"\r\n\"e\",\"f\"") << R{ab} << false;
    QTest::newRow("cut after a comma") << QByteArray("\"a\",\"b\",\"c\",\"d\"\r\n\"e\",") << R{ab} << false;
    QTest::newRow("unclosed quote") << QByteArray("\"a\",\"b\",\"c\",\"d\"\r\n\"e\",\"f,g,h\r\n")
                                    << R{ab} << false;
    QTest::newRow("blanks and text after quotes")
        << QByteArray("  \"a\" x, \"b\"yy ,\"c\",  \"d\"  \r\n") << R{ab} << false;
    QTest::newRow("unquoted fields") << QByteArray("a,b,c,d\r\n") << R{ab} << false;
    QTest::newRow("quote inside unquoted") << QByteArray("a\"x,b,c,d\r\n")
                                          << R{{"ax", "b", "c", "", "d"}} << false;
    QTest::newRow("fields across lines") << QByteArray("\"a\",\"b\"\r\n\"c\",\"d\"\r\n") << R{ab} << false;
    QTest::newRow("five fields on a line") << QByteArray("\"a\",\"b\",\"c\",\"d\",\"e\"\r\n\"f\",\"g\",\"h\"\r\n")
                                           << R{ab, {"e", "f", "g", "", "h"}} << false;
    QTest::newRow("blank lines between") << QByteArray("\r\n\"a\",\"b\",\"c\",\"d\"\r\n\r\n\r\n")
                                         << R{ab} << false;
    QTest::newRow("raw line break in text") << QByteArray("\"a\",\"x\r\ny\",\"c\",\"d\"\r\n")
                                            << R{{"a", "x\r\ny", "c", "", "d"}} << false;
    QTest::newRow("only blanks") << QByteArray("   \r\n \t \r\n") << R{} << false;
    QTest::newRow("binary") << QByteArray("\x00\x01\xff\"\x7f", 5) << R{} << false;
    QTest::newRow("lone quote") << QByteArray("\"") << R{} << false;
}

void TestStore::malformedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QStringList>, rows);
    QFETCH(bool, exact);
    NoteTable t = setUpTable();
    const auto result = notescodec::decode(bytes, t);
    QCOMPARE(result.records, rows.size());
    if (rows.isEmpty())
        QCOMPARE(t.TextMatrix(1, Col::Slot), QStringLiteral("-1"));  // still the placeholder
    else
        QCOMPARE(testutil::rowsOf(t), rows);
    QCOMPARE(result.exact, exact);
    // "exact" means just that: the next write gives the same bytes.
    if (!rows.isEmpty())
        QCOMPARE(notescodec::encode(t) == bytes, exact);
    // Whatever was read survives a write and a read unchanged.
    NoteTable again = setUpTable();
    notescodec::decode(notescodec::encode(t), again);
    if (!rows.isEmpty())
        QCOMPARE(testutil::rowsOf(again), testutil::rowsOf(t));
}

void TestStore::irregularFileIsKeptAside()
{
    TempDataHome home;
    const QByteArray damaged = "\"a\",\"b\",\"c\",\"d\"\r\n\"e\",\"unfinished";
    writeFile(home.notesPath(), damaged);
    NotesFile file(home.folder());
    NoteTable t = setUpTable();
    QCOMPARE(file.charger_notes(t), 1);
    Flags flags;
    QVERIFY(file.ecrire_notes(t, flags));
    QVERIFY(!file.keptCopy().isEmpty());
    QVERIFY(QFileInfo(file.keptCopy()).fileName().startsWith(QStringLiteral("planifs-endommage-")));
    QCOMPARE(readFile(file.keptCopy()), damaged);
    QCOMPARE(readFile(home.notesPath()), QByteArray("\"a\",\"b\",\"c\",\"d\"\r\n"));
    // A second write keeps the copy and makes no other.
    QVERIFY(file.ecrire_notes(t, flags));
    QCOMPARE(QDir(home.folder()).entryList(QDir::Files).size(), 2);
}

void TestStore::failedWriteKeepsOldFile()
{
    TempDataHome home;
    writeFile(home.notesPath(), kWorkedExample);
    NotesFile file(home.folder());
    NoteTable t = setUpTable();
    QCOMPARE(file.charger_notes(t), 2);
    t.setTextMatrix(1, Col::Text, QStringLiteral("changé"));

    // A folder that refuses new files (the temporary file cannot be made).
    QFile::setPermissions(home.folder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const bool enforced = !QFile(home.folder() + "probe").open(QIODevice::WriteOnly);
    Flags flags;
    if (enforced) {
        QVERIFY(!file.ecrire_notes(t, flags));
        QVERIFY(flags.textChanged);  // the next tick tries again
        QCOMPARE(readFile(home.notesPath()), kWorkedExample);
        QCOMPARE(t.TextMatrix(1, Col::Text), QStringLiteral("changé"));
    }
    QFile::setPermissions(home.folder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // A file where the folder was: the folder cannot be made again.
    QVERIFY(QDir(home.folder()).removeRecursively());
    writeFile(home.folder().chopped(1), "x");
    QVERIFY(!file.ecrire_notes(t, flags));
    QVERIFY(flags.textChanged);
    QCOMPARE(t.TextMatrix(1, Col::Text), QStringLiteral("changé"));

    // Once the fault clears, the next write succeeds and makes the folder again.
    QVERIFY(QFile::remove(home.folder().chopped(1)));
    QVERIFY(file.ecrire_notes(t, flags));
    QVERIFY(!flags.textChanged);
    QVERIFY(readFile(home.notesPath()).startsWith("\"Le 01/12 \xe0 16:26\",\"chang\xe9\""));
}

void TestStore::missingOrEmptyFile()
{
    TempDataHome home;
    NotesFile file(home.folder());
    NoteTable t = setUpTable();
    QCOMPARE(file.charger_notes(t), 0);
    QCOMPARE(t.Rows(), 2);
    QCOMPARE(t.TextMatrix(1, Col::Slot), QStringLiteral("-1"));
    writeFile(home.notesPath(), QByteArray());
    QCOMPARE(file.charger_notes(t), 0);
    QCOMPARE(t.TextMatrix(1, Col::Slot), QStringLiteral("-1"));
    QVERIFY(file.keptCopy().isEmpty());
}

void TestStore::dataFolderChoice()
{
    QTemporaryDir appData, program;
    // First start: the folder is made, with its parents.
    const QString nested = appData.path() + "/share";
    QCOMPARE(preparer_dossier(nested, program.path()), nested + "/rapix/");
    QVERIFY(QFileInfo(nested + "/rapix").isDir());
    // Already there: taken as it is.
    QCOMPARE(preparer_dossier(nested, program.path()), nested + "/rapix/");
    // No application-data folder at all, or only blanks: the program's own folder.
    QCOMPARE(preparer_dossier("  ", program.path()), program.path() + "/rapixset/");
    QVERIFY(QFileInfo(program.path() + "/rapixset").isDir());
    // A file named "rapix" is no folder: fall back.
    writeFile(appData.path() + "/rapix", "x");
    QCOMPARE(preparer_dossier(appData.path(), program.path()), program.path() + "/rapixset/");
    QCOMPARE(readFile(appData.path() + "/rapix"), QByteArray("x"));
    // Through $XDG_DATA_HOME, as the program itself asks.
    TempDataHome home;
    QCOMPARE(preparer_dossier(), home.folder());
    QVERIFY(QFileInfo(home.folder()).isDir());
}

void TestStore::cp1252Bytes()
{
    // Every byte decodes to a character that encodes back to that byte.
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    QCOMPARE(cp1252::encode(cp1252::decode(all)), all);
    QCOMPARE(testutil::cp1252(QStringLiteral("€Œ‘’…")), QByteArray("\x80\x8c\x91\x92\x85"));
    QCOMPARE(testutil::cp1252(QString::fromUtf8(QByteArray("\xc2\x81"))), QByteArray("\x81"));
    QCOMPARE(testutil::cp1252(QStringLiteral("ĀΩ")), QByteArray("??"));
}

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
