#pragma once

// What the engine does where a program does not say otherwise, and how far
// a user may take it: for the lister's options, the window and the engine.
namespace EngineDefaults {

// Bodies read at once: one worker per body, up to this many.
constexpr int jobs = 128;
// The most a user may ask for at once.
constexpr int mostJobs = 1024;
// How long one body may take.
constexpr int timeoutMs = 30 * 1000;
constexpr int mostTimeoutS = 24 * 60 * 60;
// How often a watch looks at what is attached.
constexpr int lookIntervalMs = 500;

} // namespace EngineDefaults
