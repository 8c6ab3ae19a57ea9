// Test helpers for the image suites: TGA files built byte by byte, a CORE
// data image of named files mounted for the loaders, and ImageMagick as the
// independent encoder and decoder of real TGA files.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tga {

struct Header {
    uint8_t idlength = 0;
    uint8_t maptype = 0;
    uint8_t imagetype = 2;
    uint16_t mapfirst = 0;
    uint16_t maplength = 0;
    uint8_t mapbits = 0;
    uint16_t width = 1;
    uint16_t height = 1;
    uint8_t depth = 24;
    uint8_t descriptor = 0;
};

// The 18 header bytes followed by body (image ID, colour map, pixel data).
std::string File(const Header& h, const std::string& body);

// Stored pixel values.
std::string Px24(int r, int g, int b);            // blue, green, red
std::string Px32(int r, int g, int b, int a);     // blue, green, red, alpha
std::string Px16(unsigned w);                     // little-endian 16-bit
std::string Bytes(std::initializer_list<int> bytes);

// Writes the files into a CORE image and mounts it in place of any earlier mount (the mount's own lines are
// swallowed). Unmount releases the mount.
void Mount(const std::vector<std::pair<std::string, std::string>>& files);
void Unmount();

// Empties the bitmap, sprite and font counts without deleting anything, so a
// case run after others in one process never reaches their dead records.
void ForgetImages();

// ImageMagick: the path of convert, or "" when it is not installed.
std::string ConvertTool();
// Runs convert with the given arguments; returns its exit status.
int Convert(const std::string& args, std::string* out = nullptr);

}  // namespace tga
