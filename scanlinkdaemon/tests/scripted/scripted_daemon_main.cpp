// The daemon on a scripted scanner, for black-box tests and the benchmark:
// scanlinkdaemon-scripted <script file>

#include "scan_daemon.h"
#include "scripted_scanner.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <script file>\n", argv[0]);
        return 2;
    }
    ScriptedScanner scanner;
    std::string error;
    if (!scanner.loadFile(argv[1], error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    return runScanLinkDaemon(scanner, scanner);
}
