// The application icon's renderings, and one running copy per data folder.
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

// Each PNG is its SVG source rendered at that size, and the program carries those it names. Qt's
// conversions to and from premultiplied alpha round differently from one processor to another: a
// channel of a pixel may differ by two levels from the file, and by eight from the drawing.
void TestTray::icons()
{
    auto worst = [](QImage a, QImage b) {
        a = a.convertToFormat(QImage::Format_ARGB32), b = b.convertToFormat(QImage::Format_ARGB32);
        int most = a.size() == b.size() ? 0 : 255;
        for (qsizetype i = 0; most < 255 && i < a.sizeInBytes(); ++i)
            most = std::max(most, qAbs(int(a.constBits()[i]) - int(b.constBits()[i])));
        return most;
    };
    const QDir dir(QStringLiteral(RAPPELIX_ICON_DIR));
    for (const QString &name : dir.entryList({QStringLiteral("rappelix-*.png")})) {
        const int size = name.section(u'-', 1).section(u'.', 0, 0).toInt();
        const QImage shipped(dir.filePath(name));
        QImageReader svg(dir.filePath(QStringLiteral("rappelix.svg")));
        svg.setScaledSize(QSize(size, size));
        QVERIFY2(worst(shipped, svg.read()) <= 8, qPrintable(name));
        QVERIFY2(!applicationIconSizes().contains(size) ||
                     worst(applicationIcon().pixmap(size).toImage(), shipped) <= 2,
                 qPrintable(name));
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
