#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGHUP and SIGINT into a signal on the event loop, so that the
// program can save what was typed before it ends (logout, shutdown, kill).
class Termination : public QObject {
    Q_OBJECT
public:
    explicit Termination(QObject *parent = nullptr);
    ~Termination() override;

signals:
    void requested();

private:
    QSocketNotifier *m_notifier = nullptr;
};
