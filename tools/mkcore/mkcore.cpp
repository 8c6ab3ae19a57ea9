// mkcore: packs files into a CORE data image.
//
//   mkcore [--append HOST] OUTPUT ENTRY...
//
// Each ENTRY is "name=path" (the file at path stored as name) or a plain
// path (stored under that path). Names are stored lower-cased with "/"
// between directory components and no leading "/", since the file layer
// finds only lower-case names. With --append, OUTPUT is HOST's bytes, then
// the image (its positions counted from the start of OUTPUT), then the
// image's start as a 32-bit little-endian value in the last four bytes.
//
// The output depends only on the inputs and their order: two runs give the
// same bytes.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Entry {
    std::string name;
    std::string path;
    std::vector<uint8_t> data;
};

bool read_whole(const std::string& path, std::vector<uint8_t>* out) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    out->clear();
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out->insert(out->end(), buf, buf + n);
    bool ok = !ferror(f);
    fclose(f);
    return ok;
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; i++) out.push_back((uint8_t)(v >> (8 * i)));
}

// The hash the file layer compares first: the sum of the name's bytes taken
// as signed 8-bit values, in a wrapping 32-bit accumulator.
uint32_t name_hash(const std::string& name) {
    uint32_t sum = 0;
    for (unsigned char c : name) sum += (uint32_t)(int32_t)(int8_t)c;
    return sum;
}

std::string stored_name(std::string name) {
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') c = (char)(c + 32);
        if (c == '\\') c = '/';
    }
    size_t skip = name.find_first_not_of('/');
    return skip == std::string::npos ? std::string() : name.substr(skip);
}

int usage() {
    fprintf(stderr, "usage: mkcore [--append HOST] OUTPUT ENTRY...\n"
                    "  ENTRY is name=path, or a path stored under its own name\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string host;
    int i = 1;
    if (i < argc && strcmp(argv[i], "--append") == 0) {
        if (i + 1 >= argc) return usage();
        host = argv[i + 1];
        i += 2;
    }
    if (i >= argc) return usage();
    std::string output = argv[i++];

    std::vector<Entry> entries;
    for (; i < argc; i++) {
        std::string arg = argv[i];
        size_t eq = arg.find('=');
        Entry e;
        e.path = eq == std::string::npos ? arg : arg.substr(eq + 1);
        e.name = stored_name(eq == std::string::npos ? arg : arg.substr(0, eq));
        if (e.name.empty()) {
            fprintf(stderr, "mkcore: empty name for %s\n", e.path.c_str());
            return 1;
        }
        for (const Entry& other : entries) {
            if (other.name == e.name) {
                fprintf(stderr, "mkcore: %s is named twice\n", e.name.c_str());
                return 1;
            }
        }
        if (!read_whole(e.path, &e.data)) {
            fprintf(stderr, "mkcore: cannot read %s\n", e.path.c_str());
            return 1;
        }
        entries.push_back(std::move(e));
    }

    std::vector<uint8_t> out;
    if (!host.empty() && !read_whole(host, &out)) {
        fprintf(stderr, "mkcore: cannot read %s\n", host.c_str());
        return 1;
    }
    const uint64_t start = out.size();

    uint64_t directory = 12;
    for (const Entry& e : entries) directory += 12 + e.name.size();
    uint64_t end = start + directory;
    for (const Entry& e : entries) end += e.data.size();
    if (end > 0xFFFFFFFFull) {
        fprintf(stderr, "mkcore: image too large for 32-bit positions\n");
        return 1;
    }

    out.insert(out.end(), {'C', 'O', 'R', 'E'});
    put32(out, (uint32_t)entries.size());
    put32(out, (uint32_t)end);
    uint64_t offset = start + directory;
    for (const Entry& e : entries) {
        put32(out, (uint32_t)e.name.size());
        put32(out, name_hash(e.name));
        out.insert(out.end(), e.name.begin(), e.name.end());
        put32(out, (uint32_t)offset);
        offset += e.data.size();
    }
    for (const Entry& e : entries) out.insert(out.end(), e.data.begin(), e.data.end());
    if (!host.empty()) put32(out, (uint32_t)start);

    std::string tmp = output + ".tmp";
    FILE* f = fopen(tmp.c_str(), "wb");
    if (!f) {
        fprintf(stderr, "mkcore: cannot write %s\n", output.c_str());
        return 1;
    }
    bool ok = fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = (fclose(f) == 0) && ok;
    if (!ok || rename(tmp.c_str(), output.c_str()) != 0) {
        remove(tmp.c_str());
        fprintf(stderr, "mkcore: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
