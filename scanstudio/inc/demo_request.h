#pragma once

// The arguments every ScanStudio demo step takes:
// [--flatbed] [--resolution <dpi>] [--out <folder>].

#include <QString>

#include <cstring>

struct DemoRequest {
    bool flatbed = false;
    int resolution = 150;
    QString out;
};

// False for an unknown argument, a missing value or a resolution that is no
// positive number.
inline bool parseDemoArguments(int argc, char **argv, DemoRequest &request)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--flatbed") == 0) {
            request.flatbed = true;
        } else if (std::strcmp(argv[i], "--resolution") == 0 && i + 1 < argc) {
            bool ok = false;
            request.resolution = QString::fromLocal8Bit(argv[++i]).toInt(&ok);
            if (!ok || request.resolution <= 0)
                return false;
        } else if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
            request.out = QString::fromLocal8Bit(argv[++i]);
        } else {
            return false;
        }
    }
    return true;
}
