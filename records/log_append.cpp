#include "records/log_append.h"

#include "base/debug_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void logFailure(const char* what, const std::string& path, int error) {
    std::snprintf(scratchText, SCRATCH_SIZE, "Error %s %s: %s", what, path.c_str(),
                  std::strerror(error));
    debugLog(scratchText);
}

} // namespace

LogAppend openLogForAppend(const std::string& path) {
    LogAppend log;
    log.path = path;
    const int probe = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    log.created = probe < 0;
    if (probe >= 0) {
        char last = '\n';
        if (lseek(probe, -1, SEEK_END) >= 0 && read(probe, &last, 1) == 1 && last != '\n')
            log.cutShort = true;
        close(probe);
    }
    log.fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (log.fd < 0)
        logFailure("opening", path, errno);
    // (a log that did not open fails fstat too, and keeps a length of 0)
    struct stat st {};
    if (fstat(log.fd, &st) == 0)
        log.oldLength = st.st_size;
    return log;
}

bool finishLogAppend(LogAppend& log, const char* header, const std::string& record) {
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
    const ssize_t written = write(log.fd, text.data(), text.size());
    int error = 0;
    if (written < 0)
        error = errno;
    else if (static_cast<std::size_t>(written) != text.size())
        error = ENOSPC; // a short write: the card filled up on the way
    else if (fsync(log.fd) != 0)
        error = errno;
    if (error != 0) {
        if (log.created)
            unlink(log.path.c_str());
        else if (ftruncate(log.fd, log.oldLength) == 0)
            fsync(log.fd);
    }
    if (close(log.fd) != 0 && error == 0)
        error = errno;
    log.fd = -1;
    if (error != 0)
        logFailure("writing", log.path, error);
    return error == 0;
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
