#include "engine/bodycheck.h"

#include "engine/rowwords.h"

#include <QSet>

#include <algorithm>
#include <iterator>

void BodyCheck::apply(BodyRow &row) const
{
    // What the body's host is found to be is no finding of ours: it stays, last.
    QVector<Finding> host;
    std::copy_if(row.findings.begin(), row.findings.end(), std::back_inserter(host),
                 [](const Finding &finding) { return finding.aboutHost(); });
    row.findings.clear();
    check(row);
    row.findings += host;
}

void BodyCheck::check(BodyRow &row) const
{
    using Kind = Finding::Kind;
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
        if (row.hostDown()) {
            if (hostsDown.contains(row.host)) {
                counted.erase(
                    std::remove_if(counted.begin(), counted.end(),
                                   [](const Finding &finding) { return finding.aboutHost(); }),
                    counted.end());
            }
            hostsDown.insert(row.host);
        }
        findings << counted;
    }
    return RowWords::summary(findings);
}
