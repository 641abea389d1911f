#pragma once
// The property store: two sets of text key/value pairs, chosen by the key's first letter
// (E environment, P user). Every value is text; readers convert it as they need.
#include <string>

// Returns the value of key; a missing or empty value is replaced by def, which is stored.
// The returned text stays valid until the same key is written again.
const char* getProperty(const std::string& key, const char* def);
// The same with a number default, stored as its "%0.1f" text.
const char* getProperty(const std::string& key, float def);
// Base-10 integer reading of the value (strtol rules: "37.0" reads 37, a word 0).
int getPropertyInt(const std::string& key, const char* def);
int getPropertyInt(const std::string& key, float def);
// Decimal reading of the value (strtod rules).
double getPropertyDouble(const std::string& key, const char* def);
void setProperty(const std::string& key, const std::string& value);
// Stores value formatted with "%0.1f".
void setPropertyDouble(const std::string& key, double value);
// Writes each changed set to its file in the data directory.
void saveProperties();

// Which set a key belongs to, for tests and tools.
enum class PropertySetId { Environment, User };
bool propertySetChanged(PropertySetId set);
