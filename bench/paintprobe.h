#pragma once

#include <QObject>

// Watches every event of the application. At the first paint event of a
// widget it notes the time; when the event loop is back after that frame it
// writes one line to its file descriptor and ends the process on the spot:
//   paint <ns> frame <ns> hwm <KiB>
// with CLOCK_MONOTONIC times in nanoseconds and the peak resident set so far.
class PaintProbe : public QObject
{
    Q_OBJECT

public:
    explicit PaintProbe(int fd);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void finish();

    int fd;
    long long firstPaint = 0;
};
