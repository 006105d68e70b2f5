#include "broker/brokerclient.h"

#include <utility>

// The broker client of a build made without libmosquitto: it connects
// nowhere and says so, so that the rest of a program works as ever.

BrokerClient::BrokerClient(Settings settings, QObject *parent)
    : QObject(parent)
    , settings(std::move(settings))
{ }

BrokerClient::~BrokerClient() = default;

bool BrokerClient::open(QString &error)
{
    error = QStringLiteral("this build of the program has no MQTT client; use one built with "
                           "libmosquitto");
    return false;
}

bool BrokerClient::publish(const QString &, const QByteArray &, bool)
{
    return false;
}

int BrokerClient::subscribe(const QStringList &, bool)
{
    return -1;
}

void BrokerClient::close()
{
    if (state == State::Closed)
        return;
    state = State::Closed;
    emit closed();
}
