#pragma once

#include "engine/bodyrow.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

// What goes in the messages on a host's topics, both ways. A payload read
// from a broker is anyone's: whatever it holds, it is read or refused with
// a reason, never trusted.
namespace HostPayload {

// Larger payloads are refused unread.
constexpr int mostBytes = 64 * 1024;

struct State {
    enum class Kind { Online, Offline, Lost };
    Kind kind = Kind::Lost;
    QDateTime since = {}; // UTC; none for Lost, whose message is fixed in advance
    QString version = {};
    int bodies = 0;
    // The host does what commands bring; a reader asks only such hosts.
    bool commands = false;
};

QByteArray encode(const State &state);
bool decode(const QByteArray &payload, State &state, QString &error);

// A body's message is its JSON object as the lister prints it.
QByteArray encode(const QJsonObject &body);
bool decode(const QByteArray &payload, BodyRow &row, QString &error);

enum class Command { ReadAgain, SetClock };
QByteArray encode(Command command);
bool decode(const QByteArray &payload, Command &command, QString &error);

} // namespace HostPayload
