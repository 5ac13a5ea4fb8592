// The real main window while its storage fails: damaged notes files at start-up, the data
// folder removed or replaced while it runs, a write that fails part way, a full disk, a data
// folder that cannot be made at all. The program keeps running, the table and the last good
// file stay as they were, and the next write once the fault has cleared succeeds.
#include "app/f_iir.h"
#include "cputime.h"
#include "malformedcases.h"
#include "store/notescodec.h"
#include "testutil.h"

#include <QCoreApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

using testutil::readFile;
using testutil::writeFile;

Q_DECLARE_METATYPE(QList<QStringList>)

namespace {

const QByteArray kTwoNotes =
    "\"Le 01/12 \xe0 16:26\",\"Acheter du pain~Appeler le \xa4garage\xa4\",\"lundi 08/12 9h30\",\"\"\r\n"
    "\"Le 02/12 \xe0 09:05\",\"Rendre les livres\",\"mardi 02/12 14h00\",\"1\"\r\n";

QList<QStringList> storedRows(const NoteTable &t)
{
    QList<QStringList> rows = testutil::rowsOf(t);
    for (QStringList &row : rows)
        row[Col::Slot].clear();
    return rows;
}

// What the file on disk holds, as rows.
QList<QStringList> rowsOnDisk(const QString &path)
{
    NoteTable t;
    t.setUp();
    if (!notescodec::decode(readFile(path), t).exact)
        return {};
    return testutil::rowsOf(t);
}

// A change typed into a note: the next tick of the timer writes the file.
void typeInto(f_iir &w, int row, const QString &text)
{
    w.session().table.setTextMatrix(row, Col::Text, text);
    w.session().flags.textChanged = true;
}

// The next tick of the alert timer, a minute later.
void tick(f_iir &w, MockClock &clock)
{
    clock.advance(60);
    w.Timer1_Timer();
}

// The window is there and its timer runs: the program goes on.
void checkRunning(f_iir &w)
{
    QCoreApplication::processEvents();
    QVERIFY(w.isVisible());
    QVERIFY(w.Timer1->isActive());
}

// Removes a file or a folder, whichever stands at the path.
bool removePath(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink() ? QDir(path).removeRecursively() : QFile::remove(path);
}

} // namespace

class TestStorage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void malformedFilesAtStartUp_data();
    void malformedFilesAtStartUp();
    void largeFileAtStartUp_data();
    void largeFileAtStartUp();
    void dataFolderRemovedWhileRunning();
    void dataFolderReplacedByFile();
    void notesFileReplacedByFolder();
    void writeFailsPartWay();
    void diskFull();
    void dataFolderCannotBeMade();
};

void TestStorage::initTestCase()
{
    testutil::useFrenchLocale();
    // A write past the file-size limit must fail with EFBIG, not end the program.
    signal(SIGXFSZ, SIG_IGN);
}

void TestStorage::malformedFilesAtStartUp_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<bool>("exact");
    for (const CorpusCase &c : corpusCases())
        QTest::newRow(c.name) << QString::fromLatin1(c.name) << c.rows << c.exact;
}

void TestStorage::malformedFilesAtStartUp()
{
    QFETCH(QString, name);
    QFETCH(QList<QStringList>, rows);
    QFETCH(bool, exact);
    const QByteArray bytes = readFile(QStringLiteral(RAPPELIX_CORPUS "/") + name + QStringLiteral(".txt"));
    QVERIFY(!bytes.isEmpty() || name == QLatin1String("empty"));
    TempDataHome home;
    writeFile(home.notesPath(), bytes);
    MockClock clock;
    f_iir w(clock);
    w.Form_Load();
    checkRunning(w);
    const NoteTable &t = w.session().table;
    const QList<QStringList> blank = {{"", "", "", "", ""}};
    QCOMPARE(storedRows(t), rows.isEmpty() ? blank : rows);
    QCOMPARE(w.gri->model()->rowCount(), qMax(1, int(rows.size())));
    // Nothing written yet: the file is as it was found.
    QCOMPARE(readFile(home.notesPath()), bytes);

    // The next write keeps a copy of a damaged file and leaves one that reads back the same.
    typeInto(w, 1, t.TextMatrix(1, Col::Text));
    tick(w, clock);
    QVERIFY(!w.session().flags.textChanged);
    QCOMPARE(rowsOnDisk(home.notesPath()), storedRows(t));
    const QString copy = w.session().file.keptCopy();
    QCOMPARE(copy.isEmpty(), exact || bytes.isEmpty());
    if (!copy.isEmpty())
        QCOMPARE(readFile(copy), bytes);
}

