#include "tests/fuzz/fuzzsupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/corefile/corefile.h"

namespace {

std::string scratch;

void remove_scratch(void) {
    if (!scratch.empty()) unlink(scratch.c_str());
}

void put_u32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; i++) out += (char)((v >> (8 * i)) & 0xFF);
}

}  // namespace

const char* fuzz_scratchpath(void) {
    if (scratch.empty()) {
        std::string dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : ".";
        scratch = dir + "/kastrel-fuzz-" + std::to_string((long)getpid()) + ".dat";
        atexit(remove_scratch);
    }
    return scratch.c_str();
}

void fuzz_writescratch(const uint8_t* data, size_t size) {
    FILE* f = fopen(fuzz_scratchpath(), "wb");
    if (!f || (size && fwrite(data, 1, size, f) != size) || fclose(f) != 0) {
        fprintf(stderr, "cannot write the scratch file %s\n", fuzz_scratchpath());
        abort();
    }
}

void fuzz_mountone(const char* name, const uint8_t* data, size_t size) {
    // "CORE", one entry, the end of its data; the entry: name length, name
    // hash, name, offset of the data, which follows the directory.
    uint32_t namelen = (uint32_t)strlen(name);
    uint32_t offset = 12 + 12 + namelen;
    int32_t hash = 0;
    for (const char* p = name; *p; p++) hash += (signed char)*p;
    std::string image = "CORE";
    put_u32(image, 1);
    put_u32(image, offset + (uint32_t)size);
    put_u32(image, namelen);
    put_u32(image, (uint32_t)hash);
    image += name;
    put_u32(image, offset);
    image.append((const char*)data, size);
    fuzz_writescratch((const uint8_t*)image.data(), image.size());
    corefile_closeimage();
    if (corefile_mountimage(fuzz_scratchpath(), 0) != 1) {
        fprintf(stderr, "the one-file image did not mount\n");
        abort();
    }
}
