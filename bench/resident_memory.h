// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <optional>
#include <string>

// A process's resident memory in MiB, as /proc reads it; none once the process is gone.
inline std::optional<double> residentMiB(pid_t pid)
{
    std::optional<double> mib;
    if (FILE *file = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r")) {
        char line[128];
        long kib = 0;
        while (!mib && std::fgets(line, sizeof line, file))
            if (std::sscanf(line, "VmRSS: %ld kB", &kib) == 1)
                mib = double(kib) / 1024;
        std::fclose(file);
    }
    return mib;
}
