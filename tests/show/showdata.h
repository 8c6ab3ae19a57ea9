// The show's test data image: tiny shaders, small PNG images, two small TGA
// fonts, a few seconds of generated music and a short timing file, packed
// with mkcore into "kastrel.dat".
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace st {

// The sixteen shader files and the 25 image files, in loading order.
extern const char* const kShaderFiles[16];
extern const char* const kImageFiles[25];
// Index in kImageFiles of the images whose wrap is clamped.
bool IsClampImage(int index);

// Named files of an image, in the order they are packed.
struct Files {
    std::vector<std::pair<std::string, std::string>> entries;
    void Set(const std::string& name, const std::string& bytes);
    void Remove(const std::string& name);
    const std::string* Find(const std::string& name) const;
};

// A scene shader whose red channel is id / 255 and which reads every scene
// uniform (so that each stays active and can be read back).
std::string SceneShader(int id);
// A transition shader: mix(texture0, texture1, blend), reading every
// transition uniform.
std::string TransitionShader();

// PNG files: RGBA pixels (bytes R, G, B, A) of the given size.
std::string PngRgba(int w, int h, const std::vector<unsigned char>& rgba);
// A 2 by 2 palette PNG (red, green / blue, white) and a 2 by 1 16-bit grey
// PNG (0x0000, 0xFFFF).
std::string PngPalette();
std::string PngGrey16();

// A 16-bit stereo 44100 Hz WAV file of a quiet 440 Hz tone.
std::string Wav(double seconds);
// A 32-bit TGA font with a marker row: letter 0, the space and `letters`
// more letters three pixels wide, glyphs 4 pixels high.
std::string FontTga(int letters);

// A timing file with one event per start, each with the given transition id.
std::string Timing(const std::vector<int>& starts, int transition_id = 0);
// Starts 0, step, 2 * step, ... (count events).
std::vector<int> EvenStarts(int count, int step);

// Every file of the show: shaders (scene shaders with ids 1 to 12, the four
// transition files the transition shader; audio.glsl scene id 13), the 25
// images (2 by 2, a colour each), both fonts, `seconds` of music, and a
// timing file of 13 events 16 show units apart.
Files DefaultFiles(double seconds = 5.0);

// Writes the files to a folder beside path and packs them into path with
// mkcore; fails the test when mkcore fails.
void WriteImage(const Files& files, const std::string& path);

}  // namespace st
