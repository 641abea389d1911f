#pragma once
// The one loop that writes a whole buffer to a file, and the flush of its folder: the
// settings, the calibration and the companion's logs are all saved through them.
#include <cstddef>
#include <string>

// Writes all size bytes at data to fd, through short and interrupted writes. A write
// that takes no bytes at all (a broken medium or driver) ends it with errno ENOSPC:
// retrying would wait for ever, and errno would otherwise hold a stale reason.
bool writeAll(int fd, const void* data, std::size_t size);
// The folder that holds path: the part up to and with its last slash, or "." for a
// bare name.
std::string folderOf(const std::string& path);
// Flushes the folder that holds path, so that a file just renamed there keeps its new
// name after a power cut.
void syncFolderOf(const std::string& path);