void TestStorage::largeFileAtStartUp_data()
{
    QTest::addColumn<QByteArray>("piece");
    QTest::newRow("smallest records") << QByteArray(",,,\n");
    QTest::newRow("commas") << QByteArray(",");
    QTest::newRow("notes") << QByteArray(
        "\"Le 01/12 \xe0 16:26\",\"pain~lait\",\"lundi 08/12 9h30\",\"\"\r\n");
    QTest::newRow("one huge note") << QByteArray("x");
}

// A file of 1 MB, whatever it holds, loads at start-up in well under a second of processor time.
void TestStorage::largeFileAtStartUp()
{
    QFETCH(QByteArray, piece);
    QByteArray bytes;
    while (bytes.size() < (1 << 20))
        bytes += piece;
    if (piece == "x")
        bytes = "\"a\",\"" + bytes + "\",\"\",\"\"\r\n";
    TempDataHome home;
    writeFile(home.notesPath(), bytes);
    MockClock clock;
    f_iir w(clock);
    const qint64 before = cpuMilliseconds();
    w.Form_Load();
    QCoreApplication::processEvents();
    const qint64 ms = cpuMilliseconds() - before;
    qInfo("%lld rows loaded and shown in %lld ms", qint64(w.session().table.Rows() - 1), ms);
    QVERIFY2(ms < kSecond, qPrintable(QStringLiteral("%1 ms").arg(ms)));
    checkRunning(w);
}

void TestStorage::dataFolderRemovedWhileRunning()
{
    TempDataHome home;
    writeFile(home.notesPath(), kTwoNotes);
    MockClock clock;
    f_iir w(clock);
    w.Form_Load();
    QVERIFY(QDir(home.folder()).removeRecursively());

    // The folder is made again by the next write, which saves the whole table.
    typeInto(w, 1, QStringLiteral("changé"));
    const QList<QStringList> rows = storedRows(w.session().table);
    tick(w, clock);
    checkRunning(w);
    QVERIFY(!w.session().flags.textChanged);
    QCOMPARE(rowsOnDisk(home.notesPath()), rows);
    QCOMPARE(w.session().table.TextMatrix(2, Col::Text), QStringLiteral("Rendre les livres"));
}

void TestStorage::dataFolderReplacedByFile()
{
    TempDataHome home;
    writeFile(home.notesPath(), kTwoNotes);
    MockClock clock;
    f_iir w(clock);
    w.Form_Load();
    const QString folder = home.folder().chopped(1);
    QVERIFY(QDir(folder).removeRecursively());
    writeFile(folder, "pas un dossier");

    typeInto(w, 1, QStringLiteral("changé"));
    const QList<QStringList> rows = storedRows(w.session().table);
    for (int n = 0; n < 3; ++n) {
        tick(w, clock);
        checkRunning(w);
        QVERIFY(w.session().flags.textChanged); // every tick tries again
    }
    QCOMPARE(storedRows(w.session().table), rows);
    QCOMPARE(readFile(folder), QByteArray("pas un dossier")); // what stands there is not touched

    // The fault clears: the next tick writes.
    QVERIFY(QFile::remove(folder));
    tick(w, clock);
    QVERIFY(!w.session().flags.textChanged);
    QCOMPARE(rowsOnDisk(home.notesPath()), rows);
}

void TestStorage::notesFileReplacedByFolder()
{
    TempDataHome home;
    writeFile(home.notesPath(), kTwoNotes);
    MockClock clock;
    f_iir w(clock);
    w.Form_Load();
    QVERIFY(QFile::remove(home.notesPath()));
    writeFile(home.notesPath() + QStringLiteral("/dedans.txt"), "x");

    typeInto(w, 2, QStringLiteral("changé"));
    const QList<QStringList> rows = storedRows(w.session().table);
    tick(w, clock);
    checkRunning(w);
    QVERIFY(w.session().flags.textChanged);
    QCOMPARE(readFile(home.notesPath() + QStringLiteral("/dedans.txt")), QByteArray("x"));

    QVERIFY(QDir(home.notesPath()).removeRecursively());
    tick(w, clock);
    QVERIFY(!w.session().flags.textChanged);
    QCOMPARE(rowsOnDisk(home.notesPath()), rows);
}

