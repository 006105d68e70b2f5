// The least a Qt Widgets program can do to show a window: the yardstick for
// the main window's start-up time and memory.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.setFixedSize(460, 180);
    window.show();
    return app.exec();
}
