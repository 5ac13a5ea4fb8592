// The tray: the application icon, the icon's clicks, hiding and restoring the main window, the
// start-in-tray preference, and the one running copy per data folder.
#include "app/f_iir.h"
#include "testutil.h"
#include "tray/appicon.h"
#include "tray/singlecopy.h"

#include <QAction>
#include <QCursor>
#include <QDir>
#include <QImageReader>
#include <QLockFile>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

using testutil::readFile;
using testutil::writeFile;

Q_DECLARE_METATYPE(QSystemTrayIcon::ActivationReason)

namespace {
const QByteArray kPrefBytes("\x22\x31\x22\x0d\x0a", 5);

bool centred(const QWidget &w)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect frame = w.frameGeometry();
    return qAbs(frame.center().x() - screen.center().x()) <= 1 &&
           qAbs(frame.center().y() - screen.center().y()) <= 1;
}

// A started main window on a fresh data folder, with or without a notification area.
struct Started {
    explicit Started(bool tray = true, const QByteArray *pref = nullptr)
    {
        if (pref)
            writeFile(home.folder() + QStringLiteral("pref1.txt"), *pref);
        w.setTrayAvailable(tray);
        w.Form_Load();
    }
    QString pref() const { return home.folder() + QStringLiteral("pref1.txt"); }

    TempDataHome home;
    MockClock clock;
    f_iir w{clock};
};

// A process number that no process has any more.
qint64 deadPid()
{
    QProcess p;
    p.start(QStringLiteral("true"), {});
    if (!p.waitForStarted())
        return 0;
    const qint64 pid = p.processId();
    p.waitForFinished();
    return pid;
}

// The lock a run killed in the middle leaves behind: a real lock file naming a dead process.
void leaveCrashedLock(const QString &lockPath)
{
    QLockFile probe(lockPath + QStringLiteral(".probe"));
    QVERIFY(probe.tryLock(0));
    QList<QByteArray> lines = readFile(probe.fileName()).split('\n');
    probe.unlock();
    const qint64 pid = deadPid();
    QVERIFY(pid > 0);
    lines[0] = QByteArray::number(pid);
    writeFile(lockPath, lines.join('\n'));
}
} // namespace

class TestTray : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void applicationIcon_data();
    void applicationIcon();
    void trayShowsTheIcon();
    void activation_data();
    void activation();
    void popupNewLeavesMainWindow_data();
    void popupNewLeavesMainWindow();
    void minimiseRule_data();
    void minimiseRule();
    void restoreFromAnyState_data();
    void restoreFromAnyState();
    void startInTray_data();
    void startInTray();
    void preferenceClicks_data();
    void preferenceClicks();
    void preferenceFailureKeepsMark_data();
    void preferenceFailureKeepsMark();
    void singleCopy();
    void singleCopyTakesOverCrashedRun();
    void singleCopyWithoutLockableFolder();
};

void TestTray::initTestCase()
{
    testutil::useFrenchLocale();
    QApplication::setWindowIcon(::applicationIcon());
}

void TestTray::applicationIcon_data()
{
    QTest::addColumn<int>("size");
    const QStringList files = QDir(QStringLiteral(RAPPELIX_ICON_DIR)).entryList({QStringLiteral("rappelix-*.png")});
    QVERIFY(files.size() >= applicationIconSizes().size());
    for (const QString &file : files)
        QTest::addRow("%s", qPrintable(file)) << file.section('-', 1).section('.', 0, 0).toInt();
}

// Each PNG is its SVG source rendered at that size, and the program carries those it names; a
// drawing changed without new renderings fails here, and the fresh rendering is left in the
// test's folder to be copied over.
void TestTray::applicationIcon()
{
    QFETCH(int, size);
    const QString file = QStringLiteral(RAPPELIX_ICON_DIR "/rappelix-%1.png").arg(size);
    const QImage shipped = QImage(file).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(shipped.size(), QSize(size, size));
    const QIcon icon = ::applicationIcon();
    if (applicationIconSizes().contains(size))
        QCOMPARE(icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32), shipped);

    QImageReader reader(QStringLiteral(RAPPELIX_ICON_DIR "/rappelix.svg"));
    reader.setScaledSize(QSize(size, size));
    const QImage fresh = reader.read().convertToFormat(QImage::Format_ARGB32);
    QVERIFY2(!fresh.isNull(), qPrintable(QStringLiteral("SVG not readable (Qt's SVG plugin missing?): ") +
                                         reader.errorString()));
    int worst = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const QRgb a = shipped.pixel(x, y), b = fresh.pixel(x, y);
            worst = std::max({worst, qAbs(qRed(a) - qRed(b)), qAbs(qGreen(a) - qGreen(b)),
                              qAbs(qBlue(a) - qBlue(b)), qAbs(qAlpha(a) - qAlpha(b))});
        }
    if (worst > 8) {
        const QString path = QDir::current().filePath(QStringLiteral("rappelix-%1.png").arg(size));
        fresh.save(path);
        QFAIL(qPrintable(QStringLiteral("rappelix-%1.png differs from the SVG by %2; new rendering: %3")
                             .arg(size)
                             .arg(worst)
                             .arg(path)));
    }
}

