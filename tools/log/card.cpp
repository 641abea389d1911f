#include "tools/log/card.h"

#include "props/property_files.h"
#include "records/consumption_log.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace pwlog {

bool readFile(const std::string& path, std::string& text, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream all;
    all << in.rdbuf();
    if (in.bad()) {
        error = path + ": read error";
        return false;
    }
    text = all.str();
    return true;
}

bool loadCard(const std::string& dir, Card& card, std::string& error) {
    struct stat st;
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = dir + ": not a folder (give the folder that holds consumption.txt)";
        return false;
    }
    card.dir = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    const std::string log = card.dir + "consumption.txt";
    if (access(log.c_str(), F_OK) == 0 && !readFile(log, card.consumption, error))
        return false;
    const std::string events = card.dir + "events.txt";
    if (access(events.c_str(), F_OK) == 0 && !readFile(events, card.events, error))
        return false;
    PropertyMap props;
    loadPropertyFile(card.dir + "properties.txt", props);
    auto value = [&](const std::string& key) {
        const auto it = props.find(key);
        return it == props.end() ? std::string("0") : it->second;
    };
    for (int v = 0; v < VEHICLE_COUNT; ++v) {
        // stored as "1.0": the integer reading stops at the point
        card.odometerMode[v] = static_cast<int>(
            std::strtol(value("P_DEFAULTODOMETERMODE." + std::to_string(v)).c_str(), nullptr, 10));
        card.tankSize[v] = std::strtod(value(fuelFullKey(v)).c_str(), nullptr);
    }
    card.fuelDistanceMode =
        static_cast<int>(std::strtol(value("P_DEFAULTFUELDISTMODE").c_str(), nullptr, 10));
    return true;
}

bool writeWhole(const std::string& path, const std::string& text, std::string& error) {
    if (path == "-") {
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
            std::fflush(stdout) != 0) {
            error = "stdout: write error";
            return false;
        }
        return true;
    }
    const std::string temp = path + ".tmp";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        // The temporary file is ours; a missing folder is the user's to mend.
        const std::size_t slash = path.rfind('/');
        error = errno == ENOENT && slash != std::string::npos
                    ? "no folder " + path.substr(0, slash + 1) + " to write " + path + " in"
                    : temp + ": " + std::strerror(errno);
        return false;
    }
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            error = temp + ": " + std::strerror(n < 0 ? errno : ENOSPC);
            close(fd);
            unlink(temp.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (fsync(fd) != 0 || close(fd) != 0 || rename(temp.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(errno);
        unlink(temp.c_str());
        return false;
    }
    return true;
}

bool appendToLog(const Card& card, const std::string& lines, std::string& error) {
    const std::string path = card.dir + "consumption.txt";
    const std::string backup = path + ".bak";
    std::string old;
    const bool exists = access(path.c_str(), F_OK) == 0;
    if (exists && !readFile(path, old, error))
        return false;
    if (exists && access(backup.c_str(), F_OK) != 0 && !writeWhole(backup, old, error))
        return false;
    std::string text;
    if (!exists || old.empty())
        text = CONSUMPTION_HEADER;
    else if (old.back() != '\n')
        text = "\n"; // a line cut short by a power cut stays a line of its own
    text += lines;
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    const ssize_t written = write(fd, text.data(), text.size());
    const int writeErrno = errno;
    if (written != static_cast<ssize_t>(text.size()) || fsync(fd) != 0) {
        error =
            path + ": " + std::strerror(written < 0 ? writeErrno : ENOSPC) + ": nothing appended";
        if (ftruncate(fd, static_cast<off_t>(old.size())) != 0)
            error += " (and the file could not be cut back: restore it from " + backup + ")";
        close(fd);
        return false;
    }
    if (close(fd) != 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace pwlog
