#pragma once

#include <QString>
#include <QVector>

// One attached body as the lister reports it. `error` is empty when the ID
// was read.
struct BodyRow {
    QString port;
    QString location;
    QString model;
    QString bodyId;
    QString error;
    // How the camera library reaches it again from a worker without looking
    // at the other bodies; empty where it has no such way. Never printed.
    QString address = {};
};

// By location, then port, with numbers in them compared as numbers
// ("1-1.2" before "1-1.10"): the same order on every run of a rig.
void sortByLocation(QVector<BodyRow> &rows);
