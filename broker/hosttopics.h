#pragma once

#include <QString>
#include <QStringList>

// Where each host's state, bodies and commands live on the broker:
// PREFIX/HOST/state, PREFIX/HOST/body/PLACE and PREFIX/HOST/command.
class HostTopics
{
public:
    enum class Kind { None, State, Body, Command };
    struct Topic {
        Kind kind = Kind::None;
        QString host;
        QString place;
    };

    explicit HostTopics(QString prefix);

    QString state(const QString &host) const;
    QString body(const QString &host, const QString &place) const;
    QString bodies(const QString &host) const; // a filter
    QString command(const QString &host) const;
    // Every host's state and bodies.
    QStringList everyHost() const;
    QString everyState() const;

    // What a topic under the prefix is, or Kind::None.
    Topic parse(const QString &topic) const;

    // A place is one topic level: '/', '+', '#' and '%' go percent-encoded.
    static QString encodePlace(const QString &place);
    static QString decodePlace(const QString &level);
    // A prefix or host name that can stand as topic levels; the reason where not.
    static bool usable(const QString &name, bool manyLevels, QString &error);

private:
    QString prefix;
};
