#pragma once

// A stand-in for the camera maker's library. Each operation answers with a
// digest of exactly what it received and fills its outputs with values
// derived from its inputs, so a caller on the far side of the loader can tell
// that every argument and every result crossed unchanged.

#include "camera/edsdk.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>

struct FakeVendorState {
    int initializeCalls;
    int terminateCalls;
    int otherCalls;
    EdsError initializeResult; // what the next EdsInitializeSDK answers
    EdsError terminateResult;
};

// Exported by name beside the SDK operations, for the tests.
extern "C" FakeVendorState *fakeVendorState();

// Never 0, so a digest is never mistaken for success.
inline EdsError fakeDigest(std::initializer_list<std::uint64_t> values)
{
    std::uint32_t hash = 2166136261u;
    for (std::uint64_t value : values) {
        for (int i = 0; i < 8; ++i) {
            hash ^= std::uint8_t(value >> (8 * i));
            hash *= 16777619u;
        }
    }
    return hash | 0x100u;
}

inline std::uint64_t fakeBytesDigest(const void *data, std::size_t size)
{
    std::uint64_t sum = 0;
    const auto *bytes = static_cast<const unsigned char *>(data);
    for (std::size_t i = 0; i < size; ++i)
        sum = sum * 131 + bytes[i];
    return sum;
}

template <typename T> std::uint64_t fakeBits(T *pointer)
{
    return reinterpret_cast<std::uintptr_t>(pointer);
}

// What the fake passes to the handlers it is given, besides event and context.
constexpr EdsPropertyID kFakeHandlerPropertyId = 0x15;
constexpr EdsUInt32 kFakeHandlerParameter = 7;
constexpr EdsUInt32 kFakeHandlerStateData = 0x301;
