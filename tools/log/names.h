#pragma once
// The names a user gives a choice on the command line (a file format, the card's units),
// held once in a table beside the choice: the option's check, the reading of the name and
// the messages that name the choice all read that table.
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pwlog {

template <typename T, std::size_t N>
using NameTable = std::pair<const char*, T>[N];

template <typename T, std::size_t N>
std::vector<std::string> namesOf(const NameTable<T, N>& table) {
    std::vector<std::string> names;
    for (const auto& entry : table)
        names.emplace_back(entry.first);
    return names;
}

template <typename T, std::size_t N>
std::optional<T> valueNamed(const NameTable<T, N>& table, const std::string& name) {
    for (const auto& [text, value] : table)
        if (name == text)
            return value;
    return std::nullopt;
}

template <typename T, std::size_t N>
const char* nameOf(const NameTable<T, N>& table, T value) {
    for (const auto& [text, v] : table)
        if (v == value)
            return text;
    return "";
}

} // namespace pwlog
