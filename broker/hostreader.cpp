#include "broker/hostreader.h"

#include "broker/brokerclient.h"
#include "engine/rowwords.h"

namespace {

QString timeText(const QDateTime &when)
{
    const QDateTime local = when.toLocalTime();
    return local.date() == QDate::currentDate()
        ? local.toString(QStringLiteral("HH:mm:ss"))
        : local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

HostReader::HostReader(BrokerClient *client, const HostTopics &topics, QObject *parent)
    : QObject(parent)
    , client(client)
    , topics(topics)
{
    connect(client, &BrokerClient::connected, this, &HostReader::subscribe);
    connect(client, &BrokerClient::subscribed, this, &HostReader::subscribed);
    connect(client, &BrokerClient::message, this,
            [this](const QString &topic, const QByteArray &payload) { heard(topic, payload); });
}

void HostReader::subscribe()
{
    completeNow = false;
    heardNow.clear();
    markerMid = -1;
    everythingMid = client->subscribe(topics.everyHost());
}

// MQTT marks no end to the retained messages. A broker answers a client's
// packets in order, and queues a subscription's retained messages before it
// reads the next packet: so once a second subscription, which brings none
// (it asks for none), is answered, the first one's are all in.
void HostReader::subscribed(int mid)
{
    if (mid == everythingMid && everythingMid >= 0) {
        markerMid = client->subscribe({ topics.everyState() }, false);
        return;
    }
    if (mid != markerMid || markerMid < 0)
        return;
    // What the broker no longer holds went away while we were not connected.
    for (auto host = known.begin(); host != known.end();) {
        for (auto body = host->bodies.begin(); body != host->bodies.end();) {
            if (heardNow.contains(topics.body(host.key(), body.key())))
                ++body;
            else {
                host->payloads.remove(body.key());
                body = host->bodies.erase(body);
            }
        }
        if (!heardNow.contains(topics.state(host.key())))
            host->state.reset();
        if (!host->state && host->bodies.isEmpty())
            host = known.erase(host);
        else
            ++host;
    }
    completeNow = true;
    emit complete();
}

void HostReader::heard(const QString &topic, const QByteArray &payload)
{
    const HostTopics::Topic parsed = topics.parse(topic);
    if (parsed.kind != HostTopics::Kind::State && parsed.kind != HostTopics::Kind::Body)
        return;
    heardNow.insert(topic);
    if (parsed.kind == HostTopics::Kind::State) {
        Host &host = known[parsed.host];
        const int before = host.state ? int(host.state->kind) : -1;
        if (payload.isEmpty()) {
            host.state.reset();
        } else {
            HostPayload::State state;
            QString error;
            if (!HostPayload::decode(payload, state, error)) {
                emit warning(QStringLiteral("ignored the message on %1: %2").arg(topic, error));
                return;
            }
            host.state = state;
        }
        const int now = host.state ? int(host.state->kind) : -1;
        // A new count of bodies is no news; a loss is dated from when we
        // learn of it.
        if (now == before)
            return;
        host.learnt = QDateTime::currentDateTimeUtc();
        if (completeNow)
            emit hostChanged(parsed.host);
        return;
    }
    Host &host = known[parsed.host];
    if (payload.isEmpty()) {
        const auto it = host.bodies.find(parsed.place);
        if (it == host.bodies.end())
            return;
        const BodyRow gone = it.value();
        host.bodies.erase(it);
        host.payloads.remove(parsed.place);
        if (completeNow)
            emit bodyGone(gone);
        return;
    }
    // A host publishes all again at each connection: the same is no news.
    if (host.payloads.value(parsed.place) == payload)
        return;
    BodyRow row;
    QString error;
    if (!HostPayload::decode(payload, row, error)) {
        emit warning(QStringLiteral("ignored the message on %1: %2").arg(topic, error));
        return;
    }
    // The topic says whose it is: the broker lets only that host write there.
    row.host = parsed.host;
    host.bodies.insert(parsed.place, row);
    host.payloads.insert(parsed.place, payload);
    if (completeNow) {
        if (const std::optional<Finding> finding = findingOf(host))
            row.findings << *finding;
        emit bodyChanged(row);
    }
}

QVector<BodyRow> HostReader::rows() const
{
    QVector<BodyRow> all;
    for (const Host &host : known) {
        const std::optional<Finding> finding = findingOf(host);
        for (BodyRow row : host.bodies) {
            if (finding)
                row.findings << *finding;
            all << row;
        }
    }
    return all;
}

std::optional<Finding> HostReader::findingOf(const Host &host)
{
    if (!host.state)
        return std::nullopt;
    switch (host.state->kind) {
    case HostPayload::State::Kind::Lost:
        return Finding { Finding::Kind::HostLost, timeText(host.learnt) };
    case HostPayload::State::Kind::Offline:
        return Finding { Finding::Kind::HostOffline,
                         timeText(host.state->since.isValid() ? host.state->since : host.learnt) };
    case HostPayload::State::Kind::Online:
        break;
    }
    return std::nullopt;
}

QString HostReader::stateOf(const Host &host)
{
    if (const std::optional<Finding> finding = findingOf(host))
        return RowWords::english({ *finding });
    return host.state ? QStringLiteral("online") : QStringLiteral("state unknown");
}
