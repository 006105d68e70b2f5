#pragma once

#include <QString>

// Where a broker is and who we are to it: mqtt://[user@]host[:port] or
// mqtts://… for TLS. A password never comes in the URL, as a process list
// shows every argument.
struct BrokerUrl {
    bool tls = false;
    QString user;
    QString host;
    int port = 0;

    // Fails with the reason in `error`.
    static bool parse(const QString &text, BrokerUrl &url, QString &error);
    // As it names the broker in messages: without a password, with its port.
    QString shown() const;
};
