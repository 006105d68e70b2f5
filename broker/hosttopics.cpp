#include "broker/hosttopics.h"

#include <utility>

namespace {

const QLatin1String kState("state");
const QLatin1String kBody("body");
const QLatin1String kCommand("command");

} // namespace

HostTopics::HostTopics(QString prefix)
    : prefix(std::move(prefix))
{ }

QString HostTopics::state(const QString &host) const
{
    return prefix + QLatin1Char('/') + host + QLatin1Char('/') + kState;
}

QString HostTopics::body(const QString &host, const QString &place) const
{
    return prefix + QLatin1Char('/') + host + QLatin1Char('/') + kBody + QLatin1Char('/')
        + encodePlace(place);
}

QString HostTopics::bodies(const QString &host) const
{
    return prefix + QLatin1Char('/') + host + QLatin1Char('/') + kBody + QStringLiteral("/+");
}

QString HostTopics::command(const QString &host) const
{
    return prefix + QLatin1Char('/') + host + QLatin1Char('/') + kCommand;
}

QStringList HostTopics::everyHost() const
{
    return { everyState(), bodies(QStringLiteral("+")) };
}

QString HostTopics::everyState() const
{
    return state(QStringLiteral("+"));
}

HostTopics::Topic HostTopics::parse(const QString &topic) const
{
    Topic parsed;
    if (!topic.startsWith(prefix + QLatin1Char('/')))
        return parsed;
    const QStringList levels = topic.mid(prefix.size() + 1).split(QLatin1Char('/'));
    if (levels.isEmpty() || levels.first().isEmpty())
        return parsed;
    if (levels.size() == 2 && levels[1] == kState)
        parsed.kind = Kind::State;
    else if (levels.size() == 2 && levels[1] == kCommand)
        parsed.kind = Kind::Command;
    else if (levels.size() == 3 && levels[1] == kBody && !levels[2].isEmpty())
        parsed.kind = Kind::Body;
    else
        return parsed;
    parsed.host = levels.first();
    if (parsed.kind == Kind::Body)
        parsed.place = decodePlace(levels[2]);
    return parsed;
}

QString HostTopics::encodePlace(const QString &place)
{
    QString level;
    for (const QChar c : place) {
        if (c == QLatin1Char('/') || c == QLatin1Char('+') || c == QLatin1Char('#')
            || c == QLatin1Char('%'))
            level += QStringLiteral("%%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            level += c;
    }
    return level;
}

QString HostTopics::decodePlace(const QString &level)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(level.toUtf8()));
}

bool HostTopics::usable(const QString &name, bool manyLevels, QString &error)
{
    if (name.isEmpty()) {
        error = QStringLiteral("it is empty");
        return false;
    }
    for (const QChar c : name) {
        if (c == QLatin1Char('+') || c == QLatin1Char('#') || c.category() == QChar::Other_Control
            || (c == QLatin1Char('/') && !manyLevels)) {
            error = QStringLiteral("it holds '%1', which a topic level cannot").arg(c);
            return false;
        }
    }
    if (name.startsWith(QLatin1Char('/')) || name.endsWith(QLatin1Char('/'))
        || name.contains(QStringLiteral("//")) || name.startsWith(QLatin1Char('$'))) {
        error = QStringLiteral("it is not a topic's levels");
        return false;
    }
    return true;
}
