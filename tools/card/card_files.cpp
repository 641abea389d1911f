#include "tools/card/card_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::string temporaryOf(const std::string& path) {
    return path + ".new";
}

std::string failure(const std::string& what, const std::string& path, int error) {
    return "cannot " + what + " " + path + ": " + std::strerror(error);
}

} // namespace

// A renamed file is no longer under its temporary name: only what was not committed goes.
StagedFiles::~StagedFiles() {
    for (const std::string& target : targets_)
        std::remove(temporaryOf(target).c_str());
}

bool StagedFiles::stage(const std::string& path, const uint8_t* data, std::size_t size,
                        std::string& error) {
    const std::string temporary = temporaryOf(path);
    // Made afresh: whatever had the name (a link to elsewhere, say) is not written through.
    std::remove(temporary.c_str());
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    std::FILE* out = fd == -1 ? nullptr : fdopen(fd, "wb");
    if (!out) {
        error = failure("write", temporary, errno);
        if (fd != -1)
            close(fd);
        return false;
    }
    if (std::find(targets_.begin(), targets_.end(), path) == targets_.end())
        targets_.push_back(path);
    // A short write leaves errno set by the write that failed (no room, file too large).
    errno = 0;
    const bool written =
        std::fwrite(data, 1, size, out) == size && std::fflush(out) == 0 && fsync(fileno(out)) == 0;
    const int writeError = errno;
    const bool closed = std::fclose(out) == 0;
    if (!written || !closed) {
        error = failure("write", temporary, written ? errno : writeError ? writeError : ENOSPC);
        return false;
    }
    return true;
}

bool StagedFiles::commit(std::string& error) {
    for (const std::string& target : targets_)
        if (std::rename(temporaryOf(target).c_str(), target.c_str()) != 0) {
            error = failure("rename " + temporaryOf(target) + " to", target, errno);
            return false;
        }
    return true;
}
