#pragma once
// The one loop that writes a whole buffer to a file: the settings, the calibration and
// the companion's logs are all saved through it.
#include <cstddef>

// Writes all size bytes at data to fd, through short and interrupted writes. A write
// that takes no bytes at all (a broken medium or driver) ends it with errno ENOSPC:
// retrying would wait for ever, and errno would otherwise hold a stale reason.
bool writeAll(int fd, const void* data, std::size_t size);
