#include "props/properties.h"

#include "base/debug_log.h"
#include "base/numeric.h"
#include "base/paths.h"
#include "props/property_files.h"
#include "props/property_sets.h"

#include <cstdio>
#include <cstdlib>

namespace {

// The key's first letter is its set; anything else is logged and ignored.
PropertySet* selectSet(const std::string& key) {
    if (!key.empty() && key[0] == 'E')
        return &environmentSet;
    if (!key.empty() && key[0] == 'P')
        return &userSet;
    // snprintf cuts a key too long for the message instead of running past scratchText
    std::snprintf(scratchText, SCRATCH_SIZE, "Unknown proptype: %s", key.c_str());
    debugLog(scratchText);
    return nullptr;
}

std::string numberText(double value) {
    char text[400]; // "%0.1f" of the largest double has 310 digits
    std::snprintf(text, sizeof text, "%0.1f", value);
    return text;
}

} // namespace

PropertySet environmentSet{{}, false, "environment.txt", ENVIRONMENT_HEADER};
PropertySet userSet{{}, false, "properties.txt", USER_HEADER};

const char* getProperty(const std::string& key, const char* def) {
    PropertySet* set = selectSet(key);
    if (!set)
        return "";
    // The file is read only while its set is empty: at the first read of the run.
    if (set->entries.empty() && !loadPropertyFile(dataPath(set->fileName), set->entries)) {
        set->unreadable = true;
        std::snprintf(scratchText, SCRATCH_SIZE, "Error reading %s", set->fileName);
        debugLog(scratchText);
    }
    auto found = set->entries.find(key);
    if (found != set->entries.end() && !found->second.empty())
        return found->second.c_str();
    setProperty(key, def);
    return set->entries[key].c_str();
}

const char* getProperty(const std::string& key, float def) {
    return getProperty(key, numberText(def).c_str());
}

int getPropertyInt(const std::string& key, const char* def) {
    return leadingInt(getProperty(key, def));
}

int getPropertyInt(const std::string& key, float def) {
    return leadingInt(getProperty(key, def));
}

double getPropertyDouble(const std::string& key, const char* def) {
    return std::strtod(getProperty(key, def), nullptr);
}

void setProperty(const std::string& key, const std::string& value) {
    PropertySet* set = selectSet(key);
    if (!set)
        return;
    set->entries[key] = value;
    set->changed = true;
}

void setPropertyDouble(const std::string& key, double value) {
    setProperty(key, numberText(value));
}

bool saveProperties() {
    bool saved = true;
    for (PropertySet* set : {&environmentSet, &userSet}) {
        if (!set->changed)
            continue;
        // A file that cannot be replaced stays as it was and its set stays changed.
        if (set->unreadable) {
            std::snprintf(scratchText, SCRATCH_SIZE, "%s left as it was: it could not be read",
                          set->fileName);
        } else if (writePropertyFile(dataPath(set->fileName), set->header, set->entries)) {
            set->changed = false;
            continue;
        } else {
            std::snprintf(scratchText, SCRATCH_SIZE, "Error writing %s", set->fileName);
        }
        saved = false;
        debugLog(scratchText);
    }
    return saved;
}

bool propertySetChanged(PropertySetId set) {
    return set == PropertySetId::Environment ? environmentSet.changed : userSet.changed;
}
