#include "app/brindel.h"
#include "app/brokenpipes.h"
#include "display/displaycheck.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    // A network camera that drops its link mid-session would otherwise kill
    // the program inside libgphoto2's next write, with no word to the user;
    // ignored, that write fails and comes back as an I/O error.
    ignoreBrokenPipes();

    // Without a display the toolkit would abort; say so plainly instead.
    DisplayCheck display(argc, argv);
    if (!display.problem().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(display.problem()));
        return 1;
    }

    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);

    QApplication app(argc, argv);
    // Wayland matches the window to its desktop entry and icon by this name,
    // as X11 does by the entry's StartupWMClass.
    QGuiApplication::setDesktopFileName(QStringLiteral(SARVOLIN_APP_ID));
    display.release(); // the toolkit holds its own connection now
    Brindel window;
    window.show();
    return app.exec();
}
