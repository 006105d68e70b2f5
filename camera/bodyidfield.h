#pragma once

#include "camera/edsdk.h"

// The buffer the body ID is read into: a text field of the SDK's size, with
// room for the closing zero byte.
constexpr EdsUInt32 kBodyIdFieldSize = 256;
