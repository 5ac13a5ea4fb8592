#pragma once

#include <QMessageBox>

// Message boxes of the program; a test can answer the next one in advance.
namespace MsgBox {

// The next box returns this answer at once instead of waiting for the user.
void setNextAnswer(QMessageBox::StandardButton answer);

// Oui / Non, title "Rappelix"; Entrée gives `byDefault`.
QMessageBox::StandardButton question(QWidget *parent, const QString &text,
                                     QMessageBox::StandardButton byDefault = QMessageBox::Yes);
void information(QWidget *parent, const QString &title, const QString &text);
// A warning that does not wait for the user; while one is up, a new one replaces its text.
void warning(QWidget *parent, const QString &text);

} // namespace MsgBox
