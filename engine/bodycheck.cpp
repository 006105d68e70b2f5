#include "engine/bodycheck.h"

#include <QMap>
#include <QStringList>

#include <algorithm>

namespace {

const QString kSeparator = QStringLiteral("; ");

} // namespace

void BodyCheck::apply(BodyRow &row) const
{
    if (!row.wasRead()) {
        row.check = QLatin1String(failed);
        return;
    }
    QStringList checks;
    if (roster) {
        const Roster::Entry *entry = roster->find(row.bodyId);
        if (!entry) {
            checks << QLatin1String(unknown);
        } else {
            row.name = entry->name;
            if (!entry->place.isEmpty() && entry->place != placeOf(row))
                checks << QStringLiteral("moved (roster: %1)").arg(entry->place);
        }
    }
    if (minBattery) {
        if (!row.batteryPercent)
            checks << QStringLiteral("battery unknown");
        else if (*row.batteryPercent < *minBattery)
            checks << QStringLiteral("battery low (%1)").arg(row.battery);
    }
    if (minShots) {
        if (!row.shots)
            checks << QStringLiteral("shots unknown");
        else if (*row.shots < *minShots)
            checks << QStringLiteral("card nearly full (%1 shots)").arg(*row.shots);
    }
    row.check = checks.isEmpty() ? QLatin1String(ok) : checks.join(kSeparator);
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
        row.location = entry.location;
        row.bodyId = entry.bodyId;
        row.name = entry.name;
        row.check = QLatin1String(missingBody);
        absent << row;
    }
    return absent;
}

QString BodyCheck::summary(const QVector<BodyRow> &rows)
{
    // In the order a rig is put right: bodies first, then what they carry.
    const QStringList kinds = { QLatin1String(missingBody),
                                QStringLiteral("moved"),
                                QLatin1String(unknown),
                                QLatin1String(failed),
                                QStringLiteral("battery low"),
                                QStringLiteral("battery unknown"),
                                QStringLiteral("card nearly full"),
                                QStringLiteral("shots unknown") };
    QMap<int, int> counts;
    for (const BodyRow &row : rows) {
        for (const QString &check : row.check.split(kSeparator, Qt::SkipEmptyParts)) {
            const QString kind = check.section(QStringLiteral(" ("), 0, 0);
            const int index = kinds.indexOf(kind);
            if (index >= 0)
                ++counts[index];
        }
    }
    QStringList parts;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        parts << QStringLiteral("%1 %2").arg(it.value()).arg(kinds[it.key()]);
    return parts.join(QStringLiteral(", "));
}
