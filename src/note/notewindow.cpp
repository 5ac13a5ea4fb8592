#include "notewindow.h"

#include "alert/alerttext.h"
#include "note/notebox.h"
#include "session/session.h"
#include "ui/twips.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QWindow>

namespace {

QLabel *smallLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    twips::setBackground(label, twips::kLightYellow);
    return label;
}

// The note window is announced as a window, as the main window is, rather than as a pane.
QAccessibleInterface *noteWindowAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("f_test") && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

// The summary line is narrow: a text that does not fit in the desktop's font is shown in a
// smaller one, whole rather than cut.
void showWhole(QLabel *label, const QString &text)
{
    QFont font = QApplication::font(label);
    const int room = label->contentsRect().width();
    while (QFontMetrics(font).horizontalAdvance(text) > room && font.pointSizeF() > 5)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    label->setFont(font);
    label->setText(text);
}

void selectText(QComboBox *combo, const QString &text)
{
    const int i = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (i >= 0)
        combo->setCurrentIndex(i);
}

} // namespace

f_test::f_test(Session &session, const Clock &clock) : QWidget(nullptr), m_session(session), m_clock(clock)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Note"));
    [[maybe_unused]] static const bool announced = (QAccessible::installFactory(noteWindowAccessible), true);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    twips::setBackground(this, twips::kLightYellow);

    twips::Form form(this);
    Command1 = new QPushButton(QStringLiteral("M'alerter"), this);
    form.place(Command1, twips::rect(120, 30, 1335, 300));
    Label1 = new QLabel(this);
    form.place(Label1, twips::rect(1550, 60, 1800, 255));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setTextFormat(Qt::PlainText); // column 2 as it is, even when it looks like markup
    twips::keepSystemColours(Label1);
    Label1->setAutoFillBackground(true);
    Command2 = new QPushButton(QStringLiteral("Pas d'alerte"), this);
    form.place(Command2, twips::rect(3400, 30, 1335, 300));

    Text2 = new NoteBox(this);
    form.place(Text2, twips::rect(0, 480, 4875, 800));
    Text2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPointSizeF(8.25);
    Text2->setFont(verdana);
    twips::setBackground(Text2, twips::kLightYellow);
    Text2->installEventFilter(this);
    Text2->setTabChangesFocus(true); // Tab moves on, as in the text boxes of the original
    Text2->setAccessibleName(QStringLiteral("Texte de la note"));

    Frame1 = new QFrame(this);
    form.place(Frame1, twips::rect(0, 400, 4845, 885));
    twips::setBackground(Frame1, twips::kLightYellow);
    Label2 = smallLabel(QStringLiteral("Le"), Frame1);
    Combo1 = new QComboBox(Frame1); // not editable: the user can only pick an entry
    Label3 = smallLabel(QStringLiteral("à"), Frame1);
    Combo2 = new QComboBox(Frame1);
    Label4 = smallLabel(QStringLiteral("H"), Frame1);
    Combo3 = new QComboBox(Frame1);
    form.place(Label2, twips::rect(200, 405, 255, 255));
    form.place(Combo1, twips::rect(480, 360, 1815, 315));
    form.place(Label3, twips::rect(2325, 405, 255, 255));
    form.place(Combo2, twips::rect(2520, 360, 615, 315));
    form.place(Label4, twips::rect(3195, 405, 255, 255));
    form.place(Combo3, twips::rect(3375, 360, 615, 315));
    Label2->setBuddy(Combo1);
    Label3->setBuddy(Combo2);
    Label4->setBuddy(Combo3);
    // A list is announced by its name, then its value.
    Combo1->setAccessibleName(QStringLiteral("Jour"));
    Combo2->setAccessibleName(QStringLiteral("Heure"));
    Combo3->setAccessibleName(QStringLiteral("Minutes"));
    Command3 = new QPushButton(QStringLiteral("Ok"), Frame1);
    form.place(Command3, twips::rect(4080, 360, 500, 300));
    Frame1->raise();
    Frame1->hide();
    for (QWidget *w : std::initializer_list<QWidget *>{Command1, Command2, Command3, Combo1, Combo2, Combo3})
        twips::keepSystemColours(w);
    const std::pair<QWidget *, const char *> names[] = {
        {Command1, "Command1"}, {Label1, "Label1"}, {Command2, "Command2"}, {Text2, "Text2"},
        {Frame1, "Frame1"},     {Label2, "Label2"}, {Combo1, "Combo1"},     {Label3, "Label3"},
        {Combo2, "Combo2"},     {Label4, "Label4"}, {Combo3, "Combo3"},     {Command3, "Command3"}};
    for (const auto &[widget, name] : names)
        widget->setObjectName(QLatin1String(name));

    setTabOrder(Text2, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Combo1);
    setTabOrder(Combo1, Combo2);
    setTabOrder(Combo2, Combo3);
    setTabOrder(Combo3, Command3);
    setFocusProxy(Text2);
    Text2->setFocus(); // the text takes the focus whenever the window becomes active

    // Enter presses the button that has the focus, and "Ok", the default button while the
    // editor is shown, otherwise.
    m_return = new QShortcut(QKeySequence(Qt::Key_Return), this);
    m_enter = new QShortcut(QKeySequence(Qt::Key_Enter), this);
    for (QShortcut *s : {m_return, m_enter}) {
        s->setEnabled(false);
        connect(s, &QShortcut::activated, this, [this] {
            if (!pressFocusedButton())
                Command3_Click();
        });
    }
    for (QPushButton *b : {Command1, Command2, Command3})
        b->installEventFilter(this);

    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this), &QShortcut::activated, this,
            &f_test::reporter);

    connect(Command1, &QPushButton::clicked, this, &f_test::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &f_test::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &f_test::Command3_Click);
    connect(Text2, &QPlainTextEdit::textChanged, this, &f_test::Text2_Change);

    Form_Load();
    form.fit(twips::size(4905, 1305)); // the lists are filled: their widest entries count
}

