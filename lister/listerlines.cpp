#include "lister/listerlines.h"

#include "broker/brokerclient.h"

#include <QCoreApplication>

#include <cstdio>

namespace ListerLines {

void say(const QString &message)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                 qPrintable(message));
}

QString retrying(const BrokerClient &client, const QString &reason, int delayMs)
{
    return QStringLiteral("the broker %1: %2; trying again in %3 s")
        .arg(client.name(), reason)
        .arg(delayMs / 1000);
}

QString refused(const BrokerClient &client, const QString &reason)
{
    return QStringLiteral("the broker %1 %2").arg(client.name(), reason);
}

} // namespace ListerLines
