#pragma once

#include <gphoto2/gphoto2-abilities-list.h>

#include <string>

// What one camera needs of libgphoto2's drivers: the camera driver's record
// for its model, and the file of the port driver that serves its port. It is
// written as one line of text in the process that found the camera and read
// back in another, which then loads these two drivers and no others.
struct Gphoto2Drivers {
    CameraAbilities abilities = {};
    std::string portDriver;

    // Empty when the record cannot be written on one line.
    std::string text() const;
    // False, leaving `drivers` as it was, for anything text() did not write.
    static bool fromText(const std::string &text, Gphoto2Drivers &drivers);
};
