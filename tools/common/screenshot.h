#pragma once
// Pictures of the framebuffer for tests and the desktop simulator.

// Writes the visible screen, xres by yres as the panel shows it, to an RGB PNG file.
// False when the framebuffer is not open or the file cannot be written.
bool saveScreenshotPng(const char* path);
// Writes every mapped byte as it is (padding and panned-out parts included).
bool saveScreenshotRaw(const char* path);
