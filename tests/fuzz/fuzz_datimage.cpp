// The data image: the input is the image file itself. It is mounted as an
// image file (type 0) and as a host file with an image appended (type 1);
// each time every entry of its directory is opened and read whole, by lines
// and as a buffer, and the mount is browsed from its root one level down.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/corefile/corefile.h"
#include "core/coremem.h"
#include "tests/fuzz/fuzzsupport.h"

namespace {

void read_every_entry(void) {
    for (unsigned int i = 0; i < corefile_image.numfiles; i++) {
        std::string name = corefile_image.names[i] ? corefile_image.names[i] : "";
        s_corefile f = {};
        if (!corefile_open(name.c_str(), &f, 0)) continue;
        unsigned char* whole = (unsigned char*)malloc(f.size ? f.size : 1);
        if (!whole) abort();
        corefile_read(whole, (int)f.size, 1, &f);
        free(whole);

        // Every line takes at least one byte of the entry, so the end comes
        // after at most size lines; a reader looping to the end never hangs.
        corefile_rewind(&f);
        char line[256];
        unsigned int lines = 0;
        while (!corefile_feof(&f)) {
            if (lines++ > f.size) abort();
            corefile_gets(line, sizeof line, &f);
        }
        corefile_close(&f);

        void* buffer = corefile_loadbuffer(name.c_str());
        if (buffer) wrap_free(buffer);
    }
}

void browse(void) {
    corefile_chdir("/");
    corefile_readdir(".*");
    std::vector<std::string> dirs;
    for (int i = 0; i < corefile_numfiles; i++)
        if (corefile_filelist[i].isdir && corefile_filelist[i].name) dirs.push_back(corefile_filelist[i].name);
    for (const std::string& d : dirs) {
        corefile_chdir(d.c_str());
        corefile_readdir(".*");
        corefile_chdir("..");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_writescratch(data, size);
    for (int type = 0; type <= 1; type++) {
        if (corefile_mountimage(fuzz_scratchpath(), type)) {
            read_every_entry();
            browse();
        }
        corefile_closeimage();
    }
    return 0;
}
