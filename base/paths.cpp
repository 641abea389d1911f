#include "base/paths.h"

namespace {
std::string root;
std::string data = DATA_DIR;
} // namespace

void setRootPrefix(const std::string& prefix) {
    root = prefix;
    // a trailing slash on the prefix would double the one every path starts with
    while (!root.empty() && root.back() == '/')
        root.pop_back();
    data = root + DATA_DIR;
}

std::string rootedPath(const char* path) {
    return root + path;
}

const char* dataDir() {
    return data.c_str();
}

std::string dataPath(const char* name) {
    return data + name;
}
