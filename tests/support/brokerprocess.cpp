#include "brokerprocess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>

#include <pwd.h>
#include <unistd.h>

namespace {

constexpr int kStartMs = 10000;
constexpr int kStopMs = 10000;
constexpr int kPortAttempts = 5;

// A port nobody listens on just now; someone may take it before we do.
quint16 freePort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

} // namespace

BrokerProcess::BrokerProcess(const QString &directory, const QStringList &users)
    : directory(directory + QStringLiteral("/broker"))
    , users(users)
{ }

BrokerProcess::~BrokerProcess()
{
    if (!stop())
        kill();
}

QString BrokerProcess::url(const QString &user) const
{
    return QStringLiteral("mqtt://%1@127.0.0.1:%2").arg(user).arg(listenPort);
}

QByteArray BrokerProcess::log() const
{
    QFile file(directory + QStringLiteral("/mosquitto.log"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool BrokerProcess::fail(const QString &why)
{
    error = why;
    return false;
}

// The shipped snippet with its paths moved here, and the files it names: the
// shipped ACL as it is, and a password file for our users.
bool BrokerProcess::prepare()
{
    if (prepared)
        return true;
    if (!QDir().mkpath(directory))
        return fail(QStringLiteral("cannot make ") + directory);
    QFile snippet(QStringLiteral(SARVOLIN_MOSQUITTO_DIR "/sarvolin.conf"));
    if (!snippet.open(QIODevice::ReadOnly))
        return fail(snippet.fileName() + QStringLiteral(": cannot be read"));
    const QString text = QString::fromUtf8(snippet.readAll())
                             .replace(QStringLiteral("/etc/mosquitto/"), directory + '/');
    QString passwordFile;
    QString aclFile;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QStringList words = line.simplified().split(QLatin1Char(' '));
        const QString option = words.first();
        // Ours is the only listener: the test must reach nothing else.
        if (option == QLatin1String("listener") || option == QLatin1String("port")
            || option.startsWith(QLatin1String("bind_")))
            return fail(snippet.fileName() + QStringLiteral(": a listener of its own: ") + line);
        if (option == QLatin1String("password_file"))
            passwordFile = words.value(1);
        else if (option == QLatin1String("acl_file"))
            aclFile = words.value(1);
    }
    if (passwordFile.isEmpty() || aclFile.isEmpty())
        return fail(snippet.fileName() + QStringLiteral(": no password_file or no acl_file"));
    // Nothing is written outside the test's directory.
    for (const QString &path : { passwordFile, aclFile }) {
        if (!path.startsWith(directory + '/'))
            return fail(snippet.fileName() + QStringLiteral(": a file outside /etc/mosquitto/: ")
                        + path);
    }

    QFile::remove(aclFile);
    if (!QFile::copy(QStringLiteral(SARVOLIN_MOSQUITTO_DIR "/sarvolin.acl"), aclFile))
        return fail(QStringLiteral("cannot copy the ACL to ") + aclFile);
    for (const QString &user : users) {
        QProcess make;
        make.setProcessChannelMode(QProcess::MergedChannels);
        QStringList arguments { "-b", passwordFile, user, password(user) };
        if (user == users.first())
            arguments.prepend(QStringLiteral("-c"));
        make.start(QStringLiteral(SARVOLIN_MOSQUITTO_PASSWD), arguments);
        if (!make.waitForFinished(kStartMs) || make.exitStatus() != QProcess::NormalExit
            || make.exitCode() != 0)
            return fail(QStringLiteral("mosquitto_passwd failed for %1: %2")
                            .arg(user, QString::fromLocal8Bit(make.readAll())));
    }

    QString own;
    own += QStringLiteral("persistence true\npersistence_location %1/\n").arg(directory);
    // As root it would run as the user "mosquitto", who cannot write here.
    if (const passwd *entry = ::getpwuid(::geteuid()))
        own += QStringLiteral("user %1\n").arg(QString::fromLocal8Bit(entry->pw_name));
    configTail = text + QLatin1Char('\n') + own;
    prepared = true;
    return true;
}

bool BrokerProcess::start()
{
    if (isRunning())
        return fail(QStringLiteral("already running"));
    if (!prepare())
        return false;
    bool portTaken = false;
    if (listenPort != 0)
        return startOn(listenPort, portTaken);
    for (int attempt = 0; attempt < kPortAttempts; ++attempt) {
        const quint16 candidate = freePort();
        if (candidate == 0)
            return fail(QStringLiteral("no free loopback port"));
        if (startOn(candidate, portTaken)) {
            listenPort = candidate;
            return true;
        }
        if (!portTaken)
            return false;
    }
    return false;
}

bool BrokerProcess::startOn(quint16 candidate, bool &portTaken)
{
    portTaken = false;
    const QString config = directory + QStringLiteral("/mosquitto.conf");
    {
        QFile file(config);
        const QByteArray text = QStringLiteral("listener %1 127.0.0.1\n").arg(candidate).toUtf8()
            + configTail.toUtf8();
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            return fail(QStringLiteral("cannot write ") + config);
    }
    const qint64 logStart = log().size();
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardOutputFile(directory + QStringLiteral("/mosquitto.log"), QIODevice::Append);
    process.start(QStringLiteral(SARVOLIN_MOSQUITTO), { QStringLiteral("-c"), config });
    if (!process.waitForStarted(kStartMs))
        return fail(QStringLiteral("mosquitto did not start: ") + process.errorString());

    // Ready when it accepts a connection on its port while still running: a
    // listener of someone else's would not keep it running.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kStartMs) {
        if (process.waitForFinished(20) || process.state() == QProcess::NotRunning) {
            const QByteArray said = log().mid(logStart);
            portTaken = said.contains("in use");
            return fail(QStringLiteral("mosquitto ended at its start on port %1: %2")
                            .arg(candidate)
                            .arg(QString::fromLocal8Bit(said)));
        }
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, candidate);
        if (probe.waitForConnected(200)) {
            probe.abort();
            if (process.state() == QProcess::Running)
                return true;
        }
    }
    kill();
    return fail(QStringLiteral("mosquitto accepted no connection on port %1 within %2 ms")
                    .arg(candidate)
                    .arg(kStartMs));
}

bool BrokerProcess::stop()
{
    if (process.state() == QProcess::NotRunning)
        return true;
    process.terminate();
    if (process.waitForFinished(kStopMs))
        return true;
    kill();
    return fail(QStringLiteral("mosquitto did not stop on SIGTERM"));
}

void BrokerProcess::kill()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished(kStopMs);
}
