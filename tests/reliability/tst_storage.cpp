// The real main window while its storage fails for real: the program goes on, the table and the
// last good file stay as they were, and the next tick once the fault has cleared writes.
#include "testapp.h"

#include "help/msgbox.h"

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStorageInfo>

namespace {
// Makes a storage fault for real, or clears it: the disk full (only ever on the test's own small
// file system: never fill a real disk), or a file where the data folder is to be made again.
void setFault(bool diskFull, const QString &home, bool on)
{
    const QString filler = home + QStringLiteral("/filler"), folder = home + QStringLiteral("/rapix");
    if (diskFull && on) {
        QVERIFY2(QStorageInfo(home).rootPath() == home && QStorageInfo(home).bytesTotal() < (1 << 20),
                 "no tmpfs");
        QFile f(filler);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        for (int i = 0; i < 256 && f.write(QByteArray(4096, 'x')) == 4096; ++i) {
        }
    } else if (on) {
        QVERIFY(QDir(folder).removeRecursively());
        testutil::writeFile(folder, "pas un dossier");
    } else {
        QFile::remove(diskFull ? filler : folder);
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
    void init() { testutil::failOnUnexpectedWarnings(); }

    void faultThenRecovery_data()
    {
        QTest::addColumn<bool>("diskFull");
        QTest::addColumn<QString>("reason");
        QTest::newRow("disk full") << true << "le disque est plein";
        QTest::newRow("folder cannot be made again") << false << "un fichier porte le nom du dossier";
    }

    // While the storage fails, a write leaves the last good file whole and nothing beside it, the
    // user is told once, with the folder and the reason, and asked before quitting; the next tick
    // after the fault clears writes everything, and a new fault is told again.
    void faultThenRecovery()
    {
        QFETCH(bool, diskFull);
        QFETCH(QString, reason);
        App app({}, MockClock().now(), false);
        // A file system of its own, of 256 KiB, that can really fill up.
        const QStringList tmpfs = {"-t", "tmpfs", "-o", "size=256k", "tmpfs", app.home.path()};
        if (diskFull && QProcess::execute(QStringLiteral("mount"), tmpfs) != 0)
            QSKIP("no tmpfs can be mounted here (that needs root)");
        const auto unmount = qScopeGuard([&] {
            if (diskFull)
                QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), app.home.path()});
        });
        const QByteArray fiveNotes = testutil::notesFile(5);
        testutil::writeFile(app.home.notesPath(), fiveNotes);
        app.w.Form_Load();
        QSignalSpy quit(&app.w, &f_iir::quitRequested);
        app.trigger("m_toutafficher");
        App::child<QPlainTextEdit>(app.windowOf(2), "Text2")->setPlainText(QString(100000, u'x'));

        setFault(diskFull, app.home.path(), true);
        app.tick(app.clock.now().addSecs(60));
        QVERIFY(app.w.session().flags.textChanged); // tried again at the next tick
        QCOMPARE(testutil::readFile(app.home.notesPath()), diskFull ? fiveNotes : QByteArray());
        if (diskFull)
            QCOMPARE(QDir(app.home.folder()).entryList(QDir::Files | QDir::Hidden),
                     QStringList{"planifs.txt"});
        const QStringList told = takeMessages();
        QCOMPARE(told.size(), 1);
        QVERIFY2(told[0].contains(app.home.folder()) && told[0].contains(reason), qPrintable(told[0]));
        app.tick(app.clock.now().addSecs(60));
        QVERIFY(takeMessages().isEmpty()); // once, not at every tick
        MsgBox::setNextAnswer(QMessageBox::No);
        app.trigger("m_quitter");
        QCOMPARE(quit.count(), 0);
        QCOMPARE(app.openSlots().size(), 5);

        setFault(diskFull, app.home.path(), false);
        QList<QStringList> rows = testutil::rowsOf(app.table());
        for (QStringList &row : rows)
            row[Col::Slot].clear(); // open windows are not stored
        app.tick(app.clock.now().addSecs(60));
        QVERIFY(!app.w.session().flags.textChanged);
        QCOMPARE(testutil::storedRows(app.home.folder()), rows);

        setFault(diskFull, app.home.path(), true);
        App::child<QPlainTextEdit>(app.windowOf(3), "Text2")->setPlainText(QStringLiteral("encore"));
        app.tick(app.clock.now().addSecs(60));
        QCOMPARE(takeMessages().size(), 1); // told again, after a write that worked
        setFault(diskFull, app.home.path(), false);
        app.trigger("m_quitter"); // not asked: the quit's write works
        QCOMPARE(quit.count(), 1);
        QCOMPARE(testutil::readFile(app.home.notesPath()).count("encore"), 1);
    }
};

QTEST_MAIN(TestStorage)
#include "tst_storage.moc"
