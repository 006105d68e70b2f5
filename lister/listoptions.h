#pragma once

#include "broker/brokerclient.h"
#include "engine/enginedefaults.h"
#include "engine/rowprinter.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the command line asks for.
struct ListOptions {
    RowPrinter::Format format = RowPrinter::Format::Table;
    bool watch = false;
    int jobs = 0; // 0: one worker per body, up to EngineDefaults::jobs
    int timeoutMs = EngineDefaults::timeoutMs;
    QStringList fields = BodyField::defaultKeys();
    QString expect; // the roster's file
    std::optional<int> minBattery;
    std::optional<qint64> minShots;
    bool setClock = false;
    bool verbose = false;

    // Over a broker: this computer's bodies published (--publish), or every
    // host's read (--from).
    enum class Broker { None, Publish, From };
    Broker broker = Broker::None;
    BrokerClient::Settings brokerSettings;
    QString topicPrefix = QStringLiteral("sarvolin");
    QString hostName;
    bool acceptCommands = false;
    int connectTimeoutMs = 10 * 1000;

    // What the workers read beyond the ID, for the fields, the thresholds
    // and the clock; none by default, so that the ID alone costs what it did.
    QStringList extras() const;

    enum class Parsed { Run, Exit, BadUsage };
    // Parses the arguments (the program's name first). Help and version are
    // printed here (Exit); a usage error leaves its message in `error`.
    static Parsed parse(const QStringList &arguments, ListOptions &options, QString &error);
};
