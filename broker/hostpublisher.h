#pragma once

#include "broker/hostpayload.h"
#include "broker/hosttopics.h"
#include "engine/bodyrow.h"
#include "engine/rowprinter.h"

#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <optional>

class BrokerClient;

// Keeps a host's bodies on the broker: its state and one retained message
// per body, all published again at every connection, with the topics of
// bodies that went away meanwhile cleared; and hears its commands.
class HostPublisher : public QObject
{
    Q_OBJECT

public:
    // `fields` are the keys each body's message carries beside the host.
    HostPublisher(BrokerClient *client, const HostTopics &topics, QString host,
                  const QStringList &fields, QString version, bool acceptCommands,
                  QObject *parent = nullptr);

    // How long a clean stop waits for the broker to take the host's last state.
    static constexpr int finishMs = 3000;

    // What the broker is told when the connection ends unasked.
    static QByteArray lastWill();

    // What the last look found attached: the retained messages of other
    // bodies are cleared, and only once a look has told.
    void attached(const QVector<BodyRow> &bodies);
    void put(const BodyRow &row);
    void remove(const BodyRow &row);
    // Says the host is offline and ends the connection normally; finished()
    // follows.
    void finish();

signals:
    void command(HostPayload::Command command);
    // A line for the operator of this computer.
    void notice(const QString &line);
    void finished();

private:
    void publishAll();
    void publishState();
    void publishBody(const QString &place);
    void heard(const QString &topic, const QByteArray &payload, bool retained);
    void clearGone();

    BrokerClient *client;
    HostTopics topics;
    QString host;
    RowPrinter printer;
    QString version;
    bool acceptCommands;
    QMap<QString, BodyRow> present; // by place
    std::optional<QSet<QString>> attachedPlaces;
    QSet<QString> kept; // our retained bodies, heard at this connection
    QDateTime since;
    bool finishing = false;
    QTimer finishTimer;
};
