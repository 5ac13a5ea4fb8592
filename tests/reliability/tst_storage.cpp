// The real main window while its storage fails: the program goes on, the table and the last
// good file stay as they were, and the next tick once the fault has cleared writes. A notes
// file of 1 MB loads and shows in well under a second.
#include "testapp.h"

#include <QDir>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <ctime>
#include <sys/resource.h>

class TestStorage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { signal(SIGXFSZ, SIG_IGN); } // past the size limit a write fails with EFBIG
    void faultThenRecovery_data();
    void faultThenRecovery();
    void largeFileAtStartUp();
};

void TestStorage::faultThenRecovery_data()
{
    QTest::addColumn<bool>("sizeLimit");
    QTest::newRow("data folder removed") << false; // the write makes it again
    QTest::newRow("write fails part way") << true; // the file-size limit
}

void TestStorage::faultThenRecovery()
{
    QFETCH(bool, sizeLimit);
    const QByteArray twoNotes = testutil::notesFile(2);
    App app(twoNotes);
    if (!sizeLimit)
        QVERIFY(QDir(app.home.folder()).removeRecursively());
    app.table().setTextMatrix(1, Col::Text, QString(200000, u'x'));
    app.w.session().flags.textChanged = true;
    const QList<QStringList> rows = testutil::rowsOf(app.table());
    rlimit old{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = sizeLimit ? 65536 : old.rlim_cur;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    app.tick(app.clock.now().addSecs(60));
    const bool retries = app.w.session().flags.textChanged;
    const QByteArray during = testutil::readFile(app.home.notesPath());
    const QStringList files = QDir(app.home.folder()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &old), 0);
    QCOMPARE(retries, sizeLimit); // a failed write is tried again at the next tick
    if (sizeLimit) {
        QCOMPARE(during, twoNotes); // the last good file whole, nothing half-written beside it
        QCOMPARE(files, QStringList{QStringLiteral("planifs.txt")});
    }
    QVERIFY(app.w.isVisible() && app.w.Timer1->isActive());
    app.tick(app.clock.now().addSecs(60));
    QVERIFY(!app.w.session().flags.textChanged);
    QCOMPARE(testutil::storedRows(app.home.folder()), rows);
}

// A quarter of a million records, a note of a megabyte, a megabyte after an unclosed quote.
void TestStorage::largeFileAtStartUp()
{
    const QByteArray files[] = {QByteArray(",,,\n").repeated(1 << 18),
                                "\"a\",\"" + QByteArray("x~\xa4").repeated(350000) + "\",\"\",\"\"\r\n",
                                "\"" + QByteArray("x,").repeated(1 << 19)};
    for (const QByteArray &bytes : files) {
        timespec before{}, after{}; // processor time, which a busy machine does not inflate
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
        App app(bytes);
        QCoreApplication::processEvents();
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
        const double seconds = double(after.tv_sec - before.tv_sec) + (after.tv_nsec - before.tv_nsec) / 1e9;
        qInfo("%d rows loaded and shown in %.3f s", app.table().Rows() - 1, seconds);
#if defined(__SANITIZE_ADDRESS__)
        QVERIFY(seconds < 3);
#else
        QVERIFY(seconds < 1);
#endif
    }
}

QTEST_MAIN(TestStorage)
#include "tst_storage.moc"
