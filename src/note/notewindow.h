#pragma once

#include "session/notewindows.h"

#include <QWidget>

class Clock;
class QComboBox;
class QFrame;
class QLabel;
class NoteBox;
class QPushButton;
class QShortcut;
class Session;

// A note window: shows the note of row f_pos and writes every change straight into it.
class f_test : public QWidget, public NoteWindow {
    Q_OBJECT
public:
    f_test(Session &session, const Clock &clock);

    void init();              // a new note: stamp, title, alert editor preset
    void reinit();            // an existing note: title, text, summary line, editor from the row
    void en_rouge() override; // the alert fell due: red until closed
    void rowReloaded() override { reinit(); }
    // The alert put off (alert::postponed), its mark cleared, the file written; red stays red.
    // Ctrl+R in the window, or "Reporter" on the due notification.
    void reporter() override;
    bool isRed() const { return m_red; }
    void activate() override;
    void closeWindow() override;

    // Text of a note as the table keeps it (CR LF) and as the box shows it (LF).
    static QString toBox(const QString &cell);
    static QString toCell(const QString &box);

    void Command1_Click(); // M'alerter
    void Command2_Click(); // Pas d'alerte
    void Command3_Click(); // Ok

signals:
    void seen(); // brought forward, clicked or typed into, or closed: the user has it before them

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void Text2_Change();
    void Text2_LostFocus();
    void showEditor(bool shown);
    bool pressFocusedButton(); // false when no enabled button has the focus

    Session &m_session;
    const Clock &m_clock;
    QPushButton *Command1 = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *Command2 = nullptr;
    NoteBox *Text2 = nullptr;
    QFrame *Frame1 = nullptr;
    QLabel *Label2 = nullptr;
    QComboBox *Combo1 = nullptr;
    QLabel *Label3 = nullptr;
    QComboBox *Combo2 = nullptr;
    QLabel *Label4 = nullptr;
    QComboBox *Combo3 = nullptr;
    QPushButton *Command3 = nullptr;
    QShortcut *m_enter = nullptr;
    QShortcut *m_return = nullptr;
    bool m_red = false;
    bool m_closed = false;
};
