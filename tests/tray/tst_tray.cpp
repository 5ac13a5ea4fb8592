// The application icon's renderings, and one running copy per data folder: a later start asks
// the running one to come forward and ends; a lock left by a run killed in the middle is taken over.
#include "testutil.h"
#include "tray/appicon.h"
#include "store/singlecopy.h"

#include <QDir>
#include <QImageReader>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

class TestTray : public QObject {
    Q_OBJECT
private slots:
    void init() { testutil::failOnUnexpectedWarnings(); }
    void icons();
    void leftoverLock_data();
    void leftoverLock();
    void liveCopy();
};

namespace {
// The largest difference of one channel of one pixel: Qt's conversions to and from premultiplied
// alpha round differently from one processor to another, by a level or two.
int worstDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 255;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (int shift : {0, 8, 16, 24})
                worst = std::max(
                    worst, qAbs(int(a.pixel(x, y) >> shift & 0xff) - int(b.pixel(x, y) >> shift & 0xff)));
    return worst;
}
} // namespace

// Each PNG is its SVG source rendered at that size, and the program carries those it names: a
// drawing changed without new renderings fails here.
void TestTray::icons()
{
    const QDir dir(QStringLiteral(RAPPELIX_ICON_DIR));
    for (const QString &name : dir.entryList({QStringLiteral("rappelix-*.png")})) {
        const int size = name.section(u'-', 1).section(u'.', 0, 0).toInt();
        const QImage shipped = QImage(dir.filePath(name)).convertToFormat(QImage::Format_ARGB32);
        if (applicationIconSizes().contains(size)) {
            const QImage carried =
                applicationIcon().pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
            QVERIFY2(worstDifference(carried, shipped) <= 2, qPrintable(name));
        }
        QImageReader reader(dir.filePath(QStringLiteral("rappelix.svg")));
        reader.setScaledSize(QSize(size, size));
        const QImage fresh = reader.read().convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!fresh.isNull(), qPrintable(reader.errorString()));
        const int worst = worstDifference(shipped, fresh);
        QVERIFY2(worst <= 8, qPrintable(name + QStringLiteral(" differs from the SVG by %1").arg(worst)));
    }
}

void TestTray::leftoverLock_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty, as a power cut leaves it") << QByteArray();
    QTest::newRow("random bytes") << QByteArray("\x8f\0\xffzz\n\x01", 7);
    QTest::newRow("another host") << QByteArray("4242\nrappelix\nautre-machine\n");
    QTest::newRow("this process's PID") << QByteArray::number(QCoreApplication::applicationPid()) + "\n";
}

// A lock file that no live process holds is taken over, whatever it holds, and the request a
// later start left in vain is answered.
void TestTray::leftoverLock()
{
    QFETCH(QByteArray, content);
    TempDataHome home;
    SingleCopy copy(home.folder());
    testutil::writeFile(copy.lockPath(), content);
    testutil::writeFile(copy.requestPath(), "restaurer_fenetre\n");
    QSignalSpy asked(&copy, &SingleCopy::restoreRequested);
    QCOMPARE(copy.start(0), SingleCopy::Start::Run);
    QTRY_COMPARE(asked.count(), 1);
    QVERIFY(!QFile::exists(copy.requestPath()));
}

// A live copy turns a second start into a request it answers; removed with its folder, the
// guard comes back with it, and a process that dies lets go of it.
void TestTray::liveCopy()
{
    TempDataHome home;
    auto first = std::make_unique<SingleCopy>(home.folder());
    QSignalSpy asked(first.get(), &SingleCopy::restoreRequested);
    QSignalSpy remade(first.get(), &SingleCopy::folderRemade);
    QCOMPARE(first->start(0), SingleCopy::Start::Run);
    QCOMPARE(SingleCopy(home.folder()).start(0), SingleCopy::Start::NoAnswer); // no event loop ran yet
    QTRY_COMPARE(asked.count(), 1);
    testutil::writeFile(home.notesPath(), ""); // writing the notes asks nothing
    QTest::qWait(100);
    QCOMPARE(asked.count(), 1);

    QVERIFY(QDir(home.folder()).removeRecursively());
    QTRY_COMPARE(remade.count(), 1);
    QProcess flock;
    flock.start(QStringLiteral("flock"), {QStringLiteral("-n"), first->lockPath(), QStringLiteral("true")});
    QVERIFY(flock.waitForFinished());
    QCOMPARE(flock.exitCode(), 1); // held again

    first.reset();
    flock.start(QStringLiteral("flock"),
                {QStringLiteral("-no"), home.folder() + QStringLiteral("rappelix.lock"), QStringLiteral("sh"),
                 QStringLiteral("-c"), QStringLiteral("echo; sleep 30")});
    QVERIFY(flock.waitForReadyRead());
    QCOMPARE(SingleCopy(home.folder()).start(0), SingleCopy::Start::NoAnswer);
    flock.kill();
    flock.waitForFinished();
    QCOMPARE(SingleCopy(home.folder()).start(0), SingleCopy::Start::Run);
}

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
