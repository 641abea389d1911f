#include "calibrate/calibration_file.h"

#include "base/paths.h"
#include "base/write_all.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

std::string reason(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

// Writes bytes to path + ".new", flushes it to the medium, then renames it over path.
bool replaceFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    const std::string temporary = path + ".new";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd == -1) {
        error = reason("cannot create", temporary);
        return false;
    }
    const bool written = writeAll(fd, bytes.data(), bytes.size()) && fsync(fd) == 0;
    if (!written)
        error = reason("cannot write", temporary);
    if (close(fd) != 0 && written) {
        error = reason("cannot write", temporary);
        unlink(temporary.c_str());
        return false;
    }
    if (!written) {
        unlink(temporary.c_str());
        return false;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        error = reason("cannot replace", path);
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

// The whole file, or false when there is none to read.
bool readWhole(const std::string& path, std::vector<uint8_t>& bytes) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd == -1)
        return false;
    uint8_t buffer[256];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    close(fd);
    return n == 0;
}

} // namespace

bool saveCalibration(const Calibration& cal, std::string& error) {
    const std::string path = rootedPath(CALIBRATION_FILE);
    std::vector<uint8_t> old;
    if (readWhole(path, old)) {
        if (access((path + ORIGINAL_SUFFIX).c_str(), F_OK) != 0 &&
            !replaceFile(path + ORIGINAL_SUFFIX, old, error))
            return false;
        if (!replaceFile(path + BACKUP_SUFFIX, old, error))
            return false;
    }
    std::vector<uint8_t> bytes;
    for (const int32_t value : {cal.x0, cal.x1, cal.y0, cal.y1}) {
        const auto u = static_cast<uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<uint8_t>(u >> shift));
    }
    if (!replaceFile(path, bytes, error))
        return false;
    syncFolderOf(path);
    return true;
}
