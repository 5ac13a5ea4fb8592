// The application icon's renderings, and one running copy per data folder: a later start asks
// the running one to come forward and ends; a lock left by a run killed in the middle is taken over.
#include "testutil.h"
#include "tray/appicon.h"
#include "tray/singlecopy.h"

#include <QDir>
#include <QImageReader>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

class TestTray : public QObject {
    Q_OBJECT
private slots:
    void icons();
    void singleCopy();
};

// Each PNG is its SVG source rendered at that size, and the program carries those it names: a
// drawing changed without new renderings fails here, and leaves the fresh ones in the test's
// folder to be copied over.
void TestTray::icons()
{
    const QDir dir(QStringLiteral(RAPPELIX_ICON_DIR));
    for (const QString &name : dir.entryList({QStringLiteral("rappelix-*.png")})) {
        const int size = name.section(u'-', 1).section(u'.', 0, 0).toInt();
        const QImage shipped = QImage(dir.filePath(name)).convertToFormat(QImage::Format_ARGB32);
        if (applicationIconSizes().contains(size))
            QCOMPARE(applicationIcon().pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32),
                     shipped);
        QImageReader reader(dir.filePath(QStringLiteral("rappelix.svg")));
        reader.setScaledSize(QSize(size, size));
        const QImage fresh = reader.read().convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!fresh.isNull(), qPrintable(reader.errorString()));
        int worst = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                for (int shift : {0, 8, 16, 24})
                    worst = std::max(worst, qAbs(int(shipped.pixel(x, y) >> shift & 0xff) -
                                                 int(fresh.pixel(x, y) >> shift & 0xff)));
        if (worst > 8)
            fresh.save(name);
        QVERIFY2(worst <= 8, qPrintable(name + QStringLiteral(" differs from the SVG by %1").arg(worst)));
    }
}

void TestTray::singleCopy()
{
    TempDataHome home;
    QDir().mkpath(home.folder());
    // The lock of a crashed run names a process that is gone; its request was never taken.
    QProcess gone;
    gone.start(QStringLiteral("true"));
    QVERIFY(gone.waitForStarted());
    const qint64 pid = gone.processId();
    QVERIFY(gone.waitForFinished());
    QLockFile probe(home.folder() + QStringLiteral("probe"));
    QVERIFY(probe.tryLock(0));
    QList<QByteArray> lock = testutil::readFile(probe.fileName()).split('\n');
    probe.unlock();
    lock[0] = QByteArray::number(pid);
    auto first = std::make_unique<SingleCopy>(home.folder());
    testutil::writeFile(first->lockPath(), lock.join('\n'));
    testutil::writeFile(first->requestPath(), "restaurer_fenetre\n");
    QSignalSpy asked(first.get(), &SingleCopy::restoreRequested);
    QVERIFY(first->start());
    QVERIFY(!QFile::exists(first->requestPath()));

    SingleCopy second(home.folder());
    QVERIFY(!second.start());
    QTRY_COMPARE(asked.count(), 1);
    QVERIFY(!QFile::exists(second.requestPath()));
    testutil::writeFile(home.notesPath(), ""); // writing the notes asks nothing
    QTest::qWait(100);
    QCOMPARE(asked.count(), 1);
    // Another data folder, or one that cannot hold a lock, is no business of the first copy.
    QVERIFY(SingleCopy(home.folder() + QStringLiteral("absent/")).start());
    TempDataHome other;
    QDir().mkpath(other.folder());
    QVERIFY(SingleCopy(other.folder()).start());
    first.reset();
    QVERIFY(SingleCopy(home.folder()).start());
}

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
