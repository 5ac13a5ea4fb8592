// Damaged notes files, from the fuzzer's corpus: every complete record is loaded, the damaged
// original is kept beside the file before the first write replaces it, and what is written
// reads back the same.
#include "store/notesfile.h"
#include "testutil.h"

#include <QDir>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

class TestMalformed : public QObject {
    Q_OBJECT
private slots:
    void init() { testutil::failOnUnexpectedWarnings(); }
    void corpusFiles_data();
    void corpusFiles();
    void unreadableFileIsPutAside();
};

void TestMalformed::corpusFiles_data()
{
    // What each file loads, record by record (stamp, text, alert, alerted), from the reading
    // rules: a field runs from its opening quote to the next quote, the rest up to a comma or a
    // line end is skipped; an unquoted field runs up to a comma or a line end; only records of
    // four complete fields load. None loaded: the placeholder row.
    using Rows = QList<QStringList>;
    const QStringList abcd = {"a", "b", "c", "d"}, abc1 = {"a", "b", "c", "1"};
    const QHash<QString, Rows> loaded = {
        {"binary", {}},
        {"blank-lines-between", {abcd}},
        {"blanks-and-text-after-quotes", {abcd}},
        {"cr-line-ends", {abcd, {"e", "f", "g", ""}}},
        {"cut-after-a-comma", {abcd}},
        {"cut-before-fourth-field", {abc1}}, // never an empty fourth field: "1" would become ""
        {"cut-between-cr-and-lf", {abc1}},
        {"cut-in-a-record", {abcd}},
        {"cut-in-fourth-field", {abc1}},
        {"cut-in-third-field", {abc1}},
        {"doubled-quotes", {{"a", "dit ", "c", ""}}},
        {"empty-unquoted-fields", {{"", "", "", ""}}},
        {"empty", {}},
        {"fields-across-lines", {abcd}},
        {"five-fields-at-end", {abcd}},
        {"five-fields-on-a-line", {abcd, {"e", "f", "g", "h"}}},
        {"garbage-after-records", {abcd}},
        {"lf-line-ends", {abcd, {"e", "f", "g", ""}}},
        {"lone-lf-in-text", {{"a", "x\r\ny", "c", ""}}},
        {"lone-quote", {}},
        {"no-final-crlf", {abcd}},
        {"nul-only", {}},
        {"nul-tail-after-crash", {abc1}},
        {"only-blanks", {}},
        {"only-line-breaks", {}},
        {"placeholder-only", {{"", "", "", ""}}},
        {"quote-after-closing-quote", {{"a", "d", "e", "f"}}},
        {"quote-inside-unquoted", {{"ax", "b", "c", "d"}}},
        {"raw-line-break-in-text", {{"a", "x\r\ny", "c", "d"}}},
        {"regular", {abcd}},
        {"semicolons", {}},
        {"tabs-around-fields", {abcd}},
        {"three-fields-then-four", {abcd}},
        {"tilde-and-currency", {{"a", "\r\n\r\n\"\"\r\n", "c", ""}}},
        {"unclosed-long-note", {}},
        {"unclosed-quote", {abcd}},
        {"undefined-1252-bytes",
         {{QStringLiteral("\u0081\u008d"), QStringLiteral("\u008f\u0090"), QStringLiteral("\u009d"), ""}}},
        {"unquoted-fields", {abcd}},
        {"utf8-bom", {{QStringLiteral("\u00ef\u00bb\u00bfa"), "b", "c", "d"}}},
        {"utf8-text",
         {{QStringLiteral("Le 01/12 \u00c3\u00a0 16:26"), QStringLiteral("caf\u00c3\u00a9"), "", ""}}},
        {"worked-example",
         {{"Le 01/12 à 16:26", "Acheter du pain\r\nAppeler le \"garage\"", "lundi 08/12 9h30", ""},
          {"Le 02/12 à 09:05", "Rendre les livres", "mardi 02/12 14h00", "1"}}}};
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Rows>("rows");
    const QDir corpus(QStringLiteral(RAPPELIX_CORPUS));
    const QStringList files = corpus.entryList({QStringLiteral("*.txt")}, QDir::Files);
    QCOMPARE(files.size(), loaded.size()); // every file has its expected records
    for (const QString &f : files) {
        Rows rows;
        for (QStringList r : loaded.value(f.chopped(4))) {
            r.insert(Col::Slot, QString());
            rows << r;
        }
        QTest::newRow(qPrintable(f)) << testutil::readFile(corpus.filePath(f))
                                     << (rows.isEmpty() ? Rows{{"", "", "", "-1", ""}} : rows);
    }
}

// Each file loads its complete records; one that the next write would not give back byte for
// byte is kept aside as it was, once, before that write; what is written reads back the same.
void TestMalformed::corpusFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QStringList>, rows);
    TempDataHome home;
    testutil::writeFile(home.notesPath(), bytes);
    NotesFile file(home.folder());
    NoteTable t;
    t.setUp();
    file.charger_notes(t);
    QCOMPARE(testutil::rowsOf(t), rows);
    QVERIFY(file.ecrire_notes(t) && file.ecrire_notes(t));
    const QByteArray written = testutil::readFile(home.notesPath());
    QCOMPARE(file.keptCopy().isEmpty(), written == bytes || bytes.isEmpty());
    QCOMPARE(QDir(home.folder()).entryList(QDir::Files).size(), file.keptCopy().isEmpty() ? 1 : 2);
    QVERIFY(file.keptCopy().isEmpty() || testutil::readFile(file.keptCopy()) == bytes);
    rows[0][Col::Slot].clear(); // the placeholder row is written as a blank note
    QCOMPARE(testutil::storedRows(home.folder()), rows);
}

// A notes file that cannot be read is not replaced by an empty table: the first write moves it
// aside whole. Root reads anything, so as root the program's part runs as "nobody".
void TestMalformed::unreadableFileIsPutAside()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/rapix/"), notes = folder + NotesFile::fileName();
    testutil::writeFile(notes, "\"a\",\"b\",\"c\",\"d\"\r\n");
    QVERIFY(QFile::setPermissions(notes, {}));
    for (const QString &path : {dir.path(), folder, notes})
        QVERIFY(chown(QFile::encodeName(path).constData(), 65534, 65534) == 0 || geteuid() != 0);
    if (const pid_t pid = fork(); pid == 0) {
        NotesFile file(folder);
        NoteTable t;
        t.setUp();
        _exit((geteuid() != 0 || setuid(65534) == 0) && file.charger_notes(t) == 0 && file.ecrire_notes(t)
                  ? 0
                  : 1);
    } else {
        int status = 0;
        QVERIFY(waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const QString aside = folder + QDir(folder).entryList({QStringLiteral("planifs-endommage-*")}).value(0);
    QVERIFY(QFile::setPermissions(aside, QFileDevice::ReadOwner));
    QCOMPARE(testutil::readFile(aside), QByteArray("\"a\",\"b\",\"c\",\"d\"\r\n"));
    QCOMPARE(testutil::readFile(notes), QByteArray("\"\",\"\",\"\",\"\"\r\n"));
}

QTEST_GUILESS_MAIN(TestMalformed)
#include "tst_malformed.moc"
