// Renders the window's form in Chinese and in English to form-zh.png and
// form-en.png in the directory given as argument.
#include "ui/tovrak.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QTranslator>

#include <cstdio>

namespace {

bool shoot(const QString &catalogue, const QString &file)
{
    QTranslator translator;
    if (!translator.load(catalogue) || !QCoreApplication::installTranslator(&translator)) {
        std::fprintf(stderr, "cannot load %s\n", qPrintable(catalogue));
        return false;
    }
    QMainWindow window;
    Ui_Tovrak ui;
    ui.setupUi(&window);
    window.show();
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
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(out.path()));
        return 1;
    }
    const bool zh
        = shoot(QStringLiteral(":/brindel_zh.qm"), out.filePath(QStringLiteral("form-zh.png")));
    const bool en
        = shoot(QStringLiteral(":/brindel_en.qm"), out.filePath(QStringLiteral("form-en.png")));
    return zh && en ? 0 : 1;
}
