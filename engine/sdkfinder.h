#pragma once

#include "engine/finder.h"

// Finds the attached bodies through the camera SDK in this process: their
// ports, models and addresses. Opens no session and touches no setting. The
// SDK stays up from start() to stop() (or the end of the object), so repeated
// looks reuse what it loaded.
class SdkFinder : public Finder
{
    Q_OBJECT

public:
    using Finder::Finder;
    ~SdkFinder() override;

    EdsError start() override;
    // Answers at once.
    void look() override;
    void stop() override;

    // One look, with each body's address where the SDK gives one; a body that
    // cannot be described (one being unplugged) is left out.
    EdsError find(QVector<BodyRow> &found);

private:
    bool started = false;
};
