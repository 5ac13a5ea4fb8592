// The notes file's bytes from the written rules, links and a read-only file, one running copy.
#include "store/autostart.h"
#include "store/cp1252.h"
#include "store/notesmerge.h"
#include "store/preffile.h"
#include "store/singlecopy.h"
#include "testutil.h"

#include <QProcess>

namespace {
// The rows the program loads from a data folder's notes file.
QList<QStringList> loaded(const QString &folder)
{
    NoteTable table;
    table.setUp();
    NotesFile(folder).charger_notes(table);
    return testutil::rowsOf(table);
}
} // namespace

class TestStore : public QObject {
    Q_OBJECT
private slots:
    void init() { testutil::failOnUnexpectedWarnings(); }

    // Every code of the 0x80..0x9F row that Windows-1252 maps, both ways; the Latin-1 half as
    // it is; what it cannot hold becomes "?".
    void windows1252()
    {
        const QByteArray bytes =
            "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8a\x8b\x8c\x8e\x91\x92\x93\x94\x95\x96\x97\x98"
            "\x99\x9a\x9b\x9c\x9e\x9f";
        const QString text =
            QStringLiteral("\u20ac\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152"
                           "\u017d\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161\u203a"
                           "\u0153\u017e\u0178");
        QCOMPARE(cp1252::decode(bytes), text);
        QCOMPARE(cp1252::encode(text), bytes);
        for (int b = 0xA0; b <= 0xFF; ++b)
            QCOMPARE(cp1252::decode(QByteArray(1, char(b))), QString(QChar(b)));
        QCOMPARE(cp1252::encode(QStringLiteral("é \u65e5\u672c \U0001F600")), QByteArray("\xe9 ?? ?"));
    }

    // Blanks before a field are skipped, quoted or not; an unquoted field runs to the comma.
    void blanksBeforeFields()
    {
        TempDataHome home;
        testutil::writeFile(home.notesPath(), " Le 01/12,\t pain ,  \"lundi 08/12 9h30\", 1\r\n");
        QCOMPARE(loaded(home.folder()),
                 (QList<QStringList>{{"Le 01/12", "pain ", "lundi 08/12 9h30", "", "1"}}));
    }

    // planifs.txt, pref1.txt and the autostart entry as links stay links, and the files they name
    // get the new bytes; a read-only planifs.txt is a failed write that leaves it as it was.
    void linksAndReadOnly()
    {
        TempDataHome home;
        const QString there = home.path() + QStringLiteral("/ailleurs/");
        const QStringList links = {home.notesPath(), home.folder() + QStringLiteral("pref1.txt"),
                                   Autostart().path()};
        for (const QString &link : links) {
            testutil::writeFile(there + QFileInfo(link).fileName(), "ancien");
            QVERIFY(QDir().mkpath(QFileInfo(link).path()) &&
                    QFile::link(there + QFileInfo(link).fileName(), link));
        }
        QVERIFY(NotesFile(home.folder()).ecrire_notes(testutil::tableOf({{"", "un", "", "", ""}})));
        QVERIFY(PrefFile(home.folder()).set(true) &&
                Autostart().set(true, QStringLiteral("/usr/bin/rappelix")));
        for (const QString &link : links)
            QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(testutil::readFile(there + QStringLiteral("planifs.txt")), "\"\",\"un\",\"\",\"\"\r\n");
        QCOMPARE(testutil::readFile(there + QStringLiteral("pref1.txt")), "\"1\"\r\n");
        QVERIFY(testutil::readFile(there + QStringLiteral("rappelix.desktop"))
                    .contains("\nExec=\"/usr/bin/rappelix\"\n"));

        QVERIFY(QFile::remove(home.notesPath()) &&
                QFile::copy(there + QStringLiteral("planifs.txt"), home.notesPath()));
        QVERIFY(QFile::setPermissions(home.notesPath(), QFileDevice::ReadOwner));
        const SaveResult written =
            NotesFile(home.folder()).ecrire_notes(testutil::tableOf({{"", "deux", "", "", ""}}));
        QCOMPARE(written.step, SaveResult::Step::ReadOnly);
        QCOMPARE(testutil::readFile(home.notesPath()), "\"\",\"un\",\"\",\"\"\r\n");
    }

