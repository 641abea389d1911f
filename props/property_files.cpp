#include "props/property_files.h"

#include "base/write_all.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

const char* const ENVIRONMENT_HEADER[] = {
    "# This file contains the environmental properties for this project.",
    "# If you want to create a new frontend for this project you maybe",
    "#   need to modify and distribute this one with it.",
    "# Images are raw RGB565 and default but variable size is 400x256.",
    "# IF you broke something while editing, just delete this file.",
    "#",
    nullptr,
};

const char* const USER_HEADER[] = {
    "# This file contains the user-depending properties for this project.",
    "# Some of them may not be changeable from within the application.",
    "# IF you know what you are doing, feel free to edit them.",
    "# IF you broke something while editing, just delete this file.",
    "#",
    nullptr,
};

namespace {

bool isBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

// People edit these files with all kinds of editors: leading blanks and tabs go,
// trailing blanks, tabs and the carriage return of a CR LF line end go too.
std::string trim(const std::string& text) {
    std::size_t begin = 0;
    while (begin < text.size() && isBlankOrTab(text[begin]))
        ++begin;
    std::size_t end = text.size();
    while (end > begin && (isBlankOrTab(text[end - 1]) || text[end - 1] == '\r'))
        --end;
    return text.substr(begin, end - begin);
}

// A value may hold a line feed only through the two characters backslash and n. One pass
// from the left: a line feed put in never forms a new pair, and a value made of such
// pairs costs no more than its length.
void unescapeLineFeeds(std::string& value) {
    std::size_t out = 0;
    for (std::size_t in = 0; in < value.size(); ++in, ++out) {
        if (value[in] == '\\' && in + 1 < value.size() && value[in + 1] == 'n') {
            value[out] = '\n';
            ++in;
        } else {
            value[out] = value[in];
        }
    }
    value.resize(out);
}

// Written back as backslash and n, so that such a value reads back the same.
std::string escapeLineFeeds(const std::string& value) {
    std::string out;
    for (char c : value) {
        if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

} // namespace

bool parsePropertyLine(const std::string& line, std::string& key, std::string& value) {
    if (!line.empty() && (line[0] == '#' || line[0] == '!'))
        return false;
    const std::size_t sep = line.find_first_of("=:");
    if (sep == std::string::npos) {
        key = trim(line);
        value = key;
    } else {
        key = trim(line.substr(0, sep));
        value = trim(line.substr(sep + 1));
    }
    unescapeLineFeeds(value);
    return true;
}

bool loadPropertyFile(const std::string& path, PropertyMap& map) {
    std::ifstream in(path, std::ios::in | std::ios::binary);
    if (!in.is_open())
        return errno == ENOENT;
    std::string line, key, value;
    while (std::getline(in, line)) {
        if (parsePropertyLine(line, key, value))
            map[key] = value;
    }
    // getline stops at a read error too, with the bad bit set instead of the end
    return !in.bad();
}

bool writePropertyFile(const std::string& path, const char* const* header, const PropertyMap& map) {
    std::string text;
    for (const char* const* h = header; *h; ++h) {
        text += *h;
        text += '\n';
    }
    for (const auto& entry : map) {
        text += entry.first;
        text += ": ";
        text += escapeLineFeeds(entry.second);
        text += '\n';
    }

    // The device is switched off with the car, often in the middle of things: write
    // the new file beside the old one and rename it over only once it is on the card.
    const std::string temp = path + ".new";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, text.data(), text.size()) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    syncFolderOf(path);
    return true;
}
