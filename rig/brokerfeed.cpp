#include "rig/brokerfeed.h"

#include "rig/bodytablemodel.h"
#include "rig/hosttablemodel.h"

#include <QElapsedTimer>
#include <QHash>

#include <algorithm>

namespace {

// Rows go into the table for this long at most before the window gets a turn.
constexpr int kSliceMs = 4;

BrokerClient::Settings readerSettings(BrokerClient::Settings settings)
{
    // Access rules may refuse a command; the rows still come.
    settings.refusalEnds = false;
    return settings;
}

bool online(const HostReader::Host &host)
{
    return host.state && host.state->kind == HostPayload::State::Kind::Online;
}

} // namespace

BrokerFeed::BrokerFeed(BrokerClient::Settings settings, const QString &topicPrefix,
                       BodyTableModel *table, HostTableModel *hosts, QObject *parent)
    : QObject(parent)
    , client(readerSettings(std::move(settings)))
    , topics(topicPrefix)
    , reader(&client, topics)
    , table(table)
    , hosts(hosts)
{
    applying.setInterval(0);
    connect(&applying, &QTimer::timeout, this, &BrokerFeed::apply);
    // The list of hosts follows the rows, once a burst of them is in.
    hostsLater.setSingleShot(true);
    hostsLater.setInterval(100);
    connect(&hostsLater, &QTimer::timeout, this, [this] {
        this->hosts->setHosts(reader.hosts());
        emit hostsChanged();
    });

    connect(&reader, &HostReader::complete, this, &BrokerFeed::queuePicture);
    connect(&reader, &HostReader::bodyChanged, this,
            [this](const BodyRow &row) { queue(false, row); });
    connect(&reader, &HostReader::bodyGone, this, [this](const BodyRow &row) { queue(true, row); });
    connect(&reader, &HostReader::hostChanged, this, &BrokerFeed::queueHost);
    connect(&client, &BrokerClient::retrying, this, [this](const QString &reason, int delayMs) {
        // A picture cut off is not the broker's whole.
        freshAfterQueue = false;
        this->table->setStale(true);
        emit retrying(reason, delayMs);
    });
    connect(&client, &BrokerClient::refused, this, [this](const QString &reason) {
        this->table->setStale(true);
        emit refused(reason);
    });
    connect(&client, &BrokerClient::publicationRefused, this,
            [this](const QString &topic, const QString &reason) {
                emit commandRefused(topics.parse(topic).host, reason);
            });
}

bool BrokerFeed::open(QString &error)
{
    return client.open(error);
}

void BrokerFeed::queue(bool gone, const BodyRow &row)
{
    changes.push_back({ gone, row });
    applying.start();
    hostsLater.start();
}

void BrokerFeed::queueHost(const QString &host)
{
    for (const BodyRow &row : reader.rows()) {
        if (row.host == host)
            queue(false, row);
    }
    hostsLater.start();
}

// At each connection, everything the broker holds; what it no longer holds
// went while we were away.
void BrokerFeed::queuePicture()
{
    changes.clear();
    const QVector<BodyRow> rows = reader.rows();
    QHash<QString, QVector<BodyRow>> heard; // by host, so that each row looks among a few
    for (const BodyRow &row : rows) {
        heard[row.host] << row;
        queue(false, row);
    }
    for (int i = 0; i < table->count(); ++i) {
        const BodyTableModel::State state = table->stateAt(i);
        const BodyRow &row = table->rowAt(i);
        const QVector<BodyRow> onHost = heard.value(row.host);
        if (state == BodyTableModel::State::Missing || state == BodyTableModel::State::Unplugged
            || std::any_of(onHost.begin(), onHost.end(),
                           [&](const BodyRow &now) { return BodyTableModel::sameBody(row, now); }))
            continue;
        queue(true, row);
    }
    freshAfterQueue = true;
    applying.start();
    hostsLater.start();
}

void BrokerFeed::apply()
{
    QElapsedTimer slice;
    slice.start();
    while (!changes.empty() && slice.elapsed() < kSliceMs) {
        const Change change = std::move(changes.front());
        changes.pop_front();
        if (change.gone) {
            table->unplugged(change.row);
        } else {
            table->read(change.row);
            emit bodyRead(change.row);
        }
    }
    if (!changes.empty())
        return;
    applying.stop();
    if (freshAfterQueue) {
        freshAfterQueue = false;
        table->setStale(false);
        hostsLater.stop();
        hosts->setHosts(reader.hosts());
        emit complete();
    }
}

QStringList BrokerFeed::onlineHosts() const
{
    QStringList names;
    const QMap<QString, HostReader::Host> &all = reader.hosts();
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        if (online(it.value()))
            names << it.key();
    }
    return names;
}

int BrokerFeed::onlineBodies() const
{
    int bodies = 0;
    for (const HostReader::Host &host : reader.hosts()) {
        if (online(host))
            bodies += int(std::count_if(host.bodies.cbegin(), host.bodies.cend(),
                                        [](const BodyRow &row) { return row.wasRead(); }));
    }
    return bodies;
}

QStringList BrokerFeed::send(HostPayload::Command command, QStringList &others)
{
    QStringList sent;
    const QMap<QString, HostReader::Host> &all = reader.hosts();
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        if (!online(it.value()))
            continue;
        if (!it.value().state->commands)
            others << it.key();
        else if (client.publish(topics.command(it.key()), HostPayload::encode(command), false))
            sent << it.key();
    }
    return sent;
}
