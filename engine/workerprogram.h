#pragma once

#include <QString>

// The worker program `name`: next to the running program in a build or an
// unpacked zip, and at `installed` (relative to it) among the installed
// helper programs otherwise; empty where it is in neither place.
QString workerProgram(const char *name, const char *installed);
