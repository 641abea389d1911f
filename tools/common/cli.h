#pragma once
// The desktop tools' command-line manners: --help (or -h) prints the usage on stdout and
// --version the version, each ending with status 0; a bad command line is one line on
// stderr naming what is wrong, with status 2.
#include <cstdio>
#include <cstring>
#include <string>

// Status 0 after printing `help` or the version when an argument asks for one, else -1.
inline int answerHelpOrVersion(const char* program, const char* help, int argc,
                               const char* const* argv) {
    for (int i = 0; i < argc; ++i)
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(help, stdout);
            return 0;
        }
    for (int i = 0; i < argc; ++i)
        if (!std::strcmp(argv[i], "--version")) {
            std::printf("%s %s\n", program, PUMPWRIGHT_VERSION);
            return 0;
        }
    return -1;
}

inline int commandLineError(const char* program, const std::string& what) {
    std::fprintf(stderr, "%s: %s (%s --help shows the usage)\n", program, what.c_str(), program);
    return 2;
}