void TestTray::trayShowsTheIcon()
{
    Started s;
    QVERIFY(s.w.trayIcon);
    QVERIFY(s.w.trayIcon->isVisible());
    QCOMPARE(s.w.trayIcon->toolTip(), QStringLiteral("Rappelix"));
    QCOMPARE(s.w.trayIcon->icon().cacheKey(), QApplication::windowIcon().cacheKey());
    QCOMPARE(s.w.windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
}

void TestTray::activation_data()
{
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
    QTest::addColumn<bool>("shownBefore");
    QTest::addColumn<bool>("shownAfter");
    QTest::addColumn<bool>("menu");
    QTest::addRow("left click, hidden") << QSystemTrayIcon::Trigger << false << true << false;
    QTest::addRow("left click, shown") << QSystemTrayIcon::Trigger << true << true << false;
    QTest::addRow("double-click, hidden") << QSystemTrayIcon::DoubleClick << false << true << false;
    QTest::addRow("right click, hidden") << QSystemTrayIcon::Context << false << false << true;
    QTest::addRow("right click, shown") << QSystemTrayIcon::Context << true << true << true;
    QTest::addRow("middle button, hidden") << QSystemTrayIcon::MiddleClick << false << false << false;
    QTest::addRow("middle button, shown") << QSystemTrayIcon::MiddleClick << true << true << false;
    QTest::addRow("anything else") << QSystemTrayIcon::Unknown << false << false << false;
}

void TestTray::activation()
{
    QFETCH(QSystemTrayIcon::ActivationReason, reason);
    QFETCH(bool, shownBefore);
    QFETCH(bool, shownAfter);
    QFETCH(bool, menu);
    Started s;
    s.w.move(0, 0);
    if (!shownBefore)
        s.w.m_tache_Click();
    QCOMPARE(s.w.isVisible(), shownBefore);
    const QPoint pointer(300, 200);
    QCursor::setPos(pointer);

    emit s.w.trayIcon->activated(reason);

    QCOMPARE(s.w.isVisible(), shownAfter);
    // A click that shows the window centres it, even if it was already shown elsewhere.
    QCOMPARE(centred(s.w), reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick);
    QCOMPARE(s.w.mPopupSys->isVisible(), menu);
    if (menu) {
        QCOMPARE(s.w.mPopupSys->pos(), pointer);
        QCOMPARE(s.w.mPopupSys->actions().size(), 3);
        s.w.mPopupSys->hide();
    }
    QCOMPARE(s.w.session().file.writeCount(), 0);
}

void TestTray::popupNewLeavesMainWindow_data()
{
    QTest::addColumn<bool>("shown");
    QTest::addRow("hidden") << false;
    QTest::addRow("shown") << true;
}

// The menu's "&Nouvelle" is the list's "Nouvelle": a note and its window, nothing else.
void TestTray::popupNewLeavesMainWindow()
{
    QFETCH(bool, shown);
    Started s;
    if (!shown)
        s.w.m_tache_Click();
    s.w.mPopNew->trigger();
    QCOMPARE(s.w.isVisible(), shown);
    QVERIFY(s.w.fenetre(1));
    QVERIFY(s.w.fenetre(1)->isVisible());
    QCOMPARE(s.w.session().table.TextMatrix(1, Col::Slot), QStringLiteral("1"));
    s.w.mPopNew->trigger();
    QVERIFY(s.w.fenetre(2));
    QCOMPARE(s.w.session().table.Rows(), 3);
    QCOMPARE(s.w.isVisible(), shown);
}

void TestTray::minimiseRule_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("tray");
    for (const char *how : {"Réduire", "close box", "desktop"}) {
        QTest::addRow("%s, notification area", how) << QString::fromUtf8(how) << true;
        QTest::addRow("%s, none", how) << QString::fromUtf8(how) << false;
    }
}

