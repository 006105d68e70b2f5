#pragma once

#include <QString>

class BrokerClient;

// What the lister tells on its error output, one line each after its name,
// and the words both its broker ends use for what the broker client reports.
namespace ListerLines {

void say(const QString &message);

// "the broker mqtt://…: Connection refused; trying again in 2 s"
QString retrying(const BrokerClient &client, const QString &reason, int delayMs);
// "the broker mqtt://… refused the connection: Not authorized"
QString refused(const BrokerClient &client, const QString &reason);

} // namespace ListerLines
