#pragma once
// The desktop's framebuffer for the simulator, the card maker and tests: the file that
// stands in for the device, and pictures of it.
#include <cstddef>
#include <string>

// Creates (or empties) the file at path as a framebuffer of bytes zero bytes.
bool makeFramebufferFile(const std::string& path, std::size_t bytes, std::string& error);

// Writes the visible screen, xres by yres as the panel shows it, to an RGB PNG file.
// False when the framebuffer is not open or the file cannot be written.
bool saveScreenshotPng(const char* path);
// Writes every mapped byte as it is (padding and panned-out parts included).
bool saveScreenshotRaw(const char* path);