// With a notification area the minimised window hides (no taskbar entry); without one it stays
// on the taskbar, the only way back.
void TestTray::minimiseRule()
{
    QFETCH(QString, how);
    QFETCH(bool, tray);
    Started s(tray);
    QVERIFY(s.w.isVisible());
    if (how == QStringLiteral("Réduire"))
        s.w.m_tache->trigger();
    else if (how == QStringLiteral("close box"))
        QVERIFY(!s.w.close());
    else
        s.w.setWindowState(Qt::WindowMinimized);
    QVERIFY(s.w.isMinimized());
    QCOMPARE(s.w.isVisible(), !tray);

    s.w.mPopRestore->trigger();
    QVERIFY(s.w.isVisible());
    QVERIFY(!s.w.isMinimized());
    QVERIFY(centred(s.w));
    QCOMPARE(s.w.session().file.writeCount(), 0);
}

void TestTray::restoreFromAnyState_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QPoint>("position");
    QTest::addRow("shown, top left") << int(Qt::WindowNoState) << QPoint(0, 0);
    QTest::addRow("shown, partly off screen") << int(Qt::WindowNoState) << QPoint(700, 550);
    QTest::addRow("minimised") << int(Qt::WindowMinimized) << QPoint(10, 10);
    QTest::addRow("maximised") << int(Qt::WindowMaximized) << QPoint(0, 0);
}

void TestTray::restoreFromAnyState()
{
    QFETCH(int, state);
    QFETCH(QPoint, position);
    Started s;
    s.w.move(position);
    s.w.setWindowState(Qt::WindowStates(state));
    QTest::qWait(20); // the desktop's answer comes before the next click
    s.w.restaurer_fenetre();
    QVERIFY(s.w.isVisible());
    QCOMPARE(s.w.windowState() & ~Qt::WindowActive, Qt::WindowNoState);
    QVERIFY(centred(s.w));
    QTRY_VERIFY(s.w.isActiveWindow());
}

void TestTray::startInTray_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("tray");
    QTest::addColumn<QString>("window");
    QTest::addRow("no file") << false << QByteArray() << true << "centred";
    QTest::addRow("as the program writes it") << true << kPrefBytes << true << "hidden";
    QTest::addRow("empty, placed by hand") << true << QByteArray() << true << "hidden";
    QTest::addRow("anything else") << true << QByteArray("0\r\n") << true << "hidden";
    QTest::addRow("no file, no notification area") << false << QByteArray() << false << "centred";
    // Hidden with no tray icon to click, it would be lost: minimised on the taskbar instead.
    QTest::addRow("file, no notification area") << true << kPrefBytes << false << "taskbar";
}

void TestTray::startInTray()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, content);
    QFETCH(bool, tray);
    QFETCH(QString, window);
    Started s(tray, present ? &content : nullptr);
    QCOMPARE(s.w.m_tb->isChecked(), present);
    QCOMPARE(s.w.isVisible(), window != QStringLiteral("hidden"));
    if (s.w.isVisible())
        QCOMPARE(s.w.isMinimized(), window == QStringLiteral("taskbar"));
    if (window == QStringLiteral("centred"))
        QVERIFY(centred(s.w));
    QVERIFY(s.w.trayIcon && s.w.trayIcon->isVisible());
    // Start-up only looks at the file.
    QCOMPARE(QFile::exists(s.pref()), present);
    if (present)
        QCOMPARE(readFile(s.pref()), content);
    // Loaded all the same: the notes are there for the alerts.
    QCOMPARE(s.w.session().file.folder(), s.home.folder());
}

void TestTray::preferenceClicks_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("steps"); // c: click on the entry, d: the file deleted by hand
    QTest::addColumn<bool>("checked");
    QTest::addColumn<bool>("exists");
    QTest::addRow("on") << false << QByteArray() << "c" << true << true;
    QTest::addRow("on, off") << false << QByteArray() << "cc" << false << false;
    QTest::addRow("on, off, on") << false << QByteArray() << "ccc" << true << true;
    QTest::addRow("deleted by hand while on") << false << QByteArray() << "cdc" << false << false;
    QTest::addRow("hand-placed empty file, off") << true << QByteArray() << "c" << false << false;
    QTest::addRow("hand-placed file, off, on") << true << QByteArray("oui") << "cc" << true << true;
}

