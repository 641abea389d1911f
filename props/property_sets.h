#pragma once
// The two sets behind the property store, for the store itself and for programs that
// run the device code many times in one process and must start from an empty store.
#include "props/property_files.h"

struct PropertySet {
    PropertyMap entries;
    bool changed = false; // differs from its file: written at the next save
    const char* fileName;
    const char* const* header;
};

extern PropertySet environmentSet;
extern PropertySet userSet;
