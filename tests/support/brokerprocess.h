#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A mosquitto broker of a test's own, on a free loopback port, set up with
// the shipped configuration snippet and ACL (their /etc/mosquitto/ paths
// moved to DIRECTORY/broker/) and a password file for the given users, each
// with the password password(user). Retained messages are persisted there,
// so that a restart on the same port keeps them. The destructor stops it.
class BrokerProcess
{
public:
    BrokerProcess(const QString &directory, const QStringList &users);
    ~BrokerProcess();
    BrokerProcess(const BrokerProcess &) = delete;
    BrokerProcess &operator=(const BrokerProcess &) = delete;

    // Returns once it accepts connections. The first start takes a free
    // port; later ones reuse it. On failure errorString() says why.
    bool start();
    // SIGTERM, so that it saves its retained messages, then waits.
    bool stop();
    bool restart() { return stop() && start(); }
    // SIGKILL: nothing saved.
    void kill();

    bool isRunning() const { return process.state() != QProcess::NotRunning; }
    quint16 port() const { return listenPort; }
    // mqtt://USER@127.0.0.1:PORT
    QString url(const QString &user) const;
    static QString password(const QString &user) { return QStringLiteral("pw-") + user; }
    QString errorString() const { return error; }
    // What it logged, across every start.
    QByteArray log() const;

private:
    bool prepare();
    bool startOn(quint16 candidate, bool &portTaken);
    bool fail(const QString &why);

    QString directory;
    QStringList users;
    QProcess process;
    quint16 listenPort = 0;
    QString configTail; // what follows our listener line
    bool prepared = false;
    QString error;
};
