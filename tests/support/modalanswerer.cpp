#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>

ModalAnswerer::ModalAnswerer(QObject *parent)
    : QObject(parent)
{
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    timer.start();
}

void ModalAnswerer::setPollInterval(int ms)
{
    timer.setInterval(ms);
}

void ModalAnswerer::queueFileAnswer(const QString &path)
{
    fileAnswers.enqueue(path);
}

void ModalAnswerer::clear()
{
    boxes.clear();
    fileDialogs.clear();
    replaceQuestions = 0;
    unexpected.clear();
    fileAnswers.clear();
}

bool ModalAnswerer::alreadyAnswered(QWidget *widget)
{
    answered.removeAll(QPointer<QWidget>());
    for (const QPointer<QWidget> &seen : qAsConst(answered)) {
        if (seen == widget)
            return true;
    }
    answered.append(widget);
    return false;
}

void ModalAnswerer::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || alreadyAnswered(modal))
        return;

    // Answers are queued rather than given here: an answer may open another
    // modal dialog, whose event loop must find this timer free to fire.
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        if (QAbstractButton *yes = box->button(QMessageBox::Yes)) {
            ++replaceQuestions;
            QTimer::singleShot(0, yes, [yes] { QTest::mouseClick(yes, Qt::LeftButton); });
            return;
        }
        Box seen;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.cursorOverridden = QApplication::overrideCursor() != nullptr;
        if (progress)
            seen.progress = progress();
        boxes.append(seen);
        if (QAbstractButton *ok = box->button(QMessageBox::Ok)) {
            QTimer::singleShot(0, ok, [ok] { QTest::mouseClick(ok, Qt::LeftButton); });
        } else {
            unexpected << QStringLiteral("message box without Ok: ") + box->text();
            QTimer::singleShot(0, box, [box] { box->reject(); });
        }
        return;
    }

    if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
        fileDialogs.append({ dialog->windowTitle(), dialog->nameFilters() });
        if (fileAnswers.isEmpty()) {
            unexpected << QStringLiteral("unexpected file dialog");
            QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
            return;
        }
        const QString path = fileAnswers.dequeue();
        QTimer::singleShot(0, dialog, [this, dialog, path] {
            if (path.isNull()) {
                QTest::keyClick(dialog, Qt::Key_Escape);
                return;
            }
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            if (!name) {
                unexpected << QStringLiteral("file dialog without a name field");
                dialog->reject();
                return;
            }
            name->setText(path);
            static_cast<QDialog *>(dialog)->accept(); // as the Save button does
        });
        return;
    }

    unexpected << QStringLiteral("unexpected modal widget ") + modal->metaObject()->className();
    QTimer::singleShot(0, modal, [modal] { modal->close(); });
}
