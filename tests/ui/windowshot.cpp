// Renders the main window after a successful read on the simulated camera,
// in English and in Chinese, to window-en.png and window-zh.png in the
// directory given as argument.
#include "app/brindel.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstdio>

namespace {

bool save(QWidget &window, const QString &file)
{
    QCoreApplication::processEvents();
    if (!window.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(out.path()));
        return 1;
    }

    Brindel window;
    window.show();
    QCoreApplication::processEvents();
    auto *connectBtn = window.findChild<QPushButton *>(QStringLiteral("connectBtn"));
    auto *idField = window.findChild<QLineEdit *>(QStringLiteral("IDsequen"));
    if (!connectBtn || !idField) {
        std::fprintf(stderr, "the window has no connect button or ID field\n");
        return 1;
    }
    QTest::mouseClick(connectBtn, Qt::LeftButton);
    if (idField->text().isEmpty()) {
        std::fprintf(stderr, "no ID was read from the simulated camera\n");
        return 1;
    }

    const bool en = save(window, out.filePath(QStringLiteral("window-en.png")));
    QMetaObject::invokeMethod(&window, "slot_switchLanguage", Q_ARG(int, 0));
    const bool zh = save(window, out.filePath(QStringLiteral("window-zh.png")));
    return en && zh ? 0 : 1;
}
