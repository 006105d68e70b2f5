#include "app/brindel.h"
#include "app/displaycheck.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Without a display the toolkit would abort; say so plainly instead.
    const QString displayProblem = displayProblemBeforeStart();
    if (!displayProblem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(displayProblem));
        return 1;
    }

    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);

    QApplication app(argc, argv);
    Brindel window;
    window.show();
    return app.exec();
}