void f_test::Form_Load()
{
    Combo1->addItems(alert::dayEntries(m_clock.now().date()));
    Combo2->addItems(alert::hourEntries());
    Combo3->addItems(alert::minuteEntries());
    for (QComboBox *c : {Combo1, Combo2, Combo3})
        c->setCurrentIndex(-1);
}

QString f_test::toBox(const QString &cell)
{
    QString box = cell;
    box.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    box.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return box;
}

QString f_test::toCell(const QString &box)
{
    QString cell = box;
    cell.replace(QChar::LineSeparator, QLatin1Char('\n'));
    cell.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    cell.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    cell.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    cell.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return cell;
}

void f_test::init()
{
    const QString stamp = QStringLiteral("Le ") + m_clock.now().toString(QStringLiteral("dd/MM 'à' HH:mm"));
    setWindowTitle(stamp);
    m_session.table.setTextMatrix(f_pos, Col::Stamp, stamp);
    Combo1->setCurrentIndex(0);
    Combo2->setCurrentIndex(alert::presetHourIndex(m_clock.now().time().hour()));
    Combo3->setCurrentIndex(0);
}

void f_test::reinit()
{
    const NoteTable &t = m_session.table;
    setWindowTitle(t.TextMatrix(f_pos, Col::Stamp));
    const QString text = toBox(t.TextMatrix(f_pos, Col::Text));
    if (!(text.isEmpty() && Text2->document()->isEmpty()))
        Text2->setNoteText(text);
    Text2->moveCursor(QTextCursor::End);
    const QString alertText = t.TextMatrix(f_pos, Col::Alert);
    showWhole(Label1, alertText);
    for (QComboBox *c : {Combo1, Combo2, Combo3})
        c->setCurrentIndex(0);
    if (alertText.trimmed().isEmpty())
        return;
    if (const auto parts = alert::split(alertText)) {
        selectText(Combo1, parts->day);
        selectText(Combo2, parts->hour);
        selectText(Combo3, parts->minutes);
    }
}

void f_test::en_rouge()
{
    m_red = true;
    for (QWidget *w : std::initializer_list<QWidget *>{this, Frame1, Text2, Label2, Label3, Label4})
        twips::setBackground(w, twips::kRed);
}

void f_test::Text2_Change()
{
    // The raw text: the plain one turns non-breaking spaces into blanks.
    m_session.table.setTextMatrix(f_pos, Col::Text, toCell(Text2->noteText()));
    m_session.flags.textChanged = true;
}

void f_test::Text2_LostFocus()
{
    if (m_session.flags.autosave)
        m_session.ecrire_notes();
}

bool f_test::pressFocusedButton()
{
    auto *button = qobject_cast<QPushButton *>(focusWidget());
    if (!button || !button->isEnabled())
        return false;
    button->click();
    return true;
}

void f_test::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    windowHandle()->installEventFilter(this); // the window's input, whichever control it goes to
}

bool f_test::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == windowHandle() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress))
        emit seen();
    if (watched != Text2 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && pressFocusedButton())
            return true;
    }
    // The editor covers the text box, which Tab still reaches: Enter there presses "Ok" too,
    // rather than add a line break the user cannot see.
    if (watched == Text2 && event->type() == QEvent::KeyPress && m_return->isEnabled()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            Command3_Click();
            return true;
        }
    }
    if (watched == Text2 && event->type() == QEvent::FocusOut && !m_closed) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::PopupFocusReason)
            Text2_LostFocus();
    }
    return QWidget::eventFilter(watched, event);
}

void f_test::showEditor(bool shown)
{
    Frame1->setVisible(shown);
    Command1->setEnabled(!shown);
    Command3->setDefault(shown);
    m_return->setEnabled(shown);
    m_enter->setEnabled(shown);
}

void f_test::Command1_Click()
{
    showEditor(true);
    Combo1->setFocus();
}

void f_test::Command3_Click()
{
    const QString text = alert::compose(Combo1->currentText(), Combo2->currentText(), Combo3->currentText());
    showEditor(false);
    showWhole(Label1, text);
    m_session.table.setTextMatrix(f_pos, Col::Alert, text);
    m_session.table.setTextMatrix(f_pos, Col::Alerted, QString());
    if (m_session.flags.autosave)
        m_session.ecrire_notes();
}

void f_test::reporter()
{
    const QString text = alert::postponed(m_clock.now());
    showWhole(Label1, text);
    if (const auto parts = alert::split(text)) { // the editor shows it too, when opened
        selectText(Combo1, parts->day);
        selectText(Combo2, parts->hour);
        selectText(Combo3, parts->minutes);
    }
    m_session.table.setTextMatrix(f_pos, Col::Alert, text);
    m_session.table.setTextMatrix(f_pos, Col::Alerted, QString());
    m_session.ecrire_notes();
}

void f_test::Command2_Click()
{
    Label1->clear();
    m_session.table.setTextMatrix(f_pos, Col::Alert, QString());
    m_session.table.setTextMatrix(f_pos, Col::Alerted, QString());
    showEditor(false);
    if (m_session.flags.autosave)
        m_session.ecrire_notes();
}

// A minimised window comes back first: to the front means on the screen.
void f_test::activate()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    emit seen();
}

void f_test::closeWindow()
{
    close();
}

void f_test::closeEvent(QCloseEvent *event)
{
    if (!m_closed) {
        m_closed = true;
        emit seen();
        m_session.windowClosed(*this);
    }
    event->accept();
}
