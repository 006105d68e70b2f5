#pragma once

#include "broker/brokerclient.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>

class QCommandLineParser;

// How to reach a broker, as every program that does takes it on its command
// line: the same names, words and checks in each.
namespace BrokerOptions {

enum class Option { TopicPrefix, PasswordFile, CaFile, CertFile, KeyFile, Keepalive };
QCommandLineOption option(Option which);

// The password from the file or the environment, never the command line.
bool readPassword(const QString &file, QString &password, QString &error);

// The URL and the options above into `settings` and `topicPrefix` (which
// keeps its default where not given); false, with the reason, where they
// cannot be used.
bool read(const QCommandLineParser &parser, const QString &url, BrokerClient::Settings &settings,
          QString &topicPrefix, QString &error);

} // namespace BrokerOptions
