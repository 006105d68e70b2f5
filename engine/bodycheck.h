#pragma once

#include "engine/bodyrow.h"
#include "engine/roster.h"

#include <QString>
#include <QVector>

#include <optional>

// What a rig or a counter makes of the bodies read: each row's name and
// findings against the roster (where there is one) and the thresholds, the
// roster's bodies that are missing, and one line that sums up what is wrong.
class BodyCheck
{
public:
    std::optional<Roster> roster;
    std::optional<int> minBattery; // percent
    std::optional<qint64> minShots;

    // Fills in the row's name and findings; those about its host stay.
    void apply(BodyRow &row) const;
    // A row for each roster body that none of `rows` is.
    QVector<BodyRow> missing(const QVector<BodyRow> &rows) const;

    // "2 missing, 1 moved, 1 unknown": every kind of trouble the rows'
    // findings name, counted (a host that is down once); empty when there
    // is none.
    static QString summary(const QVector<BodyRow> &rows);

private:
    void check(BodyRow &row) const;
};
