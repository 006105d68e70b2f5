#include "engine/workerprogram.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString workerProgram(const char *name, const char *installed)
{
    const QDir here(QCoreApplication::applicationDirPath());
    for (const char *path : { name, installed }) {
        const QFileInfo worker(here.filePath(QString::fromUtf8(path)));
        if (worker.isFile() && worker.isExecutable())
            return worker.absoluteFilePath();
    }
    return QString();
}