// The file-size limit makes every write past its first bytes fail (EFBIG): a device that
// fails part way, through the real writer, without root.
void TestStorage::writeFailsPartWay()
{
    TempDataHome home;
    writeFile(home.notesPath(), kTwoNotes);
    MockClock clock;
    f_iir w(clock);
    QSignalSpy quit(&w, &f_iir::quitRequested);
    w.Form_Load();
    typeInto(w, 1, QString(200000, u'x'));
    const QList<QStringList> rows = storedRows(w.session().table);

    rlimit old{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 65536;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    tick(w, clock);
    const bool failed = w.session().flags.textChanged;
    const QByteArray during = readFile(home.notesPath());
    const QStringList files = QDir(home.folder()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &old), 0);

    QVERIFY(failed);                                     // the write failed, a later tick retries
    QCOMPARE(during, kTwoNotes);                         // the last good file is whole
    QCOMPARE(files, QStringList{NotesFile::fileName()}); // and nothing half-written lies beside it
    QCOMPARE(storedRows(w.session().table), rows);
    checkRunning(w);

    // Once writes go through again, the next tick saves everything.
    tick(w, clock);
    QVERIFY(!w.session().flags.textChanged);
    QCOMPARE(rowsOnDisk(home.notesPath()), rows);

    // Quitting while writes fail still ends the program, with the last good file whole.
    typeInto(w, 2, QString(100000, u'y'));
    const QByteArray lastGood = readFile(home.notesPath());
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    w.m_quitter_Click();
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &old), 0);
    QTRY_COMPARE(quit.count(), 1);
    QCOMPARE(readFile(home.notesPath()), lastGood);
}

// A small tmpfs filled up: needs the right to mount, which the tests have when run as root.
void TestStorage::diskFull()
{
    if (geteuid() != 0)
        QSKIP("a full disk is a small tmpfs, which only root may mount");
    TempDataHome home;
    QVERIFY(QDir().mkpath(home.folder()));
    const QByteArray folder = QFile::encodeName(home.folder());
    if (mount("tmpfs", folder.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k,mode=0700") != 0)
        QSKIP(qPrintable(
            QStringLiteral("cannot mount a tmpfs here: %1").arg(QString::fromLocal8Bit(strerror(errno)))));
    struct Unmount {
        QByteArray path;
        ~Unmount() { umount2(path.constData(), MNT_DETACH); }
    } unmount{folder};

    writeFile(home.notesPath(), kTwoNotes);
    MockClock clock;
    f_iir w(clock);
    w.Form_Load();
    typeInto(w, 1, QString(20000, u'z'));
    const QList<QStringList> rows = storedRows(w.session().table);

    // Fill the disk to its last byte.
    const QString fillerPath = home.folder() + QStringLiteral("filler");
    {
        QFile filler(fillerPath);
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        const QByteArray byte(1, 'f');
        while (filler.write(byte) == 1) {
        }
    }
    for (int n = 0; n < 2; ++n) {
        tick(w, clock);
        checkRunning(w);
        QVERIFY(w.session().flags.textChanged);
    }
    QCOMPARE(readFile(home.notesPath()), kTwoNotes);
    QCOMPARE(storedRows(w.session().table), rows);
    QCOMPARE(QDir(home.folder()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{QStringLiteral("filler"), NotesFile::fileName()}));

    // Space comes back: the next tick writes.
    QVERIFY(QFile::remove(fillerPath));
    tick(w, clock);
    QVERIFY(!w.session().flags.textChanged);
    QCOMPARE(rowsOnDisk(home.notesPath()), rows);
}

// Neither <data>/rapix nor <program folder>/rapixset can be made: a file stands in the way
// of each (which holds even for root, unlike permissions).
void TestStorage::dataFolderCannotBeMade()
{
    QTemporaryDir dir;
    writeFile(dir.path() + QStringLiteral("/blocked"), "x");
    const QByteArray oldHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path() + QStringLiteral("/blocked/share")));
    const QString fallback = QCoreApplication::applicationDirPath() + QStringLiteral("/rapixset");
    removePath(fallback);
    writeFile(fallback, "x");
    struct Restore {
        QByteArray home;
        QString fallback;
        ~Restore()
        {
            qputenv("XDG_DATA_HOME", home);
            removePath(fallback);
        }
    } restore{oldHome, fallback};

    MockClock clock;
    f_iir w(clock);
    w.Form_Load();
    checkRunning(w);
    QCOMPARE(w.session().file.folder(), fallback + u'/');
    QCOMPARE(w.session().table.Rows(), 2);

    typeInto(w, 1, QStringLiteral("une note"));
    const QList<QStringList> rows = storedRows(w.session().table);
    tick(w, clock);
    checkRunning(w);
    QVERIFY(w.session().flags.textChanged);
    QCOMPARE(storedRows(w.session().table), rows);

    // The way clears: the folder is made and the note saved at the next tick.
    QVERIFY(QFile::remove(fallback));
    tick(w, clock);
    QVERIFY(!w.session().flags.textChanged);
    QCOMPARE(rowsOnDisk(fallback + QStringLiteral("/planifs.txt")), rows);
}

QTEST_MAIN(TestStorage)
#include "tst_storage.moc"
