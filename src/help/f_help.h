#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// The help window: a fixed text, loaded anew each time it opens; closing it destroys it.
class f_help : public QWidget {
    Q_OBJECT
public:
    f_help();

    void Command1_Click(); // Ok

private:
    QPlainTextEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;
};
