#include "records/log_append.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

LogAppend openLogForAppend(const std::string& path) {
    LogAppend log;
    const int probe = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    log.created = probe < 0;
    if (probe >= 0) {
        char last = '\n';
        if (lseek(probe, -1, SEEK_END) >= 0 && read(probe, &last, 1) == 1 && last != '\n')
            log.cutShort = true;
        close(probe);
    }
    log.fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    return log;
}

void finishLogAppend(LogAppend& log, const char* header, const std::string& record) {
    if (log.fd < 0)
        return;
    std::string text;
    if (log.created)
        text = header;
    else if (log.cutShort)
        text = "\n";
    text += record;
    // No second write for a short one: a full card refuses the rest as well, and the
    // next append starts on a line of its own anyway.
    if (write(log.fd, text.data(), text.size()) > 0)
        fsync(log.fd);
    close(log.fd);
    log.fd = -1;
}

void appendNumber(std::string& text, double value) {
    char number[320]; // "%0.2f" of the largest double: 309 digits, point, two decimals, sign
    std::snprintf(number, sizeof number, "%0.2f", value);
    text += number;
}
