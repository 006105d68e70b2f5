#pragma once

#include <QObject>

class QSocketNotifier;

// The stop requests of StopRequests (SIGINT, SIGTERM, Ctrl+C and the like,
// and the end of input where asked for), each reported as a Qt signal on the
// object's thread, so that the program can wind down in its own time.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    // Ctrl+C's signal, which ends a watch as the user asked.
    static constexpr int interrupt = 2; // SIGINT

    // Catches the stop signals and reports each one through received().
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

signals:
    void received(int signal);

private:
    void readPending();

    QSocketNotifier *notifier = nullptr;
};
