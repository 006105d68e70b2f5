#pragma once

#include "broker/brokerclient.h"
#include "broker/hostpayload.h"
#include "broker/hostreader.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <deque>

class BodyTableModel;
class HostTableModel;

// The rig's rows from every host that publishes to a broker: into the table
// a few at a time, so that a thousand arriving at once never hold up the
// window, and the hosts into their list. Also the commands sent back.
class BrokerFeed : public QObject
{
    Q_OBJECT

public:
    BrokerFeed(BrokerClient::Settings settings, const QString &topicPrefix, BodyTableModel *table,
               HostTableModel *hosts, QObject *parent = nullptr);

    // Starts connecting; false, with the reason, where the settings cannot be used.
    bool open(QString &error);
    void close() { client.close(); }
    QString brokerName() const { return client.name(); }
    bool isComplete() const { return reader.isComplete(); }

    // The hosts online, and the bodies read there.
    QStringList onlineHosts() const;
    int onlineBodies() const;
    // To every online host that takes commands; `others` are the online
    // hosts that do not. Answers the hosts it went to.
    QStringList send(HostPayload::Command command, QStringList &others);

signals:
    void complete();
    void bodyRead(const BodyRow &row);
    void retrying(const QString &reason, int delayMs);
    void refused(const QString &reason);
    void commandRefused(const QString &host, const QString &reason);
    void hostsChanged();

private:
    struct Change {
        bool gone = false;
        BodyRow row;
    };
    void queue(bool gone, const BodyRow &row);
    void queueHost(const QString &host);
    void queuePicture();
    void apply();

    BrokerClient client;
    HostTopics topics;
    HostReader reader;
    BodyTableModel *table;
    HostTableModel *hosts;
    std::deque<Change> changes;
    bool freshAfterQueue = false; // the picture is whole once the queue is through
    QTimer applying;
    QTimer hostsLater;
};
