// The real main window while its storage fails: the program goes on, the table and the last
// good file stay as they were, and the next tick once the fault has cleared writes. Notes
// files of a megabyte load.
#include "testapp.h"

#include <QDir>
#include <QTimer>
#include <QtTest>

#include <csignal>
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

// A quarter of a million records, a note of a megabyte, a megabyte after an unclosed quote:
// each loads whole, or as far as it is whole, and the window comes up. (How fast is for
// bench/ and the fuzzer's timing of 1 MB inputs.)
void TestStorage::largeFileAtStartUp()
{
    const QByteArray note = QByteArray("x~").repeated(350000);
    const struct {
        QByteArray bytes;
        int rows;
    } files[] = {{QByteArray(",,,\n").repeated(1 << 18), 1 << 18},
                 {"\"a\",\"" + note + "\",\"\",\"\"\r\n", 1},
                 {"\"" + QByteArray("x,").repeated(1 << 19), 1}}; // the placeholder row alone
    for (const auto &file : files) {
        App app(file.bytes);
        QCOMPARE(app.table().Rows() - 1, file.rows);
        QVERIFY(app.w.isVisible());
    }
    App app(files[1].bytes);
    QCOMPARE(app.cell(1, Col::Text).size(), 350000 * 3); // each "~" a CR LF
}

QTEST_MAIN(TestStorage)
#include "tst_storage.moc"
