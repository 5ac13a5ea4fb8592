// Damaged notes files, from the fuzzer's corpus: every complete record is loaded, the damaged
// original is kept beside the file before the first write replaces it, and what is written
// reads back the same.
#include "store/notescodec.h"
#include "store/notesfile.h"
#include "testutil.h"

#include <QDir>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

class TestMalformed : public QObject {
    Q_OBJECT
private slots:
    void corpusFiles_data();
    void corpusFiles();
    void unreadableFileIsPutAside();
};

void TestMalformed::corpusFiles_data()
{
    // What loading gives where the reader takes a path of its own, as "stamp|text|alert|alerted"
    // records with "/" between them.
    const QHash<QString, QString> loaded = {
        {"regular", "a|b|c|d"},
        {"placeholder-only", "|||"},
        {"no-final-crlf", "a|b|c|d"},
        {"lf-line-ends", "a|b|c|d/e|f|g|"},
        {"unclosed-quote", "a|b|c|d"},
        {"binary", ""},
        {"cut-before-fourth-field", "a|b|c|1"}, // never an empty fourth field: "1" would become ""
        {"nul-tail-after-crash", "a|b|c|1"},
        {"quote-inside-unquoted", "ax|b|c|d"},
        {"fields-across-lines", "a|b|c|d"},
        {"five-fields-on-a-line", "a|b|c|d/e|f|g|h"},
        {"raw-line-break-in-text", "a|x\r\ny|c|d"},
        {"quote-after-closing-quote", "a|d|e|f"}};
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("records");
    const QDir corpus(QStringLiteral(RAPPELIX_CORPUS));
    for (const QString &f : corpus.entryList({QStringLiteral("*.txt")}, QDir::Files))
        QTest::newRow(qPrintable(f)) << testutil::readFile(corpus.filePath(f))
                                     << loaded.value(f.chopped(4), "?");
}

void TestMalformed::corpusFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, records);
    NoteTable decoded;
    decoded.setUp();
    const bool exact = notescodec::decode(bytes, decoded).exact;
    TempDataHome home;
    testutil::writeFile(home.notesPath(), bytes);
    NotesFile file(home.folder());
    NoteTable t;
    t.setUp();
    file.charger_notes(t);
    QList<QStringList> rows;
    for (const QString &r : records.split(u'/', Qt::SkipEmptyParts))
        rows << (r.split(u'|').mid(0, 3) << QString() << r.section(u'|', 3));
    if (records != QLatin1String("?"))
        QCOMPARE(testutil::rowsOf(t), rows.isEmpty() ? QList<QStringList>({{"", "", "", "-1", ""}}) : rows);

    // "exact" means that the next write gives the same bytes; a damaged file is kept as it was,
    // once, and what is written reads back to the table.
    QVERIFY(file.ecrire_notes(t) && file.ecrire_notes(t));
    const QByteArray written = testutil::readFile(home.notesPath());
    QCOMPARE(written == bytes, exact);
    QCOMPARE(file.keptCopy().isEmpty(), exact || bytes.isEmpty());
    QCOMPARE(QDir(home.folder()).entryList(QDir::Files).size(), file.keptCopy().isEmpty() ? 1 : 2);
    QVERIFY(file.keptCopy().isEmpty() || testutil::readFile(file.keptCopy()) == bytes);
    rows = testutil::rowsOf(t);
    rows[0][Col::Slot].clear(); // the placeholder row is written as a blank note
    QCOMPARE(testutil::storedRows(home.folder()), rows);
    NoteTable again;
    again.setUp();
    QVERIFY(notescodec::decode(written, again).exact);
}

// A notes file that cannot be read is never replaced by an empty table: the first write moves it
// aside whole. Root reads anything, so as root the program's part runs as "nobody".
void TestMalformed::unreadableFileIsPutAside()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/rapix/"), notes = folder + NotesFile::fileName();
    testutil::writeFile(notes, "\"a\",\"b\",\"c\",\"d\"\r\n");
    QVERIFY(QFile::setPermissions(notes, {}));
    for (const QString &path : {dir.path(), folder, notes})
        QVERIFY(geteuid() != 0 || chown(QFile::encodeName(path).constData(), 65534, 65534) == 0);
    const pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && setuid(65534) != 0)
            _exit(2);
        NotesFile file(folder);
        NoteTable t;
        t.setUp();
        _exit(file.charger_notes(t) == 0 && file.ecrire_notes(t) ? 0 : 1);
    }
    int status = 0;
    QVERIFY(waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const QStringList aside = QDir(folder).entryList({QStringLiteral("planifs-endommage-*")});
    QCOMPARE(aside.size(), 1);
    QVERIFY(QFile::setPermissions(folder + aside[0], QFileDevice::ReadOwner));
    QCOMPARE(testutil::readFile(folder + aside[0]), QByteArray("\"a\",\"b\",\"c\",\"d\"\r\n"));
    QCOMPARE(testutil::readFile(notes), QByteArray("\"\",\"\",\"\",\"\"\r\n"));
}

QTEST_GUILESS_MAIN(TestMalformed)
#include "tst_malformed.moc"