    // A lock file that no live process holds is taken over, whatever it holds, and the request a
    // later start left in vain is answered.
    void leftoverLock_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("binary") << QByteArray("\x8f\0\xffzz\n\x01", 7);
        QTest::newRow("another machine's") << QByteArray("4242\nrappelix\nautre-machine\n");
        QTest::newRow("this process's number")
            << QByteArray::number(QCoreApplication::applicationPid()) + "\n";
    }
    void leftoverLock()
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

    // The table, the last version from outside and the version another program left now,
    // merged; records are "stamp|text|alert|mark". "own": records written here since; "copy":
    // theirs is a sync engine's conflict copy.
    void merge_data()
    {
        QTest::addColumn<QStringList>("base");
        QTest::addColumn<QStringList>("ours");
        QTest::addColumn<QStringList>("theirs");
        QTest::addColumn<QStringList>("merged");
        QTest::addColumn<int>("conflicts");
        QTest::addColumn<QStringList>("own");
        QTest::addColumn<bool>("copy");
        QTest::newRow("added on both sides")
            << QStringList{"1|a||", "2|b||"} << QStringList{"1|a||", "2|b||", "3|c||"}
            << QStringList{"4|d||", "1|a||", "2|b||"} << QStringList{"4|d||", "1|a||", "2|b||", "3|c||"} << 0
            << QStringList{} << false;
        QTest::newRow("changed there only")
            << QStringList{"1|a||", "2|b||"} << QStringList{"1|a||", "2|b||"}
            << QStringList{"1|a2|lundi 08/12 9h30|", "2|b||"}
            << QStringList{"1|a2|lundi 08/12 9h30|", "2|b||"} << 0 << QStringList{} << false;
        QTest::newRow("removed there, changed here")
            << QStringList{"1|a||", "2|b||", "3|c||"} << QStringList{"1|a||", "2|B||", "3|c||"}
            << QStringList{"2|b||", "3|c||"} << QStringList{"2|B||", "3|c||"} << 0 << QStringList{} << false;
        QTest::newRow("changed on both sides")
            << QStringList{"1|a||", "2|b||"} << QStringList{"1|x||", "2|b||"} << QStringList{"1|y||", "2|b||"}
            << QStringList{"1|x||", "1|y||", "2|b||"} << 1 << QStringList{} << false;
        QTest::newRow("changed alike")
            << QStringList{"1|a||"} << QStringList{"1|a||1"} << QStringList{"1|a||1"} << QStringList{"1|a||1"}
            << 0 << QStringList{} << false;
        QTest::newRow("removed here, changed there")
            << QStringList{"1|a||", "2|b||"} << QStringList{"2|b||"} << QStringList{"1|y||", "2|b||"}
            << QStringList{"1|y||", "2|b||"} << 1 << QStringList{} << false;
        QTest::newRow("one stamp twice")
            << QStringList{"1|a||", "1|b||"} << QStringList{"1|a||", "1|b||"} << QStringList{"1|b||"}
            << QStringList{"1|b||"} << 0 << QStringList{} << false;
        // Another computer's version that never saw what was written here removes nothing of it.
        QTest::newRow("added and changed here, not seen there")
            << QStringList{"1|a||", "2|b||"} << QStringList{"1|a!||", "2|b||", "3|c||"}
            << QStringList{"1|a||", "2|b||", "4|d||"} << QStringList{"1|a!||", "2|b||", "4|d||", "3|c||"} << 0
            << QStringList{"1|a!||", "3|c||"} << false;
        // Written here, seen there, then removed here or changed again here: not brought back.
        QTest::newRow("seen there, then removed or changed here")
            << QStringList{"1|a||"} << QStringList{"1|a2||"} << QStringList{"1|a1||", "3|c||", "4|d||"}
            << QStringList{"1|a2||", "4|d||"} << 0 << QStringList{"1|a1||", "3|c||"} << false;
        QTest::newRow("nothing of ours to add: theirs's order")
            << QStringList{"1|a||", "2|b||"} << QStringList{"3|c||", "1|a||", "2|b||"}
            << QStringList{"1|a||", "3|c||", "2|b||"} << QStringList{"1|a||", "3|c||", "2|b||"} << 0
            << QStringList{"3|c||"} << false;
        // A conflict copy only adds what was never had here: no removal, no change taken back.
        QTest::newRow("conflict copy")
            << QStringList{"1|a||", "2|b||", "6|f||"} << QStringList{"1|x||", "3|c2||", "6|f||"}
            << QStringList{"1|y||", "2|b||", "3|c1||", "5|e||", "6|f2||"}
            << QStringList{"1|x||", "1|y||", "3|c2||", "5|e||", "6|f2||"} << 1 << QStringList{"3|c1||"}
            << true;
    }
    void merge()
    {
        QFETCH(QStringList, base);
        QFETCH(QStringList, ours);
        QFETCH(QStringList, theirs);
        auto records = [](const QStringList &list) {
            QList<notesmerge::Record> out;
            for (const QString &r : list)
                out.append({r.section(u'|', 0, 0), r.section(u'|', 1, 1), r.section(u'|', 2, 2),
                            r.section(u'|', 3, 3)});
            return out;
        };
        QFETCH(QStringList, own);
        QFETCH(bool, copy);
        QSet<notesmerge::Record> ownKeys;
        for (const notesmerge::Record &r : records(own))
            ownKeys.insert(r);
        const notesmerge::Result result =
            copy ? notesmerge::addUnknown(records(base), records(ours), records(theirs), ownKeys)
                 : notesmerge::merge(records(base), records(ours), records(theirs), {ownKeys, {}, true});
        QStringList merged;
        for (const notesmerge::Entry &e : result.entries) {
            const notesmerge::Record r = e.content ? *e.content : records(ours)[e.ours];
            merged << QStringList{r[0], r[1], r[2], r[3]}.join(u'|');
        }
        QTEST(merged, "merged");
        QTEST(result.conflicts, "conflicts");
    }
};

