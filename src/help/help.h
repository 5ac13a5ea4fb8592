#pragma once

#include <QObject>
#include <QPointer>

class QWidget;
#include "help/f_help.h"

// Help and about: the one help window, and the about box.
class Help : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Help() override;

    void showHelp();                 // the help window, or the one already open, to the front
    void showAbout(QWidget *parent); // modal, until OK
    f_help *window() const { return m_window; }

private:
    QPointer<f_help> m_window;
};
