// The help text line by line, the help window and its single instance, and the about box.
#include "app/f_iir.h"
#include "app/twips.h"
#include "help/f_help.h"
#include "help/helptext.h"
#include "testutil.h"

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

int helpWindowCount()
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<f_help *>(w) && w->isVisible())
            ++n;
    return n;
}

void processDeletions()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestHelp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void helpTextLines_data();
    void helpTextLines();
    void helpTextShape();
    void helpWindowLayout();
    void aideTwiceLeavesOneWindow();
    void typedTextGoneAfterReopening_data();
    void typedTextGoneAfterReopening();
    void independentOfMainWindow();
    void aboutBox();

private:
    MockClock m_clock;
};

void TestHelp::initTestCase()
{
    testutil::useFrenchLocale();
}

void TestHelp::helpTextLines_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("text");
    const QStringList lines = {
        QStringLiteral("Créer une note :"),
        QString(24, u'-'),
        QStringLiteral("Cliquer simplement sur \"Nouvelle\" et saisir le contenu de la note. "),
        QStringLiteral("On peut saisir la date et l'heure à laquelle on veut être alerté en "),
        QStringLiteral("clickant sur \"M'alerter\"."),
        QStringLiteral("On peut fermer la fenêtre en clickant sur la croix en haut à droite "),
        QStringLiteral("mais les informations sont automatiquement mémorisées dans "),
        QStringLiteral("tous les cas."),
        QStringLiteral("Il est possible également de créer une note en faisant click droit "),
        QStringLiteral("sur l'icône dans la barre de tâches et en clickant sur \"Nouvelle\"."),
        QString(),
        QStringLiteral("Afficher une note :"),
        QString(26, u'-'),
        QStringLiteral("Si la fenêtre d'une note n'est pas déjà affichée, on peut la faire "),
        QStringLiteral("apparaître en double-clickant sur la note dans la liste ou en la "),
        QStringLiteral("sélectionnant et en clickant sur \"Voir\"."),
        QString(),
        QStringLiteral("Supprimer une note :"),
        QString(31, u'-'),
        QStringLiteral("Sélectionner la note à supprimer dans la liste et clicker sur "),
        QStringLiteral("\"Supprimer\"."),
    };
    for (int i = 0; i < lines.size(); ++i)
        QTest::addRow("line %d", i + 1) << i + 1 << lines[i];
}

void TestHelp::helpTextLines()
{
    QFETCH(int, line);
    QFETCH(QString, text);
    const QStringList lines = helpText().split(QStringLiteral("\r\n"));
    QCOMPARE(lines.value(line - 1), text);
}

void TestHelp::helpTextShape()
{
    const QString &text = helpText();
    // 21 lines, each ended by CR LF, and no other line break.
    QVERIFY(text.endsWith(QStringLiteral("\r\n")));
    QCOMPARE(text.count(QStringLiteral("\r\n")), 21);
    QCOMPARE(text.count(u'\n'), 21);
    QCOMPARE(text.count(u'\r'), 21);
    QList<int> endingWithBlank;
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].endsWith(u' '))
            endingWithBlank << i + 1;
    QCOMPARE(endingWithBlank, (QList<int>{3, 4, 6, 7, 9, 14, 15, 20}));
    // Every character has its Windows-1252 byte, as the program's other texts do.
    QCOMPARE(testutil::cp1252(text).size(), text.size());
    QVERIFY(!testutil::cp1252(text).contains('?'));
}

