#include "engine/bodycheck.h"

#include "engine/rowwords.h"

#include <QSet>

#include <algorithm>

void BodyCheck::apply(BodyRow &row) const
{
    using Kind = Finding::Kind;
    row.findings.clear();
    if (!row.wasRead()) {
        row.findings << Finding { Kind::Failed };
        return;
    }
    if (roster) {
        const Roster::Entry *entry = roster->find(row.bodyId);
        if (!entry) {
            row.findings << Finding { Kind::Unknown };
        } else {
            row.name = entry->name;
            // Rows of this computer name no host.
            const bool otherHost
                = !entry->host.isEmpty() && !row.host.isEmpty() && entry->host != row.host;
            if (otherHost || (!entry->place.isEmpty() && entry->place != placeOf(row)))
                row.findings << Finding { Kind::Moved, entryPlace(*entry) };
        }
    }
    if (minBattery) {
        if (!row.batteryPercent)
            row.findings << Finding { Kind::BatteryUnknown };
        else if (*row.batteryPercent < *minBattery)
            row.findings << Finding { Kind::BatteryLow, row.battery };
    }
    if (minShots) {
        if (!row.shots)
            row.findings << Finding { Kind::ShotsUnknown };
        else if (*row.shots < *minShots)
            row.findings << Finding { Kind::CardNearlyFull, QString::number(*row.shots) };
    }
}

QVector<BodyRow> BodyCheck::missing(const QVector<BodyRow> &rows) const
{
    QVector<BodyRow> absent;
    if (!roster)
        return absent;
    for (const Roster::Entry &entry : roster->entries()) {
        const bool present = std::any_of(rows.begin(), rows.end(), [&](const BodyRow &row) {
            return row.wasRead() && row.bodyId == entry.bodyId;
        });
        if (present)
            continue;
        BodyRow row;
        row.host = entry.host;
        row.location = entry.location;
        row.bodyId = entry.bodyId;
        row.name = entry.name;
        row.findings << Finding { Finding::Kind::Missing };
        absent << row;
    }
    return absent;
}

QString BodyCheck::summary(const QVector<BodyRow> &rows)
{
    // A host that is down counts once, however many bodies it has.
    QSet<QString> hostsDown;
    QVector<QVector<Finding>> findings;
    for (const BodyRow &row : rows) {
        QVector<Finding> counted = row.findings;
        if (row.has(Finding::Kind::HostLost) || row.has(Finding::Kind::HostOffline)) {
            if (hostsDown.contains(row.host)) {
                counted.erase(std::remove_if(counted.begin(), counted.end(),
                                             [](const Finding &finding) {
                                                 return finding.kind == Finding::Kind::HostLost
                                                     || finding.kind == Finding::Kind::HostOffline;
                                             }),
                              counted.end());
            }
            hostsDown.insert(row.host);
        }
        findings << counted;
    }
    return RowWords::summary(findings);
}
