#include "fakevendor.h"

extern "C" EdsError EDSAPI EdsSetCapacity(EdsCameraRef inCameraRef, EdsCapacity inCapacity)
{
    ++fakeVendorState()->otherCalls;
    return fakeDigest({ 18, fakeBits(inCameraRef),
                        std::uint64_t(std::int64_t(inCapacity.numberOfFreeClusters)),
                        std::uint64_t(std::int64_t(inCapacity.bytesPerSector)),
                        std::uint64_t(std::int64_t(inCapacity.reset)) });
}
