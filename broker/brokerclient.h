#pragma once

#include "broker/brokerurl.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

struct mosquitto;
struct mosquitto_message;
typedef struct mqtt5__property mosquitto_property;

// One MQTT 5 connection to a broker, on libmosquitto, driven by the Qt event
// loop that runs it (no thread of its own). It connects, and reconnects
// whenever the connection fails or is lost, after a delay that grows from
// 1 s to 30 s; a broker that refuses our credentials or a publication is not
// tried again, as that does not mend itself.
class BrokerClient : public QObject
{
    Q_OBJECT

public:
    struct Settings {
        BrokerUrl url;
        QString password;
        QString caFile;
        QString certFile;
        QString keyFile;
        int keepaliveS = 10;
        QString clientId; // empty: the broker gives one
        // Published by the broker, retained, when the connection ends other
        // than by close().
        QString willTopic = {};
        QByteArray willPayload = {};
        // A refused publication ends the client (a host's own topics), or
        // is only told (a reader's commands, which the rules may refuse).
        bool refusalEnds = true;
    };

    static constexpr int firstRetryMs = 1000;
    static constexpr int lastRetryMs = 30 * 1000;

    explicit BrokerClient(Settings settings, QObject *parent = nullptr);
    ~BrokerClient() override;

    // Starts connecting; false, with the reason, where the settings cannot
    // be used (a TLS file that cannot be read).
    bool open(QString &error);
    bool isConnected() const { return state == State::Connected; }
    // The broker as messages name it.
    QString name() const { return settings.url.shown(); }

    // At QoS 1, so that a refusal comes back; false where not connected
    // (whoever publishes publishes everything again at connected()).
    bool publish(const QString &topic, const QByteArray &payload, bool retain);
    // At QoS 1, with the retained messages of the filters unless not
    // asked. The message id, or -1 where not connected.
    int subscribe(const QStringList &filters, bool retained = true);
    // Publications sent and not yet acknowledged.
    int unacknowledged() const { return int(inflight.size()); }
    // Ends the connection normally, so that the broker drops the Will;
    // closed() follows.
    void close();

signals:
    void connected();
    // A try that failed or a connection lost, with the delay before the next.
    void retrying(const QString &reason, int delayMs);
    // The broker refused our credentials or a publication; nothing more is
    // tried.
    void refused(const QString &reason);
    void acknowledged();
    // Where a refusal does not end the client.
    void publicationRefused(const QString &topic, const QString &reason);
    void subscribed(int mid);
    void message(const QString &topic, const QByteArray &payload, bool retained);
    void closed();

private:
    enum class State { Idle, Connecting, Connected, Waiting, Closing, Closed, Refused };

    bool makeHandle(QString &error);
    void tryConnect();
    void failed(const QString &reason);
    void watchSocket();
    void dropSocket();
    void afterCall(int rc);
    bool connectionMade(bool writable);

    static void onConnect(mosquitto *, void *self, int rc, int flags, const mosquitto_property *);
    static void onDisconnect(mosquitto *, void *self, int rc, const mosquitto_property *);
    static void onPublish(mosquitto *, void *self, int mid, int reason, const mosquitto_property *);
    static void onSubscribe(mosquitto *, void *self, int mid, int count, const int *granted,
                            const mosquitto_property *);
    static void onMessage(mosquitto *, void *self, const mosquitto_message *message,
                          const mosquitto_property *);

    Settings settings;
    mosquitto *handle = nullptr;
    State state = State::Idle;
    int retryMs = firstRetryMs;
    int socketFd = -1;
    bool socketUp = false; // connected, below MQTT and TLS
    std::unique_ptr<QSocketNotifier> reader;
    std::unique_ptr<QSocketNotifier> writer;
    QTimer housekeeping;
    QTimer retryTimer;
    QTimer attemptTimer;
    QHash<int, QString> inflight; // message id → topic
};
