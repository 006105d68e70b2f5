#include "broker/hostpublisher.h"

#include "broker/brokerclient.h"
#include "engine/bodyfield.h"

#include <utility>

namespace {

QStringList withHost(QStringList fields)
{
    fields.removeAll(QLatin1String(BodyField::hostKey));
    fields.prepend(QLatin1String(BodyField::hostKey));
    return fields;
}

} // namespace

HostPublisher::HostPublisher(BrokerClient *client, const HostTopics &topics, QString host,
                             const QStringList &fields, QString version, bool acceptCommands,
                             QObject *parent)
    : QObject(parent)
    , client(client)
    , topics(topics)
    , host(std::move(host))
    , printer(RowPrinter::Format::Json, nullptr, withHost(fields))
    , version(std::move(version))
    , acceptCommands(acceptCommands)
{
    connect(client, &BrokerClient::connected, this, &HostPublisher::publishAll);
    connect(client, &BrokerClient::message, this, &HostPublisher::heard);
    connect(client, &BrokerClient::acknowledged, this, [this] {
        if (finishing && this->client->unacknowledged() == 0)
            this->client->close();
    });
    connect(client, &BrokerClient::closed, this, &HostPublisher::finished);
    finishTimer.setSingleShot(true);
    connect(&finishTimer, &QTimer::timeout, client, &BrokerClient::close);
}

QByteArray HostPublisher::lastWill()
{
    return HostPayload::encode(HostPayload::State {});
}

void HostPublisher::attached(const QVector<BodyRow> &bodies)
{
    QSet<QString> places;
    for (const BodyRow &body : bodies)
        places.insert(placeOf(body));
    attachedPlaces = places;
    clearGone();
}

void HostPublisher::clearGone()
{
    if (!attachedPlaces || !client->isConnected())
        return;
    for (const QString &place : std::exchange(kept, {})) {
        if (!attachedPlaces->contains(place) && !present.contains(place))
            client->publish(topics.body(host, place), QByteArray(), true);
    }
}

void HostPublisher::put(const BodyRow &row)
{
    BodyRow published = row;
    published.host = host;
    const QString place = placeOf(published);
    const bool added = !present.contains(place);
    present.insert(place, published);
    publishBody(place);
    if (added)
        publishState();
}

void HostPublisher::remove(const BodyRow &row)
{
    const QString place = placeOf(row);
    if (present.remove(place) == 0)
        return;
    client->publish(topics.body(host, place), QByteArray(), true);
    publishState();
}

void HostPublisher::finish()
{
    if (finishing)
        return;
    finishing = true;
    if (!client->isConnected()) {
        client->close();
        return;
    }
    publishState();
    finishTimer.start(finishMs);
}

void HostPublisher::publishAll()
{
    kept.clear();
    since = QDateTime::currentDateTimeUtc();
    publishState();
    for (auto it = present.cbegin(); it != present.cend(); ++it)
        publishBody(it.key());
    // Our own bodies' retained messages come back, so that those of bodies
    // gone while we were away can be cleared.
    client->subscribe({ topics.bodies(host), topics.command(host) });
}

void HostPublisher::publishState()
{
    HostPayload::State state;
    state.kind = finishing ? HostPayload::State::Kind::Offline : HostPayload::State::Kind::Online;
    state.since = finishing ? QDateTime::currentDateTimeUtc() : since;
    state.version = version;
    state.bodies = int(present.size());
    state.commands = acceptCommands && !finishing;
    client->publish(topics.state(host), HostPayload::encode(state), true);
}

void HostPublisher::publishBody(const QString &place)
{
    client->publish(topics.body(host, place),
                    HostPayload::encode(printer.jsonOf(present.value(place))), true);
}

void HostPublisher::heard(const QString &topic, const QByteArray &payload, bool retained)
{
    const HostTopics::Topic parsed = topics.parse(topic);
    if (parsed.host != host)
        return;
    if (parsed.kind == HostTopics::Kind::Body) {
        // Only what the broker kept from before; our own publications come
        // back without the flag.
        if (retained && !payload.isEmpty()) {
            kept.insert(parsed.place);
            clearGone();
        }
        return;
    }
    if (parsed.kind != HostTopics::Kind::Command)
        return;
    // Kept commands would be done again at every connection.
    if (retained) {
        emit notice(QStringLiteral("ignored a retained command on %1; send commands "
                                   "without retaining them")
                        .arg(topic));
        return;
    }
    HostPayload::Command asked;
    QString error;
    if (!HostPayload::decode(payload, asked, error)) {
        emit notice(QStringLiteral("ignored the message on %1: %2").arg(topic, error));
        return;
    }
    if (!acceptCommands) {
        emit notice(QStringLiteral("ignored the command %1 on %2: this host was not started "
                                   "with --accept-commands")
                        .arg(QString::fromUtf8(HostPayload::encode(asked)), topic));
        return;
    }
    emit command(asked);
}
