#include "tools/log/card.h"

#include "base/numeric.h"
#include "base/paths.h"
#include "base/write_all.h"
#include "props/property_files.h"
#include "records/consumption_log.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <iterator>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace pwlog {

namespace {

const char* const CARD_FILES[] = {"consumption.txt", "events.txt", "properties.txt",
                                  "environment.txt"};

bool exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

bool isFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string withSlash(const std::string& dir) {
    return dir.empty() || dir.back() == '/' ? dir : dir + "/";
}

bool holdsCardFiles(const std::string& dir) {
    for (const char* name : CARD_FILES)
        if (exists(dir + name))
            return true;
    return false;
}

// What failed writing into a folder, said in the user's terms.
std::string cannotWrite(const std::string& path, int code) {
    // The temporary file is ours; a missing folder is the user's to mend.
    if (code == ENOENT && path.find('/') != std::string::npos)
        return "no folder " + folderOf(path) + " to write " + path + " in";
    std::string text = "cannot write " + path + ": " + std::strerror(code);
    if (code == EROFS)
        text += " (the card is read-only: slide its lock off or mount it for writing)";
    else if (code == ENOSPC || code == EDQUOT)
        text += " (make room on it)";
    else if (code == EACCES || code == EPERM)
        text += " (you may not write there)";
    return text;
}

bool writeParts(int fd, std::initializer_list<std::string_view> parts) {
    for (std::string_view part : parts)
        if (!writeAll(fd, part.data(), part.size()))
            return false;
    return true;
}

// Writes the parts to a temporary file beside path, flushes it to the medium and
// renames it over path: a reader finds the old file or the whole new one.
bool replaceWith(const std::string& path, std::initializer_list<std::string_view> parts,
                 std::string& error) {
    const std::string temp = path + ".tmp";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = cannotWrite(path, errno);
        return false;
    }
    const bool written = writeParts(fd, parts) && fsync(fd) == 0;
    const int code = errno;
    if (close(fd) != 0 || !written) {
        error = cannotWrite(path, written ? errno : code);
        unlink(temp.c_str());
        return false;
    }
    if (rename(temp.c_str(), path.c_str()) != 0) {
        error = cannotWrite(path, errno);
        unlink(temp.c_str());
        return false;
    }
    syncFolderOf(path);
    return true;
}

} // namespace

bool readFile(const std::string& path, std::string& text, std::string& error) {
    // read straight into a string of the file's size: a big import file is held once
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        error = path + ": " + std::strerror(errno);
        close(fd);
        return false;
    }
    text.clear();
    text.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[1 << 16];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) != 0) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = path + " cannot be read: " + std::strerror(errno);
            close(fd);
            return false;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return true;
}

bool loadCard(const std::string& dir, Card& card, std::string& error) {
    if (!isFolder(dir)) {
        error = dir + ": not a folder (give the card's Pumpwright folder)";
        return false;
    }
    // The card maker and the simulator take the card's root; a desktop mounts the card
    // with the data folder inside.
    const std::string candidates[] = {withSlash(dir), withSlash(dir) + "Pumpwright/",
                                      withSlash(dir) + (DATA_DIR + 1)};
    const auto found =
        std::find_if(std::begin(candidates), std::end(candidates),
                     [](const std::string& c) { return isFolder(c) && holdsCardFiles(c); });
    if (found == std::end(candidates)) {
        error = dir + ": no card here (no consumption.txt, properties.txt or environment.txt " +
                "in it, nor in its Pumpwright or " + (DATA_DIR + 1) +
                " folder): give the card's Pumpwright folder";
        return false;
    }
    card.dir = *found;
    const std::string log = card.dir + "consumption.txt";
    if (exists(log) && !readFile(log, card.consumption, error))
        return false;
    const std::string events = card.dir + "events.txt";
    if (exists(events) && !readFile(events, card.events, error))
        return false;
    PropertyMap props;
    const std::string settings = card.dir + "properties.txt";
    errno = 0;
    if (!loadPropertyFile(settings, props)) {
        // without it the odometer modes are guesses and every record would be wrong
        error = settings + " cannot be read (" +
                (errno != 0 ? std::strerror(errno) : "read error") +
                "): it says how each vehicle is logged; check the card and try again";
        return false;
    }
    auto value = [&](const std::string& key) {
        const auto it = props.find(key);
        return it == props.end() ? std::string("0") : it->second;
    };
    for (int v = 0; v < VEHICLE_COUNT; ++v) {
        // stored as "1.0": the integer reading stops at the point
        card.odometerMode[v] =
            leadingInt(value("P_DEFAULTODOMETERMODE." + std::to_string(v)).c_str());
        card.tankSize[v] = std::strtod(value(fuelFullKey(v)).c_str(), nullptr);
    }
    card.fuelDistanceMode = leadingInt(value("P_DEFAULTFUELDISTMODE").c_str());
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
    return replaceWith(path, {text}, error);
}

bool outputAllowed(const Card& card, const std::string& path, std::string& error) {
    if (path == "-")
        return true;
    struct stat out, folder, here;
    if (stat(folderOf(path).c_str(), &out) != 0 || stat(card.dir.c_str(), &folder) != 0 ||
        out.st_dev != folder.st_dev || out.st_ino != folder.st_ino) {
        // elsewhere; but a link to one of the card's files is the file itself
        if (stat(path.c_str(), &out) != 0)
            return true;
        for (const char* name : CARD_FILES)
            if (stat((card.dir + name).c_str(), &here) == 0 && here.st_dev == out.st_dev &&
                here.st_ino == out.st_ino) {
                error = path + " is the card's " + name + ": give another output file";
                return false;
            }
        return true;
    }
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    bool own = name.size() > 4 && (name.compare(name.size() - 4, 4, ".raw") == 0 ||
                                   name.compare(name.size() - 4, 4, ".ovo") == 0);
    for (const char* file : CARD_FILES)
        own = own || name == file;
    // the pictures and the font the card's look names
    PropertyMap look;
    loadPropertyFile(card.dir + "environment.txt", look);
    for (const auto& [key, value] : look)
        own = own ||
              (key.size() > 5 && key.compare(key.size() - 5, 5, ".name") == 0 && value == name);
    if (own) {
        error = path + " is one of the card's own files: give an output file of another name "
                       "or folder";
        return false;
    }
    return true;
}

bool appendToLog(const Card& card, const std::string& lines, std::string& error) {
    const std::string path = card.dir + "consumption.txt";
    const std::string& old = card.consumption;
    const AppendPoint at = appendPoint(old);
    if (at.emptyLine > 0 && at.keep == std::string::npos) {
        error = path + ":" + std::to_string(at.emptyLine) +
                ": empty line, and records after it that the device does not read: delete the "
                "empty line (or the records after it), then import again";
        return false;
    }
    if (exists(path) && !replaceWith(path + ".bak", {old}, error))
        return false;
    const std::string_view kept = std::string_view(old).substr(0, at.keep);
    return replaceWith(
        path,
        {kept.empty() ? std::string_view(CONSUMPTION_HEADER) : kept, at.newline ? "\n" : "", lines},
        error);
}

} // namespace pwlog
