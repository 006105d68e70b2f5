#include "broker/brokerurl.h"

#include <QUrl>

namespace {

constexpr int kPlainPort = 1883;
constexpr int kTlsPort = 8883;

} // namespace

bool BrokerUrl::parse(const QString &text, BrokerUrl &url, QString &error)
{
    const QUrl parsed(text, QUrl::StrictMode);
    const QString scheme = parsed.scheme();
    if (!parsed.isValid() || (scheme != QLatin1String("mqtt") && scheme != QLatin1String("mqtts"))
        || parsed.host().isEmpty()) {
        error = QStringLiteral("'%1' is not a broker URL: it takes the form "
                               "mqtt://[user@]host[:port] or mqtts://[user@]host[:port]")
                    .arg(text);
        return false;
    }
    if (!parsed.password().isEmpty()) {
        error = QStringLiteral("a password does not go in the broker URL, where the process "
                               "list shows it: set SARVOLIN_MQTT_PASSWORD or use --password-file");
        return false;
    }
    if ((!parsed.path().isEmpty() && parsed.path() != QLatin1String("/")) || parsed.hasQuery()
        || parsed.hasFragment()) {
        error = QStringLiteral("'%1': a broker URL has no path, query or fragment").arg(text);
        return false;
    }
    url.tls = scheme == QLatin1String("mqtts");
    url.user = parsed.userName();
    url.host = parsed.host();
    url.port = parsed.port(url.tls ? kTlsPort : kPlainPort);
    if (url.port <= 0) {
        error = QStringLiteral("'%1': the port must be from 1 to 65535").arg(text);
        return false;
    }
    return true;
}

QString BrokerUrl::shown() const
{
    QUrl url;
    url.setScheme(tls ? QStringLiteral("mqtts") : QStringLiteral("mqtt"));
    url.setUserName(user);
    url.setHost(host);
    url.setPort(port);
    return url.toString();
}