// What needs root: a file system of its own.
class TestStoreRoot : public QObject {
    Q_OBJECT
private slots:
    void init() { testutil::failOnUnexpectedWarnings(); }

    // With no inode left in the data folder for a lock file (a tmpfs of its own), a
    // second copy is kept out all the same, and its request reaches the first from the runtime files.
    void noRoomForLock()
    {
        TempDataHome home;
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        QVERIFY(QDir().mkpath(home.folder()));
        const QStringList tmpfs = {"-t", "tmpfs", "-o", "size=1m,nr_inodes=16", "tmpfs", home.folder()};
        if (QProcess::execute(QStringLiteral("mount"), tmpfs) != 0)
            QSKIP("a tmpfs of its own needs root");
        const auto unmount = qScopeGuard([&] {
            QProcess::execute(QStringLiteral("umount"), {"-l", home.folder()});
        });
        for (int i = 0; QFile(home.folder() + QString::number(i)).open(QIODevice::WriteOnly); ++i) {
        }
        SingleCopy first(home.folder()), second(home.folder());
        QSignalSpy asked(&first, &SingleCopy::restoreRequested);
        QCOMPARE(first.start(0), SingleCopy::Start::Run);
        QCOMPARE(second.start(0), SingleCopy::Start::NoAnswer);
        QTRY_COMPARE(asked.count(), 1);
    }
};

// With RAPPELIX_ROOT_TESTS set, the tests that need root run instead of the others: CTest's
// tst_store_root, shown as skipped where they cannot run.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    TestStore store;
    TestStoreRoot root;
    QTEST_SET_MAIN_SOURCE_PATH
    if (qEnvironmentVariableIsSet("RAPPELIX_ROOT_TESTS"))
        return QTest::qExec(&root, argc, argv);
    return QTest::qExec(&store, argc, argv);
}
#include "tst_store.moc"
