// The show's real data image (build/show/kastrel.dat) as the tests see it:
// its path, its files, and the exact start-up log the show prints on it.
#pragma once

#include <string>
#include <vector>

namespace rs {

// The data image the build packs beside the two programs.
std::string ImagePath();
std::string ShowDir();

// Links the real data image into the working directory as "kastrel.dat".
void LinkImage();

// The start-up log of the show on the real image, up to and including
// "- ready!", composed from the image's own files: the file layer's lines,
// the driver, video start-up, the sound system, the shaders with their ids,
// the 25 images with their sizes, both fonts with 96 letters each and the
// timing file's event and state lines. Mounts "kastrel.dat" of the working
// directory to learn the offsets, so call it where nothing else is mounted.
std::string ExpectedStartupLog();

// Lines of text that no clean start-up prints: compile and link reports,
// image and font errors, missing files.
extern const std::vector<std::string> kForbidden;

// Moments of the whole show at which the tests of the Linux and the Windows
// program take a screenshot, in show units counted from the first frame
// that reaches the screen (the music starts just before it). Each is the
// middle of a scene's state of 320 units, drawn with no transition, so that
// a few seconds of difference in start-up or clock rate cannot cross into
// another picture, and each shows a different scene.
struct ShotMoment {
    int row;    // scene row (event) shown
    int state;  // its state
    int unit;   // show units after the first frame
};
extern const std::vector<ShotMoment> kShotMoments;
double ShowSeconds(int units);
// Where ShowFull leaves its screenshots: one PNG per moment, ShotName's.
std::string ShotDir();
std::string ShotName(const ShotMoment& m);

// Number of times `needle` occurs in `text`.
int Count(const std::string& text, const std::string& needle);

}  // namespace rs
