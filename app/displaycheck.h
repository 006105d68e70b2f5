#pragma once

#include <QString>

// Empty when the windowing system the toolkit will pick can be reached,
// otherwise a message for the user. Must run before the application object
// exists.
QString displayProblemBeforeStart();
