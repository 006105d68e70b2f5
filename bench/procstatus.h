#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

// A memory field of /proc/self/status ("VmHWM", "RssAnon", ...) in KiB, or -1.
inline long procStatusKiB(const char *field)
{
    std::FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    const std::size_t length = std::strlen(field);
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, field, length) == 0 && line[length] == ':') {
            kib = std::strtol(line + length + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(status);
    return kib;
}
