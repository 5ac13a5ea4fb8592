// The real main window on a disk that is full for real (as root; else a file-size limit stands in):
// the program goes on, the table and the last good file stay, the next tick with room writes.
#include "testapp.h"

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStorageInfo>

#include <QSemaphore>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {
// Fills the disk, only ever the test's own small file system (never a real disk), or frees it;
// without one, past a file-size limit a write fails part way, with EFBIG.
void setDiskFull(const QString &home, bool mounted, bool full)
{
    rlimit limit{};
    if (!mounted && getrlimit(RLIMIT_FSIZE, &limit) == 0) {
        limit.rlim_cur = full ? 65536 : limit.rlim_max;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        return;
    }
    QFile filler(home + QStringLiteral("/filler"));
    if (!full) {
        QVERIFY(filler.remove());
        return;
    }
    QVERIFY2(QStorageInfo(home).rootPath() == home && QStorageInfo(home).bytesTotal() < (1 << 20),
             "no tmpfs");
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    for (int i = 0; i < 256 && filler.write(QByteArray(4096, 'x')) == 4096; ++i) {
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

// Another program writes the notes file as a sync tool does: a new file renamed over it, or
// the file rewritten in place.
void writeAsSyncTool(const QString &path, const QByteArray &bytes, bool inPlace)
{
    testutil::writeFile(inPlace ? path : path + QStringLiteral(".sync-tmp"), bytes);
    if (!inPlace)
        QCOMPARE(::rename(qPrintable(path + QStringLiteral(".sync-tmp")), qPrintable(path)), 0);
}

const QStringList kBread = {"Le 01/12 à 16:26", "pain", "", ""},
                  kGarage = {"Le 02/12 à 09:05", "garage", "", ""};
// Records as the file holds them, byte for byte.
const QByteArray kBreadBytes = "\"Le 01/12 \xe0 16:26\",\"pain\",\"\",\"\"\r\n",
                 kBreadTypedBytes = "\"Le 01/12 \xe0 16:26\",\"pain!\",\"\",\"\"\r\n",
                 kGarageBytes = "\"Le 02/12 \xe0 09:05\",\"garage\",\"\",\"\"\r\n",
                 kPcBytes = "\"Le 03/12 \xe0 08:00\",\"du PC\",\"\",\"\"\r\n";

} // namespace

class TestStorage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { signal(SIGXFSZ, SIG_IGN); }
    void init() { testutil::failOnUnexpectedWarnings(); }

    // While the disk is full, a write leaves the last good file whole and nothing beside it, the
    // user is told once, with the folder and the reason, and asked before quitting; the next tick
    // after room is made writes everything.
    void diskFullThenRecovery()
    {
        App app({}, MockClock().now(), false);
        // A file system of its own, of 256 KiB, that can really fill up.
        const QStringList tmpfs = {"-t", "tmpfs", "-o", "size=256k", "tmpfs", app.home.path()};
        const bool mounted = QProcess::execute(QStringLiteral("mount"), tmpfs) == 0;
        const auto unmount = qScopeGuard([&] {
            if (mounted)
                QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), app.home.path()});
        });
        const QByteArray fiveNotes = testutil::notesFile(5);
        testutil::writeFile(app.home.notesPath(), fiveNotes);
        app.w.Form_Load();
        QSignalSpy quit(&app.w, &f_iir::quitRequested);
        app.trigger("m_toutafficher");
        App::child<QPlainTextEdit>(app.windowOf(2), "Text2")->setPlainText(QString(100000, u'x'));

        setDiskFull(app.home.path(), mounted, true);
        app.tick(app.clock.now().addSecs(60));
        QVERIFY(app.w.session().flags.textChanged); // tried again at the next tick
        QCOMPARE(testutil::readFile(app.home.notesPath()), fiveNotes);
        QCOMPARE(QDir(app.home.folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"planifs.txt"});
        const QStringList told = takeMessages();
        QCOMPARE(told.size(), 1);
        QVERIFY2(
            told[0].contains(app.home.folder()) &&
                told[0].contains(mounted ? "le disque est plein" : "le fichier dépasse la taille permise"),
            qPrintable(told[0]));
        app.tick(app.clock.now().addSecs(60));
        QVERIFY(takeMessages().isEmpty()); // once, not at every tick
        QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return); });
        app.trigger("m_quitter"); // Entrée answers "Non"
        QCOMPARE(quit.count(), 0);
        QCOMPARE(app.openSlots().size(), 5);

        setDiskFull(app.home.path(), mounted, false);
        app.tick(app.clock.now().addSecs(60));
        QVERIFY(!app.w.session().flags.textChanged);
        QList<QStringList> rows;
        for (const QString text : {"note 1", "x", "note 3", "note 4", "note 5"})
            rows << QStringList{"Le 01/12 à 10:00", text == "x" ? QString(100000, u'x') : text, "", "", ""};
        QCOMPARE(app.stored(), rows);
    }

    // A sync tool's new version arrives while a note's window is open, with or without typing
    // not yet written: the list shows it within two seconds, the window follows its row (which
    // moves down), and the tick and "Quitter" write both sides' notes.
    void syncTool_data()
    {
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<QString>("typed");
        QTest::newRow("renamed over") << false << "";
        QTest::newRow("renamed over, typed here") << false << "!";
        QTest::newRow("rewritten in place") << true << "";
        QTest::newRow("rewritten in place, typed here") << true << "!";
    }
    void syncTool()
    {
        QFETCH(bool, inPlace);
        QFETCH(QString, typed);
        App app(testutil::records({kBread, kGarage}));
        auto *text = App::child<QPlainTextEdit>(app.view(1), "Text2");
        QTest::keyClicks(text, typed);
        writeAsSyncTool(app.home.notesPath(),
                        testutil::records({{"Le 03/12 à 08:00", "du PC", "", ""},
                                           kBread,
                                           {"Le 02/12 à 09:05", "garage lundi", "", ""}}),
                        inPlace);
        QTRY_COMPARE_WITH_TIMEOUT(app.cell(1, Col::Text), QStringLiteral("du PC"), 2000);
        QTest::keyClick(text, '?');
        app.tick(app.clock.now().addSecs(60));
        app.trigger("m_quitter");
        QCOMPARE(testutil::readFile(app.home.notesPath()),
                 testutil::records({{"Le 03/12 à 08:00", "du PC", "", ""},
                                    {"Le 01/12 à 16:26", "pain" + typed + "?", "", ""},
                                    {"Le 02/12 à 09:05", "garage lundi", "", ""}}));
    }

    // The same note changed here and there: both versions kept, the user told once, and the
    // file as the other program left it copied aside before it is replaced.
    void changedOnBothSides()
    {
        App app(testutil::records({kBread, kGarage}));
        QTest::keyClick(App::child<QPlainTextEdit>(app.view(1), "Text2"), '!');
        const QByteArray theirs = testutil::records({{"Le 01/12 à 16:26", "pain complet", "", ""}, kGarage});
        writeAsSyncTool(app.home.notesPath(), theirs, false);
        QTRY_COMPARE_WITH_TIMEOUT(app.table().Rows(), 4, 2000);
        const QString copy = app.home.folder() + QStringLiteral("planifs-autre-20261207-102000.txt");
        const QStringList told = takeMessages();
        QVERIFY2(told.size() == 1 && told[0].contains("une note") && told[0].contains(copy),
                 qPrintable(told.join("|")));
        app.tick(app.clock.now().addSecs(60));
        QVERIFY(takeMessages().isEmpty());
        QCOMPARE(testutil::readFile(copy), theirs);
        QCOMPARE(testutil::readFile(app.home.notesPath()),
                 testutil::records({{"Le 01/12 à 16:26", "pain!", "", ""},
                                    {"Le 01/12 à 16:26", "pain complet", "", ""},
                                    kGarage}));
    }

    // A sync engine's conflict copy: its notes come into the list, the user is told once, and
    // once the file holds them all the copy goes.
    void conflictCopy()
    {
        App app(kBreadBytes);
        const QString copy =
            app.home.folder() + QStringLiteral("planifs.sync-conflict-20261207-101500-ABCDEFG.txt");
        testutil::writeFile(copy, kBreadBytes + kPcBytes);
        QTRY_COMPARE_WITH_TIMEOUT(app.table().Rows(), 3, 5000);
        const QStringList told = takeMessages();
        QVERIFY2(told.size() == 1 && told[0].contains("planifs.sync-conflict-20261207-101500-ABCDEFG.txt"),
                 qPrintable(told.join("|")));
        app.tick(app.clock.now().addSecs(60));
        QCOMPARE(testutil::readFile(app.home.notesPath()), kBreadBytes + kPcBytes);
        QVERIFY(!QFile::exists(copy));
        QVERIFY(takeMessages().isEmpty());
    }

    // Another program renames its version over the file while our write is under way: ours does
    // not replace it, and both sides' notes reach the file, without waiting for another tick.
    void renamedOverDuringWrite()
    {
        App app(kBreadBytes);
        bool first = true;
        app.w.session().writer().setStep(
            [&](const QString &path, const QByteArray &bytes, const FileStamp *expected) {
                if (std::exchange(first, false)) {
                    testutil::writeFile(path + QStringLiteral(".sync-tmp"), kBreadBytes + kPcBytes);
                    ::rename(qPrintable(path + QStringLiteral(".sync-tmp")), qPrintable(path));
                }
                return NotesWriter::writeFile(path, bytes, expected);
            });
        QTest::keyClick(App::child<QPlainTextEdit>(app.view(1), "Text2"), '!');
        app.tick(app.clock.now().addSecs(60));
        QTRY_COMPARE_WITH_TIMEOUT(testutil::readFile(app.home.notesPath()), kBreadTypedBytes + kPcBytes,
                                  10000);
    }

    // A sync tool writes the file in place in two goes, a second apart: nothing is taken from the
    // first part (no note leaves the list, nothing is told), and the typing survives the whole.
    void writtenInTwoGoes()
    {
        App app(kBreadBytes + kGarageBytes);
        QTest::keyClick(App::child<QPlainTextEdit>(app.view(1), "Text2"), '!');
        const QByteArray whole = kPcBytes + kBreadBytes + kGarageBytes;
        testutil::writeFile(app.home.notesPath(), whole.left(20));
        QTest::qWait(2000); // nothing may happen meanwhile
        QCOMPARE(app.table().Rows(), 3);
        QCOMPARE(app.cell(2, Col::Text), QStringLiteral("garage"));
        testutil::writeFile(app.home.notesPath(), whole);
        QTRY_COMPARE_WITH_TIMEOUT(app.table().Rows(), 4, 5000);
        QVERIFY(takeMessages().isEmpty());
        app.tick(app.clock.now().addSecs(60));
        QCOMPARE(testutil::readFile(app.home.notesPath()), kPcBytes + kBreadTypedBytes + kGarageBytes);
    }

    // Another program rewrites the file in place, to the same size, within the second the program
    // last looked at it, its modification time put back: the list shows it.
    void sameSizeSameSecond()
    {
        std::optional<App> app;
        for (int tries = 0;; ++tries) { // until the rewrite falls in the second of the load
            QVERIFY2(tries < 10, "every rewrite fell in another second than the load");
            app.emplace(kBreadBytes);
            const QByteArray path = QFile::encodeName(app->home.notesPath());
            struct stat before {
            }, after{};
            QCOMPARE(::stat(path, &before), 0);
            testutil::writeFile(app->home.notesPath(), "\"Le 01/12 \xe0 16:26\",\"main\",\"\",\"\"\r\n");
            const timespec times[2] = {before.st_atim, before.st_mtim};
            QCOMPARE(::utimensat(AT_FDCWD, path, times, 0), 0); // the modification time put back
            QCOMPARE(::stat(path, &after), 0);
            QCOMPARE((std::pair{after.st_ino, after.st_size}), (std::pair{before.st_ino, before.st_size}));
            if (after.st_mtim.tv_sec == before.st_mtim.tv_sec &&
                after.st_ctim.tv_sec == before.st_ctim.tv_sec)
                break;
        }
        QTRY_COMPARE_WITH_TIMEOUT(app->cell(1, Col::Text), QStringLiteral("main"), 5000);
    }

    // A write that would not change the bytes leaves the file alone: same inode, same time.
    void unchangedBytesLeftAlone()
    {
        App app(testutil::records({kBread}));
        QFile(app.home.notesPath())
            .setFileTime(QDateTime(QDate(2026, 1, 2), QTime(3, 4)), QFileDevice::FileModificationTime);
        struct stat before {
        }, after{};
        QCOMPARE(::stat(qPrintable(app.home.notesPath()), &before), 0);
        app.view(1);
        app.tick(QDateTime(QDate(2026, 12, 7), QTime(10, 30))); // a quarter hour: always writes
        QCOMPARE(::stat(qPrintable(app.home.notesPath()), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    }

    // Writes held back behind a slow one: a newer content supersedes the one waiting, they go in
    // order, and "Quitter" waits for the last, which the file holds.
    void slowWriter()
    {
        App app(testutil::records({kBread}));
        QSemaphore started, release;
        QStringList written; // on the writer thread, read once it is idle
        app.w.session().writer().setStep(
            [&](const QString &path, const QByteArray &bytes, const FileStamp *expected) {
                if (written.isEmpty()) {
                    started.release();
                    release.acquire();
                }
                written << QString::fromLatin1(bytes).section(u'"', 3, 3);
                return NotesWriter::writeFile(path, bytes, expected);
            });
        auto *text = App::child<QPlainTextEdit>(app.view(1), "Text2");
        for (char c : {'a', 'b', 'c'}) {
            QTest::keyClick(text, c);
            app.w.Timer1_Timer();
            if (c == 'a')
                QVERIFY(started.tryAcquire(1, 10000)); // the first write is under way, held
        }
        release.release();
        app.trigger("m_quitter");
        QCOMPARE(written, (QStringList{"paina", "painabc"}));
        QCOMPARE(testutil::readFile(app.home.notesPath()),
                 testutil::records({{"Le 01/12 à 16:26", "painabc", "", ""}}));
    }

    // A write still hanging when the writer's end gives up on it finishes on its own, with the one
    // queued behind it, and never on the writer that is gone (the sanitizer build sees that).
    void writeOutlivesWriter()
    {
        QTemporaryDir dir;
        QSemaphore started, release, nextWritten;
        auto writer = std::make_unique<NotesWriter>();
        writer->setEndWait(50);
        writer->setStep([&](const QString &path, const QByteArray &bytes, const FileStamp *) {
            if (bytes == "held") {
                started.release();
                release.acquire();
            }
            const SaveResult result = NotesWriter::writeFile(path, bytes);
            if (bytes == "next")
                nextWritten.release();
            return result;
        });
        writer->submit(dir.filePath(QStringLiteral("held.txt")), "held");
        QVERIFY(started.tryAcquire(1, 10000));
        writer->submit(dir.filePath(QStringLiteral("next.txt")), "next", true);
        QTest::ignoreMessage(QtWarningMsg,
                             "writer: a write still running at the end is left to end with the process");
        writer.reset();
        release.release();
        QVERIFY(nextWritten.tryAcquire(1, 10000));
        QCOMPARE(testutil::readFile(dir.filePath(QStringLiteral("next.txt"))), QByteArray("next"));
    }
};

QTEST_MAIN(TestStorage)
#include "tst_storage.moc"
