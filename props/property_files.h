#pragma once
// The two property files: hand-editable text, read tolerantly, written canonically.
#include <map>
#include <string>

using PropertyMap = std::map<std::string, std::string>;

// Parses one line of a property file into key and value; false for comment lines.
bool parsePropertyLine(const std::string& line, std::string& key, std::string& value);
// Fills map from the file at path; a missing file leaves it untouched. False when the
// file is there but cannot be read whole (the map then holds what was read).
bool loadPropertyFile(const std::string& path, PropertyMap& map);
// Writes header and entries to path through a temporary file renamed over it, so a
// power cut leaves either the old or the new complete file. False when nothing was replaced.
bool writePropertyFile(const std::string& path, const char* const* header, const PropertyMap& map);

extern const char* const ENVIRONMENT_HEADER[];
extern const char* const USER_HEADER[];
