// The real main window while its storage fails for real: the program goes on, the table and the
// last good file stay as they were, and the next tick once the fault has cleared writes.
#include "testapp.h"

#include "help/msgbox.h"

#include <QDir>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>

namespace {
enum Fault { DiskFull, SizeLimit, FolderInTheWay };

// Makes a storage fault for real, or clears it.
void setFault(int fault, const QString &home, bool on)
{
    static rlimit saved;
    if (fault == DiskFull && on) {
        // Only ever on the small file system of the test's own: never fill a real disk.
        QVERIFY2(QStorageInfo(home).rootPath() == home && QStorageInfo(home).bytesTotal() < (1 << 20),
                 "no tmpfs");
        QFile filler(home + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        for (int i = 0; i < 256 && filler.write(QByteArray(4096, 'x')) == 4096; ++i) {
        }
    } else if (fault == DiskFull) {
        QFile::remove(home + QStringLiteral("/filler"));
    } else if (fault == SizeLimit) {
        rlimit limit;
        getrlimit(RLIMIT_FSIZE, on ? &saved : &limit);
        limit = saved;
        limit.rlim_cur = on ? 65536 : saved.rlim_cur; // past it a write fails part way, with EFBIG
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
    } else if (on) {
        QVERIFY(QDir(home + QStringLiteral("/rapix")).removeRecursively());
        testutil::writeFile(home + QStringLiteral("/rapix"), "pas un dossier");
    } else {
        QFile::remove(home + QStringLiteral("/rapix"));
    }
}

// The texts of the message boxes on screen, which are closed.
QStringList takeMessages()
{
    QStringList texts;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
            texts << box->text();
            box->close();
        }
    return texts;
}

// Mounts a tmpfs of 256 KiB on a folder for its life.
struct SmallDisk {
    explicit SmallDisk(const QString &at) : path(at)
    {
        mounted = QProcess::execute(QStringLiteral("mount"),
                                    {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                     QStringLiteral("size=256k"), QStringLiteral("tmpfs"), at}) == 0;
    }
    SmallDisk(const SmallDisk &) = delete;
    ~SmallDisk()
    {
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), path});
    }
    QString path;
    bool mounted = false;
};
} // namespace

class TestStorage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { signal(SIGXFSZ, SIG_IGN); }
    void init() { testutil::failOnUnexpectedWarnings(); }
    void faultThenRecovery_data();
    void faultThenRecovery();
};

void TestStorage::faultThenRecovery_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("disk full") << int(DiskFull) << "le disque est plein";
    QTest::newRow("write fails part way") << int(SizeLimit) << "le fichier dépasse la taille permise";
    QTest::newRow("folder cannot be made again")
        << int(FolderInTheWay) << "un fichier porte le nom du dossier";
}

// While the storage fails, a write leaves the last good file whole and nothing beside it, the
// user is told once, with the folder and the reason, and asked before quitting; the next tick
// after the fault clears writes everything, and a new fault is told again.
void TestStorage::faultThenRecovery()
{
    QFETCH(int, fault);
    QFETCH(QString, reason);
    App app({}, MockClock().now(), false);
    std::optional<SmallDisk> disk; // a file system of its own that can really fill up
    if (fault == DiskFull && !disk.emplace(app.home.path()).mounted)
        QSKIP("no tmpfs can be mounted here (that needs root)");
    const QByteArray fiveNotes = testutil::notesFile(5);
    testutil::writeFile(app.home.notesPath(), fiveNotes);
    app.w.Form_Load();
    QSignalSpy quit(&app.w, &f_iir::quitRequested);
    app.trigger("m_toutafficher");
    App::child<QPlainTextEdit>(app.windowOf(2), "Text2")->setPlainText(QString(100000, u'x'));

    setFault(fault, app.home.path(), true);
    app.tick(app.clock.now().addSecs(60));
    QVERIFY(app.w.session().flags.textChanged); // tried again at the next tick
    QCOMPARE(testutil::readFile(app.home.notesPath()), fault == FolderInTheWay ? QByteArray() : fiveNotes);
    if (fault != FolderInTheWay)
        QCOMPARE(QDir(app.home.folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"planifs.txt"});
    const QStringList told = takeMessages();
    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].contains(app.home.folder()) && told[0].contains(reason), qPrintable(told[0]));
    app.tick(app.clock.now().addSecs(60));
    QVERIFY(takeMessages().isEmpty()); // once, not at every tick
    MsgBox::setNextAnswer(QMessageBox::No);
    app.trigger("m_quitter");
    QCOMPARE(quit.count(), 0);
    QCOMPARE(app.openSlots().size(), 5);

    setFault(fault, app.home.path(), false);
    QList<QStringList> rows = testutil::rowsOf(app.table());
    for (QStringList &row : rows)
        row[Col::Slot].clear(); // open windows are not stored
    app.tick(app.clock.now().addSecs(60));
    QVERIFY(!app.w.session().flags.textChanged);
    QCOMPARE(testutil::storedRows(app.home.folder()), rows);

    setFault(fault, app.home.path(), true);
    App::child<QPlainTextEdit>(app.windowOf(3), "Text2")->setPlainText(QStringLiteral("encore"));
    app.tick(app.clock.now().addSecs(60));
    QCOMPARE(takeMessages().size(), 1); // told again, after a write that worked
    setFault(fault, app.home.path(), false);
    app.trigger("m_quitter"); // not asked: the quit's write works
    QCOMPARE(quit.count(), 1);
    QCOMPARE(testutil::readFile(app.home.notesPath()).count("encore"), 1);
}

QTEST_MAIN(TestStorage)
#include "tst_storage.moc"
