#include "records/log_append.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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
    struct stat st {};
    if (log.fd >= 0 && fstat(log.fd, &st) == 0)
        log.oldLength = st.st_size;
    return log;
}

bool finishLogAppend(LogAppend& log, const std::string& path, const char* header,
                     const std::string& record) {
    if (log.fd < 0)
        return false;
    std::string text;
    if (log.created)
        text = header;
    else if (log.cutShort)
        text = "\n";
    text += record;
    // No second write for a short one: a full card refuses the rest as well. What part
    // of it arrived goes again, or it would be read back as a record of its own ("1\t412."
    // from a card with six bytes left).
    const bool written =
        write(log.fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
        fsync(log.fd) == 0;
    if (!written) {
        if (log.created)
            unlink(path.c_str());
        else if (ftruncate(log.fd, log.oldLength) == 0)
            fsync(log.fd);
    }
    close(log.fd);
    log.fd = -1;
    return written;
}

std::string vehicleField(const char* text, int vehicle) {
    if (std::strpbrk(text, "\t\n\r"))
        return std::to_string(vehicle);
    return text;
}

void appendNumber(std::string& text, double value) {
    char number[320]; // "%0.2f" of the largest double: 309 digits, point, two decimals, sign
    std::snprintf(number, sizeof number, "%0.2f", value);
    text += number;
}
