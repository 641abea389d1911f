#pragma once
// Pictures written onto a card together or not at all. Each file is written in full
// under a temporary name beside its target (NAME.new) and flushed to the card; only when
// every one of them is written are they renamed over their targets, which needs no free
// room. A card that fills up (or refuses a file) part-way keeps all its old pictures, so
// it never ends up with some pictures replaced and others not, or of mixed depths.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class StagedFiles {
  public:
    StagedFiles() = default;
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;
    // Removes what was staged and not committed.
    ~StagedFiles();

    // Writes the bytes under the target's temporary name; false with the file and the
    // reason (the system's own words) when that fails.
    bool stage(const std::string& path, const uint8_t* data, std::size_t size, std::string& error);
    // Renames every staged file over its target; false with the file and the reason.
    bool commit(std::string& error);

  private:
    std::vector<std::string> targets_;
};
