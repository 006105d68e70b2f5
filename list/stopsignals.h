#pragma once

#include <QObject>

class QSocketNotifier;

// SIGINT and SIGTERM (Ctrl+C, Ctrl+Break and closing the console on Windows)
// as a request to stop: the first stop signal is remembered for any code to
// poll, and an object of this class also reports each one as a Qt signal on
// its thread, so that the program can wind down in its own time.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    // Catches the stop signals for polling only; broken pipes are ignored,
    // so that writing to a closed reader fails instead of killing us.
    static void catchSignals();
    // The first stop signal caught (SIGINT 2, SIGTERM 15), or 0.
    static int caught();
    // Takes the end of standard input, where that is a pipe, as this signal:
    // the program that started us closes it to ask for a stop, and it closes
    // by itself when that program dies, on every system.
    static void stopAtEndOfInput(int signal);

    // Catches them and reports each one through received().
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

signals:
    void received(int signal);

private:
    void readPending();

    QSocketNotifier *notifier = nullptr;
};
