#pragma once

#include "engine/finding.h"
#include "worker/readfailure.h"

#include <QString>
#include <QVector>

#include <algorithm>
#include <optional>

// One attached body as the lister reports it.
struct BodyRow {
    QString port;
    QString location;
    QString model;
    QString bodyId;
    ReadFailure failure = ReadFailure::None;
    // How the camera library reaches it again from a worker without looking
    // at the other bodies; empty where it has no such way. Never printed.
    QString address = {};

    // From the roster, and what it and the thresholds make of the body:
    // nothing wrong where there are no findings.
    QString name = {};
    QVector<Finding> findings = {};

    // What else the body gave, where it was asked for; empty or unset where
    // it gave none. `battery` is as shown ("85%", "AC" or the body's word),
    // `batteryPercent` what a threshold compares (a word's percentage).
    QString battery = {};
    std::optional<int> batteryPercent = {};
    std::optional<qint64> shots = {};
    QString lens = {};
    QString firmware = {};
    QString owner = {};
    QString artist = {};
    QString copyright = {};
    std::optional<qint64> shutterCount = {};
    QString clock = {}; // ISO 8601, local, no zone
    std::optional<qint64> clockOffsetS = {}; // the body's clock less the computer's

    // The computer it is attached to, where rows come from several; empty
    // for this one's.
    QString host = {};

    bool wasRead() const { return failure == ReadFailure::None; }
    bool hostDown() const
    {
        return std::any_of(findings.begin(), findings.end(),
                           [](const Finding &finding) { return finding.aboutHost(); });
    }
    bool has(Finding::Kind kind) const
    {
        return std::any_of(findings.begin(), findings.end(),
                           [kind](const Finding &finding) { return finding.kind == kind; });
    }
};

// Where a body belongs: its location, or its port where it has none (a
// network body, a simulated one).
QString placeOf(const BodyRow &row);

// By host, then location, then port, with numbers in them compared as numbers
// ("1-1.2" before "1-1.10"): the same order on every run of a rig.
bool locationLess(const BodyRow &a, const BodyRow &b);
void sortByLocation(QVector<BodyRow> &rows);
