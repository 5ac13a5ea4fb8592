// The notes file's bytes and the preferences file's, from the written rules: the record format,
// what a note's text becomes in the file and comes back as, Windows-1252, and the data folder.
#include "store/cp1252.h"
#include "store/datafolder.h"
#include "store/notescodec.h"
#include "store/notesfile.h"
#include "store/preffile.h"
#include "testutil.h"

#include <QDir>
#include <QtTest>

class TestStore : public QObject {
    Q_OBJECT
private slots:
    void init() { testutil::failOnUnexpectedWarnings(); }
    void windows1252();
    void workedExample();
    void noteText_data();
    void noteText();
    void preferenceFile();
    void dataFolder_data();
    void dataFolder();
};

// Every code of the 0x80..0x9F row that Windows-1252 maps, both ways; the Latin-1 half as it is;
// what it cannot hold becomes "?".
void TestStore::windows1252()
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

// The two notes of the written example through the real file, to the byte, and back; a table
// holding only the placeholder row is one record of four empty fields.
void TestStore::workedExample()
{
    const QList<QStringList> rows = {
        {"Le 01/12 à 16:26", "Acheter du pain\r\nAppeler le \"garage\"", "lundi 08/12 9h30", "", ""},
        {"Le 02/12 à 09:05", "Rendre les livres", "mardi 02/12 14h00", "", "1"}};
    TempDataHome home;
    NotesFile file(home.folder());
    QVERIFY(file.ecrire_notes(testutil::tableOf(rows)));
    QCOMPARE(
        testutil::readFile(home.notesPath()),
        "\"Le 01/12 \xe0 16:26\",\"Acheter du pain~Appeler le \xa4garage\xa4\",\"lundi 08/12 9h30\",\"\"\r\n"
        "\"Le 02/12 \xe0 09:05\",\"Rendre les livres\",\"mardi 02/12 14h00\",\"1\"\r\n");
    QCOMPARE(testutil::storedRows(home.folder()), rows);
    QVERIFY(file.ecrire_notes(testutil::tableOf({{"", "", "", "-1", ""}})));
    QCOMPARE(testutil::readFile(home.notesPath()), QByteArray("\"\",\"\",\"\",\"\"\r\n"));
}

void TestStore::noteText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("field"); // as the file holds it
    QTest::addColumn<QString>("readBack");
    QTest::newRow("quotes") << "dire \"oui\"" << QByteArray("dire \xa4oui\xa4") << "dire \"oui\"";
    QTest::newRow("lines") << "un\r\ndeux\r\n" << QByteArray("un~deux~") << "un\r\ndeux\r\n";
    QTest::newRow("only line breaks") << "\r\n\r\n" << QByteArray("~~") << "\r\n\r\n";
    QTest::newRow("lone LF and CR") << "a\nb\rc" << QByteArray("a~b~c") << "a\r\nb\r\nc";
    QTest::newRow("commas, blanks") << "  pain, lait" << QByteArray("  pain, lait") << "  pain, lait";
    QTest::newRow("tilde and currency") << "a~b¤c"
                                        << QByteArray("a~b\xa4"
                                                      "c")
                                        << "a\r\nb\"c";
}

void TestStore::noteText()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, field);
    QFETCH(QString, readBack);
    const QByteArray bytes = notescodec::encode(testutil::tableOf({{"", typed, "", "", ""}}));
    QCOMPARE(bytes, "\"\",\"" + field + "\",\"\",\"\"\r\n");
    NoteTable back;
    back.setUp();
    notescodec::decode(bytes, back);
    QCOMPARE(back.TextMatrix(1, Col::Text), readBack);
}

// On: the record "1", five bytes; off: no file, also when it had gone already. Any file there,
// even empty, is the preference on.
void TestStore::preferenceFile()
{
    TempDataHome home;
    QDir().mkpath(home.folder());
    PrefFile pref(home.folder());
    QVERIFY(!pref.exists());
    QVERIFY(pref.set(true));
    QCOMPARE(testutil::readFile(home.folder() + QStringLiteral("pref1.txt")),
             QByteArray("\x22\x31\x22\x0d\x0a"));
    QVERIFY(pref.set(false));
    QVERIFY(!QFile::exists(home.folder() + QStringLiteral("pref1.txt")));
    QVERIFY(pref.set(false));
    testutil::writeFile(home.folder() + QStringLiteral("pref1.txt"), "");
    QVERIFY(pref.exists());
}

void TestStore::dataFolder_data()
{
    QTest::addColumn<QString>("xdgDataHome"); // "~" stands for the home folder
    QTest::addColumn<QString>("folder");
    QTest::newRow("XDG_DATA_HOME") << "~/donnees"
                                   << "~/donnees/rapix/";
    QTest::newRow("relative XDG_DATA_HOME: ignored") << "donnees"
                                                     << "~/.local/share/rapix/";
    QTest::newRow("a file named rapix: the program's folder") << "~/fichier"
                                                              << "~/programme/rapixset/";
}

void TestStore::dataFolder()
{
    QFETCH(QString, xdgDataHome);
    QFETCH(QString, folder);
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", xdgDataHome.replace(u'~', home.path()).toLocal8Bit());
    testutil::writeFile(home.path() + QStringLiteral("/fichier/rapix"), "pas un dossier");
    QCOMPARE(preparer_dossier(userDataHome(), home.path() + QStringLiteral("/programme")),
             folder.replace(u'~', home.path()));
    QVERIFY(QFileInfo(folder).isDir());
}

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