void TestHelp::helpWindowLayout()
{
    f_help help;
    QCOMPARE(help.windowTitle(), QStringLiteral("Aide"));
    QCOMPARE(help.size(), twips::size(6465, 5130));
    QCOMPARE(help.palette().color(QPalette::Window), twips::kLightYellow);
    QVERIFY(help.autoFillBackground());
    QVERIFY(help.testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(!help.parentWidget());

    QCOMPARE(help.Text1->geometry(), twips::rect(120, 120, 6255, 4215));
    QCOMPARE(help.Text1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(!help.Text1->isReadOnly());
    QCOMPARE(help.Text1->font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(help.Text1->font().pointSizeF(), 9.75);
    QVERIFY(!help.Text1->font().bold() && !help.Text1->font().italic());
    QVERIFY(help.Text1->palette().color(QPalette::Base) != twips::kLightYellow);
    // The box shows the lines with its own line breaks.
    QString shown = helpText();
    QCOMPARE(help.Text1->toPlainText(), shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    QCOMPARE(help.Command1->text(), QStringLiteral("Ok"));
    QCOMPARE(help.Command1->geometry(), twips::rect(2520, 4560, 1575, 375));

    // Text1 first, then "Ok".
    help.show();
    QVERIFY(QTest::qWaitForWindowActive(&help));
    QCOMPARE(QApplication::focusWidget(), help.Text1);
    QTest::keyClick(help.Text1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), help.Command1);
}

void TestHelp::aideTwiceLeavesOneWindow()
{
    TempDataHome home;
    f_iir w(m_clock);
    w.m_aide_Click();
    QPointer<f_help> first = w.helpWindow();
    QVERIFY(first && first->isVisible());
    w.m_aide_Click();
    QCOMPARE(w.helpWindow(), first.data());
    QCOMPARE(helpWindowCount(), 1);
}

void TestHelp::typedTextGoneAfterReopening_data()
{
    QTest::addColumn<bool>("byOk");
    QTest::addColumn<bool>("deletedBeforeReopening");
    QTest::newRow("Ok") << true << true;
    QTest::newRow("close box") << false << true;
    QTest::newRow("Ok, reopened at once") << true << false;
    QTest::newRow("close box, reopened at once") << false << false;
}

void TestHelp::typedTextGoneAfterReopening()
{
    QFETCH(bool, byOk);
    QFETCH(bool, deletedBeforeReopening);
    TempDataHome home;
    f_iir w(m_clock);
    w.m_aide_Click();
    QPointer<f_help> help = w.helpWindow();
    help->Text1->selectAll();
    QTest::keyClicks(help->Text1, QStringLiteral("texte tape"));
    QCOMPARE(help->Text1->toPlainText(), QStringLiteral("texte tape"));

    if (byOk)
        QTest::mouseClick(help->Command1, Qt::LeftButton);
    else
        help->close();
    QVERIFY(!help || !help->isVisible());
    QCOMPARE(helpWindowCount(), 0);
    if (deletedBeforeReopening) {
        processDeletions();
        QVERIFY(!help);
        QVERIFY(!w.helpWindow());
    }

    w.m_aide_Click();
    QVERIFY(w.helpWindow() && w.helpWindow()->isVisible());
    QString fixed = helpText();
    QCOMPARE(w.helpWindow()->Text1->toPlainText(),
             fixed.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    QCOMPARE(helpWindowCount(), 1);
}

void TestHelp::independentOfMainWindow()
{
    TempDataHome home;
    f_iir w(m_clock);
    w.show();
    w.m_aide_Click();
    w.m_tache_Click(); // the main window goes to the tray
    QVERIFY(!w.isVisible() || w.isMinimized());
    QVERIFY(w.helpWindow() && w.helpWindow()->isVisible());
    QVERIFY(!w.helpWindow()->isMinimized());
}

void TestHelp::aboutBox()
{
    TempDataHome home;
    f_iir w(m_clock);
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    int buttonCount = 0;
    bool modal = false;
    bool pressed = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || pressed)
            return;
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        buttons = box->standardButtons();
        buttonCount = box->buttons().size();
        modal = box->isModal();
        pressed = true;
        box->button(QMessageBox::Ok)->click();
    });
    poll.start(20);
    w.m_apropos_Click();
    QVERIFY(pressed); // the command returned only once OK was pressed
    QCOMPARE(text, QStringLiteral("Rappelix v1.2"));
    QCOMPARE(title, QStringLiteral("A propos"));
    QCOMPARE(icon, QMessageBox::Information);
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(buttonCount, 1);
    QVERIFY(modal);
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
