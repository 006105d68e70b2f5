#include "broker/brokeroptions.h"

#include "broker/hosttopics.h"

#include <QCommandLineParser>
#include <QFile>

namespace BrokerOptions {

namespace {

const char *const kNames[]
    = { "topic-prefix", "password-file", "ca-file", "cert-file", "key-file", "keepalive" };

QString nameOf(Option which)
{
    return QLatin1String(kNames[int(which)]);
}

} // namespace

QCommandLineOption option(Option which)
{
    const QString file = QStringLiteral("file");
    switch (which) {
    case Option::TopicPrefix:
        return { nameOf(which), QStringLiteral("The topics' first levels (default: sarvolin)."),
                 QStringLiteral("prefix") };
    case Option::PasswordFile:
        return { nameOf(which),
                 QStringLiteral("Read the broker password from the first line of <file> (else "
                                "from SARVOLIN_MQTT_PASSWORD; never from the command line)."),
                 file };
    case Option::CaFile:
        return { nameOf(which),
                 QStringLiteral("With mqtts://, trust the authorities in <file> rather than the "
                                "system's."),
                 file };
    case Option::CertFile:
        return { nameOf(which),
                 QStringLiteral("With mqtts://, show the broker this client certificate."), file };
    case Option::KeyFile:
        return { nameOf(which), QStringLiteral("The client certificate's private key."), file };
    case Option::Keepalive:
        break;
    }
    return { nameOf(Option::Keepalive),
             QStringLiteral("Ping the broker when <seconds> pass without a message, so that it "
                            "tells the others soon when this one is gone (default: %1; 5 to "
                            "3600).")
                 .arg(BrokerClient::Settings {}.keepaliveS),
             QStringLiteral("seconds") };
}

bool readPassword(const QString &file, QString &password, QString &error)
{
    if (file.isEmpty()) {
        password = qEnvironmentVariable("SARVOLIN_MQTT_PASSWORD");
        return true;
    }
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("the password file %1 cannot be read (%2)")
                    .arg(file, in.errorString());
        return false;
    }
    password
        = QString::fromUtf8(in.readLine(4096)).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    return true;
}

bool read(const QCommandLineParser &parser, const QString &url, BrokerClient::Settings &settings,
          QString &topicPrefix, QString &error)
{
    if (!BrokerUrl::parse(url, settings.url, error))
        return false;
    if (!readPassword(parser.value(nameOf(Option::PasswordFile)), settings.password, error))
        return false;
    settings.caFile = parser.value(nameOf(Option::CaFile));
    settings.certFile = parser.value(nameOf(Option::CertFile));
    settings.keyFile = parser.value(nameOf(Option::KeyFile));
    if (!settings.url.tls && !(settings.caFile + settings.certFile + settings.keyFile).isEmpty()) {
        error = QStringLiteral("--ca-file, --cert-file and --key-file go with an mqtts:// URL");
        return false;
    }
    if (parser.isSet(nameOf(Option::Keepalive))) {
        bool ok = false;
        settings.keepaliveS = parser.value(nameOf(Option::Keepalive)).toInt(&ok);
        if (!ok || settings.keepaliveS < 5 || settings.keepaliveS > 3600) {
            error = QStringLiteral("--keepalive takes a whole number of seconds from 5 to 3600");
            return false;
        }
    }
    if (parser.isSet(nameOf(Option::TopicPrefix)))
        topicPrefix = parser.value(nameOf(Option::TopicPrefix));
    QString why;
    if (!HostTopics::usable(topicPrefix, true, why)) {
        error = QStringLiteral("--topic-prefix '%1' cannot be used: %2").arg(topicPrefix, why);
        return false;
    }
    return true;
}

} // namespace BrokerOptions
