// The main window's form with its English texts and nothing of the window's
// own logic (no icon, camera, connections or language switching): the part of
// start-up that any window showing these widgets and texts pays.
#include "ui/tovrak.h"

#include <QApplication>
#include <QMainWindow>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    QMainWindow window;
    Ui_Tovrak ui;
    ui.setupUi(&window);
    window.setFixedSize(460, 180);
    QTranslator translator;
    if (translator.load(QStringLiteral(":/brindel_en.qm")))
        QCoreApplication::installTranslator(&translator);
    ui.retranslateUi(&window);
    ui.LanguageCmbBx->setCurrentIndex(1);
    window.setWindowTitle(QStringLiteral("SarvolinV1.1.0"));
    window.show();
    return app.exec();
}
