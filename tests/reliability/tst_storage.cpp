// The real main window on a disk that is full for real (as root; else a file-size limit stands in):
// the program goes on, the table and the last good file stay, the next tick with room writes.
#include "testapp.h"

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStorageInfo>

#include <csignal>
#include <sys/resource.h>

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

} // namespace

class TestStorage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { signal(SIGXFSZ, SIG_IGN); }
    void init() { testutil::failOnUnexpectedWarnings(); }

    // While the disk is full, a write leaves the last good file whole and nothing beside it, the
    // user is told once, with the folder and the reason, and asked before quitting; the next tick
    // after room is made writes everything, and a new failure is told again.
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
        QCOMPARE(testutil::storedRows(app.home.folder()), rows);

        setDiskFull(app.home.path(), mounted, true);
        App::child<QPlainTextEdit>(app.windowOf(3), "Text2")->setPlainText(QStringLiteral("encore"));
        app.tick(app.clock.now().addSecs(60));
        QCOMPARE(takeMessages().size(), 1); // told again, after a write that worked
        setDiskFull(app.home.path(), mounted, false);
        app.trigger("m_quitter"); // not asked: the quit's write works
        QCOMPARE(quit.count(), 1);
        QCOMPARE(testutil::readFile(app.home.notesPath()).count("encore"), 1);
    }
};

QTEST_MAIN(TestStorage)
#include "tst_storage.moc"
