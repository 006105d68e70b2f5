#include "app/brokenpipes.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

void ignoreBrokenPipes()
{
#ifdef Q_OS_UNIX
    std::signal(SIGPIPE, SIG_IGN);
#endif
}
