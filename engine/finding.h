#pragma once

#include <QString>

// One thing a check found about a body, and what it is about. The kinds are
// in the order a rig is put right, which is the order a summary counts them
// in: bodies first, then what they carry.
struct Finding {
    enum class Kind {
        Missing, // a roster body that is not attached
        Moved, // detail: the roster's place for it
        Unknown, // not on the roster
        HostLost, // detail: since when, as shown
        HostOffline, // detail: since when, as shown
        Failed, // could not be read
        BatteryLow, // detail: the battery as shown
        BatteryUnknown,
        CardNearlyFull, // detail: the shots left
        ShotsUnknown,
        // Not findings but where a window's row stands, for its exports.
        Reading,
        Unplugged,
    };

    Kind kind;
    QString detail = {};

    // The body's host, not the body, is down.
    bool aboutHost() const { return kind == Kind::HostLost || kind == Kind::HostOffline; }

    bool operator==(const Finding &other) const
    {
        return kind == other.kind && detail == other.detail;
    }
};
