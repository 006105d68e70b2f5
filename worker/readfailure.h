#pragma once

// Why a body's row has no ID, or an ID with something amiss: what a worker
// found, or what became of the worker. None: the body was read.
enum class ReadFailure {
    None,
    Gone, // unplugged before it could be read
    Refused, // the session
    NoId,
    TimedOut,
    SdkFailed,
    WorkerFailed,
    ClockNotSet,
    ClockOff, // still, after it was set
};
