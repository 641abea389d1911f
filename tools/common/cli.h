#pragma once
// The desktop tools' command-line manners: --help (or -h) prints the usage on stdout and
// --version the version, each ending with status 0; a bad command line is one line on
// stderr naming what is wrong, with status 2.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// Status 0 after printing `help` or the version when an argument asks for one, else -1.
inline int answerHelpOrVersion(const char* tool, const char* help, int argc,
                               const char* const* argv) {
    for (int i = 0; i < argc; ++i)
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(help, stdout);
            return 0;
        }
    for (int i = 0; i < argc; ++i)
        if (!std::strcmp(argv[i], "--version")) {
            std::printf("%s %s\n", tool, PUMPWRIGHT_VERSION);
            return 0;
        }
    return -1;
}

inline int commandLineError(const char* tool, const std::string& what) {
    std::fprintf(stderr, "%s: %s (%s --help shows the usage)\n", tool, what.c_str(), tool);
    return 2;
}

// A size given as WxH: two whole numbers from 1 to maxSide, and nothing else. Each is
// read whole before it is weighed, so that 4294967297 is not taken for 1.
inline bool parseSize(const char* text, unsigned long maxSide, unsigned& w, unsigned& h) {
    char* end = nullptr;
    const unsigned long x = std::strtoul(text, &end, 10);
    if (end == text || *end != 'x')
        return false;
    const char* rest = end + 1;
    const unsigned long y = std::strtoul(rest, &end, 10);
    if (end == rest || *end != '\0' || x < 1 || y < 1 || x > maxSide || y > maxSide)
        return false;
    w = static_cast<unsigned>(x);
    h = static_cast<unsigned>(y);
    return true;
}
