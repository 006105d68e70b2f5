#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <functional>

// Answers the modal dialogs that a window opens, from inside the event loops
// those dialogs run, and records what they showed. Message boxes get Ok, the
// file dialog's "replace it?" question gets Yes, and save dialogs get the
// queued answers in order.
class ModalAnswerer : public QObject
{
    Q_OBJECT

public:
    struct Box {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool cursorOverridden = false; // an override cursor was active while it showed
        int progress = -1; // what progress() returned while it showed
    };

    struct FileDialog {
        QString title;
        QStringList nameFilters;
    };

    explicit ModalAnswerer(QObject *parent = nullptr);

    // How often to look for a new dialog; 0 looks on every pass of the event
    // loop, for tests that open many dialogs. The default is 10 ms.
    void setPollInterval(int ms);

    // The next save dialog gets this path typed in and accepted; a null
    // string cancels it.
    void queueFileAnswer(const QString &path);
    void clear();

    QVector<Box> boxes;
    QVector<FileDialog> fileDialogs;
    int replaceQuestions = 0;
    QStringList unexpected; // dialogs nobody expected; they were closed
    // Asked as each message box shows, so a test can tell what happened before it.
    std::function<int()> progress;

private:
    void poll();
    bool alreadyAnswered(QWidget *widget);

    QTimer timer;
    QQueue<QString> fileAnswers;
    QList<QPointer<QWidget>> answered;
};