void TestTray::preferenceClicks()
{
    QFETCH(bool, present);
    QFETCH(QByteArray, content);
    QFETCH(QString, steps);
    QFETCH(bool, checked);
    QFETCH(bool, exists);
    Started s(true, present ? &content : nullptr);
    const bool shown = s.w.isVisible();
    for (QChar step : steps) {
        if (step == QLatin1Char('c'))
            s.w.m_tb->trigger();
        else
            QVERIFY(QFile::remove(s.pref()));
    }
    QCOMPARE(s.w.m_tb->isChecked(), checked);
    QCOMPARE(QFile::exists(s.pref()), exists);
    if (exists)
        QCOMPARE(readFile(s.pref()), kPrefBytes);
    // The click only writes or deletes the file; it takes effect at the next start.
    QCOMPARE(s.w.isVisible(), shown);
    QCOMPARE(s.w.session().file.writeCount(), 0);
    QCOMPARE(QDir(s.home.folder()).entryList(QDir::Files | QDir::Hidden),
             exists ? QStringList{QStringLiteral("pref1.txt")} : QStringList{});
}

void TestTray::preferenceFailureKeepsMark_data()
{
    QTest::addColumn<bool>("checkedBefore");
    QTest::addRow("cannot create: the data folder went away") << false;
    QTest::addRow("cannot delete: a folder of that name") << true;
}

// Root may write anywhere, so the failures are made with what no one can write over.
void TestTray::preferenceFailureKeepsMark()
{
    QFETCH(bool, checkedBefore);
    TempDataHome home;
    const QString pref = home.folder() + QStringLiteral("pref1.txt");
    if (checkedBefore)
        writeFile(pref + QStringLiteral("/inside"), "x");
    MockClock clock;
    f_iir w(clock);
    w.setTrayAvailable(true);
    w.Form_Load();
    QCOMPARE(w.m_tb->isChecked(), checkedBefore);
    if (!checkedBefore)
        QVERIFY(QDir(home.folder()).removeRecursively());

    w.m_tb->trigger();
    QCOMPARE(w.m_tb->isChecked(), checkedBefore);
    QCOMPARE(QFileInfo(pref).isDir(), checkedBefore);
    QVERIFY(!QFileInfo(pref).isFile());
}

void TestTray::singleCopy()
{
    TempDataHome home;
    QDir().mkpath(home.folder());
    auto first = std::make_unique<SingleCopy>(home.folder());
    QSignalSpy asked(first.get(), &SingleCopy::restoreRequested);
    QVERIFY(first->start());
    QCOMPARE(QFileInfo(first->lockPath()).dir(), QDir(home.folder()));

    // Each later start asks the running copy, which takes the request away.
    SingleCopy second(home.folder());
    QSignalSpy secondAsked(&second, &SingleCopy::restoreRequested);
    QVERIFY(!second.start());
    QTRY_COMPARE(asked.count(), 1);
    QVERIFY(!QFile::exists(second.requestPath()));
    SingleCopy third(home.folder());
    QVERIFY(!third.start());
    QTRY_COMPARE(asked.count(), 2);
    // Writing the notes changes the folder too, and asks nothing.
    writeFile(home.folder() + QStringLiteral("planifs.txt"), "");
    QTest::qWait(100);
    QCOMPARE(asked.count(), 2);
    QCOMPARE(secondAsked.count(), 0);

    // Another data folder is another program's business.
    TempDataHome other;
    QDir().mkpath(other.folder());
    SingleCopy elsewhere(other.folder());
    QVERIFY(elsewhere.start());

    // The first copy's end frees the folder.
    first.reset();
    QVERIFY(!QFile::exists(second.lockPath()));
    SingleCopy next(home.folder());
    QVERIFY(next.start());
}

// A run killed in the middle leaves its lock, and maybe a request nobody took.
void TestTray::singleCopyTakesOverCrashedRun()
{
    TempDataHome home;
    QDir().mkpath(home.folder());
    SingleCopy copy(home.folder());
    leaveCrashedLock(copy.lockPath());
    writeFile(copy.requestPath(), "restaurer_fenetre\n");
    QSignalSpy asked(&copy, &SingleCopy::restoreRequested);
    QVERIFY(copy.start());
    QVERIFY(!QFile::exists(copy.requestPath()));

    // It is the running copy now, and answers.
    SingleCopy later(home.folder());
    QVERIFY(!later.start());
    QTRY_COMPARE(asked.count(), 1);
}

// A folder where nothing can be created can hold no notes either: nothing to guard.
void TestTray::singleCopyWithoutLockableFolder()
{
    TempDataHome home;
    SingleCopy copy(home.folder() + QStringLiteral("absent/"));
    QVERIFY(copy.start());
}

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
