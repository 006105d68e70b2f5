#pragma once

#include "broker/hostpayload.h"
#include "broker/hosttopics.h"
#include "engine/bodyrow.h"

#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QVector>

#include <optional>

class BrokerClient;

// Every host's state and bodies as the broker holds them: the retained
// picture at each connection, then every change.
class HostReader : public QObject
{
    Q_OBJECT

public:
    struct Host {
        std::optional<HostPayload::State> state;
        QDateTime learnt; // when we heard of its present state
        QMap<QString, BodyRow> bodies; // by place
        QMap<QString, QByteArray> payloads; // as they came
    };

    HostReader(BrokerClient *client, const HostTopics &topics, QObject *parent = nullptr);

    // The broker's retained picture is in, for this connection.
    bool isComplete() const { return completeNow; }
    const QMap<QString, Host> &hosts() const { return known; }
    // Every body on every host, each naming its host, with a finding where
    // its host is lost or offline.
    QVector<BodyRow> rows() const;
    // What a lost or offline host's bodies are found to be.
    static std::optional<Finding> findingOf(const Host &host);
    // A host's state in words: "online", "lost since 14:03:07".
    static QString stateOf(const Host &host);

signals:
    void complete();
    // After complete() only: a body's message, new or changed; a body gone;
    // a host's state changed.
    void bodyChanged(const BodyRow &row);
    void bodyGone(const BodyRow &row);
    void hostChanged(const QString &host);
    // A message that was ignored, and why.
    void warning(const QString &text);

private:
    void subscribe();
    void subscribed(int mid);
    void heard(const QString &topic, const QByteArray &payload);

    BrokerClient *client;
    HostTopics topics;
    QMap<QString, Host> known;
    int everythingMid = -1;
    int markerMid = -1;
    bool completeNow = false;
    QSet<QString> heardNow; // topics heard since this connection began
};
