// What the show prints while it starts, composed from the files of its data
// image: the lines of the file layer, the driver, video start-up, the sound
// system and the show's own loaders, in start-up order.
#pragma once

#include <string>

#include "tests/show/showdata.h"

namespace st {

// The start-up log of the show, up to and including "- ready!", run in the
// working directory where `files` have been packed into "kastrel.dat"; with
// files null, a run without any data image. Mounts the image in this
// process (to learn its directory), so call it where nothing else is mounted.
std::string StartupLog(const Files* files);

}  // namespace st
