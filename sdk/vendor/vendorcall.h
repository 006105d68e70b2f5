#pragma once

#include "camera/edsdk.h"

#include <cstdint>
#include <cstring>

// Calls one of the maker's functions and tells how many bytes of stack it
// left behind (negative: took too many). On 32-bit Windows the maker's
// functions remove their own arguments (__stdcall); one built with the
// caller-cleans convention leaves them behind. Since the two place their
// arguments alike, such a library would otherwise seem to work until the
// stack gave way. Elsewhere there is one convention and nothing to measure.
#if defined(_WIN32) && defined(__i386__)

// Pushes `count` words from `words` (the last first), calls `function`, puts
// what is left on the stack into `leftBehind` and restores the stack.
extern "C" EdsError
sarvolinCallMeasured(const void *function, const std::uint32_t *words, std::uint32_t count,
                     std::int32_t *leftBehind) __asm__("sarvolin_call_measured");

template <typename Function, typename... Args>
EdsError callVendor(Function function, std::int32_t &leftBehind, Args... args)
{
    static_assert(((sizeof(Args) % 4 == 0) && ...), "every argument is whole 32-bit words");
    constexpr std::uint32_t count = (sizeof(Args) + ... + 0) / 4;
    std::uint32_t words[count + 1] = {};
    unsigned char *at = reinterpret_cast<unsigned char *>(words);
    ((std::memcpy(at, &args, sizeof args), at += sizeof args), ...);
    (void)at;
    return sarvolinCallMeasured(reinterpret_cast<const void *>(function), words, count,
                                &leftBehind);
}

#else

template <typename Function, typename... Args>
EdsError callVendor(Function function, std::int32_t &leftBehind, Args... args)
{
    leftBehind = 0;
    return function(args...);
}

#endif
