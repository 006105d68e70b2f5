#include "broker/hostpayload.h"

#include "engine/bodyfield.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <iterator>
#include <utility>

namespace HostPayload {

namespace {

// In the order of State::Kind.
const char *const kStates[] = { "online", "offline", "lost" };
// In the order of Command.
const char *const kCommands[] = { "read-again", "set-clock" };

bool objectOf(const QByteArray &payload, QJsonObject &object, QString &error)
{
    if (payload.size() > mostBytes) {
        error = QStringLiteral("%1 bytes, more than the %2 a message may hold")
                    .arg(payload.size())
                    .arg(mostBytes);
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(payload, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = QStringLiteral("not JSON (%1)").arg(parseError.errorString());
        return false;
    }
    if (!document.isObject()) {
        error = QStringLiteral("not a JSON object");
        return false;
    }
    object = document.object();
    return true;
}

template <std::size_t count> int indexOf(const char *const (&words)[count], const QJsonValue &value)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (value.toString() == QLatin1String(words[i]))
            return int(i);
    }
    return -1;
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

QByteArray encode(const State &state)
{
    QJsonObject object { { QStringLiteral("state"), QLatin1String(kStates[int(state.kind)]) } };
    if (state.kind != State::Kind::Lost) {
        if (state.since.isValid())
            object.insert(QStringLiteral("since"), state.since.toUTC().toString(Qt::ISODate));
        object.insert(QStringLiteral("version"), state.version);
        object.insert(QStringLiteral("bodies"), state.bodies);
        if (state.commands)
            object.insert(QStringLiteral("commands"), true);
    }
    return compact(object);
}

bool decode(const QByteArray &payload, State &state, QString &error)
{
    QJsonObject object;
    if (!objectOf(payload, object, error))
        return false;
    const int kind = indexOf(kStates, object.value(QStringLiteral("state")));
    if (kind < 0) {
        error = QStringLiteral("'state' is none of online, offline and lost");
        return false;
    }
    State read;
    read.kind = State::Kind(kind);
    const QJsonValue since = object.value(QStringLiteral("since"));
    if (!since.isUndefined()) {
        read.since = QDateTime::fromString(since.toString(), Qt::ISODate);
        if (!read.since.isValid()) {
            error = QStringLiteral("'since' is not a time");
            return false;
        }
    }
    read.version = object.value(QStringLiteral("version")).toString();
    const QJsonValue bodies = object.value(QStringLiteral("bodies"));
    if (!bodies.isUndefined()) {
        const double count = bodies.toDouble(-1);
        if (count < 0 || count > 1e6 || count != int(count)) {
            error = QStringLiteral("'bodies' is not a count");
            return false;
        }
        read.bodies = int(count);
    }
    const QJsonValue commands = object.value(QStringLiteral("commands"));
    if (!commands.isUndefined() && !commands.isBool()) {
        error = QStringLiteral("'commands' is neither true nor false");
        return false;
    }
    read.commands = commands.toBool(false);
    state = std::move(read);
    return true;
}

QByteArray encode(const QJsonObject &body)
{
    return compact(body);
}

bool decode(const QByteArray &payload, BodyRow &row, QString &error)
{
    QJsonObject object;
    if (!objectOf(payload, object, error))
        return false;
    BodyRow read;
    if (!BodyField::fromJson(object, read, error))
        return false;
    if (read.port.isEmpty() && read.location.isEmpty()) {
        error = QStringLiteral("neither 'port' nor 'location'");
        return false;
    }
    row = std::move(read);
    return true;
}

QByteArray encode(Command command)
{
    return compact({ { QStringLiteral("command"), QLatin1String(kCommands[int(command)]) } });
}

bool decode(const QByteArray &payload, Command &command, QString &error)
{
    QJsonObject object;
    if (!objectOf(payload, object, error))
        return false;
    const int index = indexOf(kCommands, object.value(QStringLiteral("command")));
    if (index < 0) {
        error = QStringLiteral("'command' is neither read-again nor set-clock");
        return false;
    }
    command = Command(index);
    return true;
}

} // namespace HostPayload
