#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGHUP and SIGINT, and the application's Quit (what the session manager sends
// when the session ends), into a signal on the event loop, so that the program can save what
// was typed before it ends (logout, shutdown, kill). A process ended by exit() without going
// back to the event loop (Qt's answer to a lost display connection) emits `exiting` from the
// exit handlers: there only what is in memory may be written, no window touched.
class Termination : public QObject {
    Q_OBJECT
public:
    explicit Termination(QObject *parent = nullptr);
    ~Termination() override;

signals:
    void requested();
    void exiting();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSocketNotifier *m_notifier = nullptr;
};
