// The real main window while its storage fails: the program goes on, the table and the last
// good file stay as they were, and the next tick once the fault has cleared writes. Notes
// files of a megabyte load.
#include "testapp.h"

#include "help/msgbox.h"

#include <QDir>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {
// The program's messages on screen: boxes of warning or question.
QStringList messagesShown()
{
    QStringList texts;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
            texts << box->text();
    return texts;
}

void closeMessages()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox *>(w))
            w->close();
}

// A storage fault made for real, and cleared again.
class Fault {
public:
    Fault(const QString &kind, const QString &home) : m_kind(kind), m_home(home) {}
    ~Fault()
    {
        clear();
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_home});
    }
    // Before the program starts: the data home on a small file system of its own.
    bool prepare()
    {
        if (m_kind != QLatin1String("disk full"))
            return true;
        m_mounted = QProcess::execute(QStringLiteral("mount"),
                                      {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                       QStringLiteral("size=256k"), QStringLiteral("tmpfs"), m_home}) == 0;
        return m_mounted;
    }
    void make()
    {
        if (m_kind == QLatin1String("disk full")) {
            QFile filler(m_home + QStringLiteral("/filler"));
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            const QByteArray block(4096, 'x');
            while (filler.write(block) == block.size()) {
            }
        } else if (m_kind == QLatin1String("write fails part way")) {
            rlimit small{};
            QCOMPARE(getrlimit(RLIMIT_FSIZE, &m_limit), 0);
            small = m_limit;
            small.rlim_cur = 65536;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        } else {
            QVERIFY(QDir(m_home + QStringLiteral("/rapix")).removeRecursively());
            testutil::writeFile(m_home + QStringLiteral("/rapix"), "pas un dossier");
        }
        m_made = true;
    }
    void clear()
    {
        if (!m_made)
            return;
        m_made = false;
        if (m_kind == QLatin1String("disk full"))
            QFile::remove(m_home + QStringLiteral("/filler"));
        else if (m_kind == QLatin1String("write fails part way"))
            setrlimit(RLIMIT_FSIZE, &m_limit);
        else
            QFile::remove(m_home + QStringLiteral("/rapix"));
    }

private:
    QString m_kind, m_home;
    bool m_mounted = false, m_made = false;
    rlimit m_limit{};
};
} // namespace

class TestStorage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { signal(SIGXFSZ, SIG_IGN); } // past the size limit a write fails with EFBIG
    void init() { testutil::failOnUnexpectedWarnings(); }
    void faultThenRecovery_data();
    void faultThenRecovery();
    void largeFileAtStartUp();
};

void TestStorage::faultThenRecovery_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("disk full") << "disk full"
                               << "le disque est plein";
    QTest::newRow("write fails part way") << "write fails part way"
                                          << "le fichier dépasse la taille permise";
    QTest::newRow("folder cannot be made again") << "folder in the way"
                                                 << "un fichier porte le nom du dossier";
}

// While the storage fails, a write leaves the last good file whole and nothing beside it, the
// user is told once, with the folder and the reason, and asked before quitting; the next tick
// after the fault clears writes everything, and a new fault is told again.
void TestStorage::faultThenRecovery()
{
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    App app({}, MockClock().now(), false);
    Fault storage(fault, app.home.path());
    if (!storage.prepare())
        QSKIP("no tmpfs can be mounted here (that needs root)");
    const QByteArray fiveNotes = testutil::notesFile(5);
    testutil::writeFile(app.home.notesPath(), fiveNotes);
    app.w.Form_Load();
    QSignalSpy quit(&app.w, &f_iir::quitRequested);
    app.trigger("m_toutafficher");
    App::child<QPlainTextEdit>(app.windowOf(2), "Text2")->setPlainText(QString(100000, u'x'));

    storage.make();
    app.tick(app.clock.now().addSecs(60));
    QVERIFY(app.w.session().flags.textChanged); // tried again at the next tick
    const bool folderGone = fault == QLatin1String("folder in the way");
    QCOMPARE(testutil::readFile(app.home.notesPath()), folderGone ? QByteArray() : fiveNotes);
    if (!folderGone)
        QCOMPARE(QDir(app.home.folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"planifs.txt"});
    const QStringList told = messagesShown();
    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].contains(app.home.folder()) && told[0].contains(reason), qPrintable(told[0]));
    closeMessages();
    app.tick(app.clock.now().addSecs(60));
    QVERIFY(messagesShown().isEmpty()); // once, not at every tick

    MsgBox::setNextAnswer(QMessageBox::No);
    app.w.m_quitter_Click();
    QCOMPARE(quit.count(), 0);
    QCOMPARE(app.openSlots().size(), 5);
    QVERIFY(App::child<QTimer>(&app.w, "Timer1")->isActive());

    storage.clear();
    QList<QStringList> rows = testutil::rowsOf(app.table());
    for (QStringList &row : rows)
        row[Col::Slot].clear(); // open windows are not stored
    app.tick(app.clock.now().addSecs(60));
    QVERIFY(!app.w.session().flags.textChanged);
    QCOMPARE(testutil::storedRows(app.home.folder()), rows);

    storage.make();
    App::child<QPlainTextEdit>(app.windowOf(3), "Text2")->setPlainText(QStringLiteral("encore"));
    app.tick(app.clock.now().addSecs(60));
    QCOMPARE(messagesShown().size(), 1);
    closeMessages();
    storage.clear();
    MsgBox::setNextAnswer(QMessageBox::No); // not asked: the quit's write works
    app.w.m_quitter_Click();
    QCOMPARE(quit.count(), 1);
    QCOMPARE(testutil::readFile(app.home.notesPath()).count("encore"), 1);
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
