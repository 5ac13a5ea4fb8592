// The notes file's bytes: the record format, what a note's text becomes in the file and comes
// back as, and Windows-1252.
#include "store/cp1252.h"
#include "store/notescodec.h"
#include "store/notesfile.h"
#include "testutil.h"

#include <QtTest>

class TestStore : public QObject {
    Q_OBJECT
private slots:
    void workedExample();
    void noteText_data();
    void noteText();
    void alertTextsShared();
};

// Two notes written through the real file and read back, to the byte; Windows-1252 both ways.
void TestStore::workedExample()
{
    const QList<QStringList> rows = {
        {"Le 01/12 à 16:26", "Acheter du pain\r\nAppeler le \"garage\"", "lundi 08/12 9h30", "", ""},
        {"Le 02/12 à 09:05", "Rendre les livres", "mardi 02/12 14h00", "", "1"}};
    TempDataHome home;
    NotesFile file(home.folder());
    QVERIFY(file.ecrire_notes(testutil::tableOf(rows)));
    QCOMPARE(testutil::readFile(home.notesPath()),
             cp1252::encode(QStringLiteral(
                 "\"Le 01/12 à 16:26\",\"Acheter du pain~Appeler le ¤garage¤\",\"lundi 08/12 9h30\",\"\"\r\n"
                 "\"Le 02/12 à 09:05\",\"Rendre les livres\",\"mardi 02/12 14h00\",\"1\"\r\n")));
    QCOMPARE(testutil::storedRows(home.folder()), rows);
    // Every byte is a character that is written back as that byte.
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    QCOMPARE(cp1252::encode(cp1252::decode(all)), all);
}

void TestStore::noteText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("field"); // as the file holds it, in Windows-1252
    QTest::addColumn<QString>("readBack");
    QTest::newRow("quotes") << "dire \"oui\""
                            << "dire ¤oui¤"
                            << "dire \"oui\"";
    QTest::newRow("lines") << "un\r\ndeux\r\n"
                           << "un~deux~"
                           << "un\r\ndeux\r\n";
    QTest::newRow("lone LF and CR") << "a\nb\rc"
                                    << "a~b~c"
                                    << "a\r\nb\r\nc";
    QTest::newRow("accents, euro") << "café à 3 € – Œuf"
                                   << "café à 3 € – Œuf"
                                   << "café à 3 € – Œuf";
    QTest::newRow("commas, blanks") << "  pain, lait"
                                    << "  pain, lait"
                                    << "  pain, lait";
    QTest::newRow("tilde and currency") << "a~b¤c"
                                        << "a~b¤c"
                                        << "a\r\nb\"c";
    QTest::newRow("outside 1252") << "日本 😀"
                                  << "?? ?"
                                  << "?? ?";
}

void TestStore::noteText()
{
    QFETCH(QString, typed);
    QFETCH(QString, field);
    QFETCH(QString, readBack);
    const QByteArray bytes = notescodec::encode(testutil::tableOf({{"", typed, "", "", ""}}));
    QCOMPARE(bytes, "\"\",\"" + cp1252::encode(field) + "\",\"\",\"\"\r\n");
    NoteTable back;
    back.setUp();
    QVERIFY(notescodec::decode(bytes, back).exact);
    QCOMPARE(back.TextMatrix(1, Col::Text), readBack);
}

// A long list repeats a few dozen alert texts: each is held once, also after thousands of
// texts have come and gone, and every cell keeps its own value.
void TestStore::alertTextsShared()
{
    NoteTable table;
    table.setUp();
    const int rows = 5000;
    for (int r = 1; r <= rows; ++r) {
        if (r > 1)
            table.AddItem();
        table.setTextMatrix(r, Col::Alert, QStringLiteral("lundi 07/12 %1h15").arg(r));
    }
    for (int r = 1; r <= rows; ++r)
        table.setTextMatrix(r, Col::Alert, QStringLiteral("lundi 07/12 %1h15").arg(r % 7 ? 9 : 10));
    for (int r = 1; r <= rows; ++r)
        QCOMPARE(table.TextMatrix(r, Col::Alert), QStringLiteral("lundi 07/12 %1h15").arg(r % 7 ? 9 : 10));
    QCOMPARE(table.TextMatrix(1, Col::Alert).constData(), table.TextMatrix(rows, Col::Alert).constData());
    QCOMPARE(table.TextMatrix(7, Col::Alert).constData(), table.TextMatrix(14, Col::Alert).constData());
    QVERIFY(table.TextMatrix(1, Col::Alert).constData() != table.TextMatrix(7, Col::Alert).constData());
}

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
