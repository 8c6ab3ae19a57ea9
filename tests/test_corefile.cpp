// The file layer: mounting CORE images (plain, appended, directory trees),
// lookups, reads, line reads, positions, whole-file buffers, and damaged
// images. Images come from the mkcore tool and from byte fixtures built here.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/corefile/corefile.h"
#include "core/coremem.h"
#include "tests/support/testsupport.h"

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

int NameHash(const std::string& s) {
    int sum = 0;
    for (unsigned char c : s) sum += (signed char)c;
    return sum;
}

// A CORE image built byte by byte, independent of mkcore. base is the
// position of the magic in the file that will hold it.
std::string HandImage(const Files& files, uint32_t base = 0) {
    std::string dir;
    uint32_t dirsize = 12;
    for (auto& f : files) dirsize += 12 + (uint32_t)f.first.size();
    uint32_t offset = base + dirsize;
    for (auto& f : files) {
        kt::PutU32(dir, (uint32_t)f.first.size());
        kt::PutU32(dir, (uint32_t)NameHash(f.first));
        dir += f.first;
        kt::PutU32(dir, offset);
        offset += (uint32_t)f.second.size();
    }
    std::string out = "CORE";
    kt::PutU32(out, (uint32_t)files.size());
    kt::PutU32(out, offset);
    out += dir;
    for (auto& f : files) out += f.second;
    return out;
}

class CoreFile : public kt::ScratchTest {
protected:
    void TearDown() override {
        corefile_closeimage();
        kt::ScratchTest::TearDown();
    }

    int Mount(const std::string& name, int type, std::string* text = nullptr) {
        int result = -1;
        std::string printed = kt::Captured([&] { result = corefile_mountimage(name.c_str(), type); });
        if (text) *text = printed;
        return result;
    }

    // Opens and reads a whole file; "" with found=false when it is missing.
    std::string Slurp(const std::string& name, bool* found = nullptr) {
        s_corefile h = {};
        int ok = 0;
        kt::Captured([&] { ok = corefile_open(name.c_str(), &h, 0); });
        if (found) *found = ok == 1;
        if (!ok) return "";
        std::string data(h.size, '\0');
        corefile_read(&data[0], (int)h.size, 1, &h);
        corefile_close(&h);
        return data;
    }

    const Files files_ = {
        {"music.wav", "RIFF....WAVEdata"},
        {"timing.dat", "event 0 0 0\nstate 0 1\n"},
        {"sub/c.png", "PNGDATA"},
    };
};

}  // namespace

TEST(NameHash, SumsSignedBytes) {
    const std::pair<const char*, int> cases[] = {
        {"", 0}, {"abc", 294}, {"ABC", 198}, {"\x80", -128}, {"\xff\x01", 0}, {"a/b", 97 + 47 + 98},
    };
    for (auto& c : cases) EXPECT_EQ(corefile_gethash(c.first), c.second) << c.first;
}

TEST(NameHash, DowncaseChangesOnlyAtoZ) {
    char out[8] = {};
    file_downcase(out, "MiX@[\xC4Z", 7);
    EXPECT_EQ(std::string(out, 7), std::string("mix@[\xC4z", 7));
    const unsigned char le[4] = {0x00, 0x10, 0x00, 0x80};
    EXPECT_EQ(getint(le), 0x80001000u);
}

TEST_F(CoreFile, MkcoreWritesTheFormatByteForByte) {
    kt::PackImage("a.dat", files_);
    EXPECT_EQ(kt::ReadFile("a.dat"), HandImage(files_));
    kt::PackImage("b.dat", files_);
    EXPECT_EQ(kt::ReadFile("a.dat"), kt::ReadFile("b.dat"));
}

TEST_F(CoreFile, MkcoreStoresNamesLowerCase) {
    kt::PackImage("a.dat", {{"Data/Music.WAV", "x"}});
    EXPECT_EQ(kt::ReadFile("a.dat"), HandImage({{"data/music.wav", "x"}}));
}

TEST_F(CoreFile, MountPrintsProgressAndOpensByMixedCaseName) {
    kt::PackImage("kastrel.dat", files_);
    std::string text;
    ASSERT_EQ(Mount("kastrel.dat", 0, &text), 1);
    uint32_t romsize = (uint32_t)HandImage(files_).size();
    EXPECT_EQ(text, "Loading resource image: kastrel.dat\nloading from file\nnumfiles: 3\nromsize: " +
                        std::to_string(romsize) + "\n");
    EXPECT_EQ(corefile_mounttype, 0);
    EXPECT_EQ(corefile_image.numfiles, 3u);

    s_corefile h = {};
    int ok = 0;
    std::string opened = kt::Captured([&] { ok = corefile_open("Music.WAV", &h, 0); });
    ASSERT_EQ(ok, 1);
    uint32_t first = 12 + (12 + 9) + (12 + 10) + (12 + 9);
    EXPECT_EQ(opened, "found file at offset: " + std::to_string(first) + "\n");
    EXPECT_EQ(h.fp, nullptr);
    EXPECT_EQ(h.index, 0u);
    EXPECT_EQ(h.position, first);
    EXPECT_EQ(h.size, 16u);
    EXPECT_EQ(h.hash, NameHash("music.wav"));
    std::string data(h.size, '\0');
    corefile_read(&data[0], (int)h.size, 1, &h);
    EXPECT_EQ(data, "RIFF....WAVEdata");
    EXPECT_EQ(h.position, first + 16);
    EXPECT_EQ(corefile_feof(&h), 1);
    corefile_close(&h);
    EXPECT_EQ(h.fp, nullptr);
    EXPECT_EQ(h.index, 0u);
    EXPECT_EQ(h.position, 0u);
    EXPECT_EQ(h.size, 16u);  // size and hash stay after a close
    EXPECT_EQ(Slurp("SUB/C.png"), "PNGDATA");
}


TEST_F(CoreFile, NameStoredWithUpperCaseIsNeverFound) {
    kt::WriteFile("img.dat", HandImage({{"Music.wav", "abc"}, {"other", "x"}}));
    ASSERT_EQ(Mount("img.dat", 0), 1);
    s_corefile h = {};
    h.position = 77;
    int ok = 1;
    std::string text = kt::Captured([&] { ok = corefile_open("Music.wav", &h, 0); });
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(text, "couldn't find file: music.wav\n");
    EXPECT_EQ(h.position, 77u);  // a failed open leaves the handle's position
}

TEST_F(CoreFile, StoredNameLongerThanRequestStillMatches) {
    // Same hash and the request's bytes as a prefix: "ab" + "\0"-free tail
    // whose bytes sum to zero ("\x01\xff").
    kt::WriteFile("img.dat", HandImage({{std::string("ab\x01\xff", 4), "tail"}}));
    ASSERT_EQ(Mount("img.dat", 0), 1);
    EXPECT_EQ(Slurp("ab"), "tail");
}

TEST_F(CoreFile, EntrySizesComeFromNeighbouringOffsets) {
    Files f = {{"a", "1234"}, {"empty", ""}, {"last", "xyz"}};
    kt::WriteFile("img.dat", HandImage(f));
    ASSERT_EQ(Mount("img.dat", 0), 1);
    s_corefile h = {};
    kt::Captured([&] { corefile_open("empty", &h, 0); });
    EXPECT_EQ(h.size, 0u);
    EXPECT_EQ(corefile_feof(&h), 1);  // used up before any read
    kt::Captured([&] { corefile_open("last", &h, 0); });
    EXPECT_EQ(h.size, corefile_image.romsize - corefile_image.offsets[2]);
    EXPECT_EQ(h.size, 3u);
    EXPECT_EQ(corefile_fsize(&h), 3u);
}

TEST_F(CoreFile, EmptyImageMountsAndFindsNothing) {
    kt::PackImage("img.dat", {});
    std::string text;
    EXPECT_EQ(Mount("img.dat", 0, &text), 1);
    EXPECT_EQ(text, "Loading resource image: img.dat\nloading from file\nnumfiles: 0\nromsize: 12\n");
    s_corefile h = {};
    int ok = 1;
    EXPECT_EQ(kt::Captured([&] { ok = corefile_open("Music.wav", &h, 0); }),
              "couldn't find file: music.wav\n");
    EXPECT_EQ(ok, 0);
}

TEST_F(CoreFile, MountFailures) {
    kt::WriteFile("notcore.dat", "RIFF and more bytes");
    struct {
        const char* name;
        int type;
        const char* printed;
    } cases[] = {
        {"notcore.dat", 0, "Loading resource image: notcore.dat\nloading from file\n"},
        {"missing.dat", 0, "Loading resource image: missing.dat\ncould not open image: missing.dat\n"},
        {"missing.dat", 1, "Loading resource image: missing.dat\ncould not open image: missing.dat\n"},
        {"notcore.dat", 3, "Loading resource image: notcore.dat\n"},
        {"notcore.dat", -1, "Loading resource image: notcore.dat\n"},
    };
    for (auto& c : cases) {
        std::string text;
        EXPECT_EQ(Mount(c.name, c.type, &text), 0) << c.name << " " << c.type;
        EXPECT_EQ(text, c.printed);
        s_corefile h = {};
        EXPECT_EQ(kt::Captured([&] { EXPECT_EQ(corefile_open("x", &h, 0), 0); }), "couldn't find file: x\n");
        corefile_closeimage();
    }
}

TEST_F(CoreFile, MountPathLongerThanItsBufferIsRefused) {
    std::string name(1100, 'a');
    std::string text;
    EXPECT_EQ(Mount(name, 0, &text), 0);
    EXPECT_EQ(text, "image path too long: " + name + "\n");
}

TEST_F(CoreFile, AppendedImageIsReadFromTheHostsLastFourBytes) {
    kt::WriteFile("host.exe", std::string(4096, 'H'));
    kt::PackImage("show.exe", files_, "host.exe");
    std::string bytes = kt::ReadFile("show.exe");
    ASSERT_GE(bytes.size(), 4100u);
    EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\x00\x10\x00\x00", 4));
    EXPECT_EQ(bytes.substr(0, 4096), std::string(4096, 'H'));
    EXPECT_EQ(bytes.substr(4096, bytes.size() - 4100), HandImage(files_, 4096));

    std::string text;
    ASSERT_EQ(Mount("show.exe", 1, &text), 1);
    EXPECT_EQ(text, "Loading resource image: show.exe\nloading from executable\nnumfiles: 3\nromsize: " +
                        std::to_string(bytes.size() - 4) + "\n");
    EXPECT_EQ(Slurp("timing.dat"), "event 0 0 0\nstate 0 1\n");
    EXPECT_EQ(Slurp("sub/c.png"), "PNGDATA");
}

TEST_F(CoreFile, LastLineWithoutLineFeedRunsIntoTheNextEntry) {
    kt::WriteFile("img.dat", HandImage({{"timing.dat", "a\nb"}, {"next", "XYZ\nmore"}}));
    ASSERT_EQ(Mount("img.dat", 0), 1);
    s_corefile h = {};
    kt::Captured([&] { corefile_open("timing.dat", &h, 0); });
    char line[64];
    corefile_gets(line, sizeof line, &h);
    EXPECT_STREQ(line, "a\n");
    EXPECT_EQ(corefile_feof(&h), 0);
    corefile_gets(line, sizeof line, &h);
    EXPECT_STREQ(line, "bXYZ\n");
    EXPECT_EQ(corefile_feof(&h), 1);
}

TEST_F(CoreFile, LastLineOfTheLastEntryEndsAtTheEndOfTheImage) {
    kt::WriteFile("img.dat", HandImage({{"first", "1\n"}, {"timing.dat", "x\r\nlast"}}));
    ASSERT_EQ(Mount("img.dat", 0), 1);
    s_corefile h = {};
    kt::Captured([&] { corefile_open("timing.dat", &h, 0); });
    char line[64];
    corefile_gets(line, sizeof line, &h);
    EXPECT_STREQ(line, "x\r\n");  // binary reads keep the carriage return
    corefile_gets(line, sizeof line, &h);
    EXPECT_STREQ(line, "last");
    EXPECT_EQ(corefile_feof(&h), 1);
    strcpy(line, "kept");
    corefile_gets(line, sizeof line, &h);  // at the end of the stream: nothing stored
    EXPECT_STREQ(line, "kept");
}

TEST_F(CoreFile, LineReadsStopAtTheBufferLength) {
    kt::WriteFile("img.dat", HandImage({{"t", "abcdef\n"}}));
    ASSERT_EQ(Mount("img.dat", 0), 1);
    s_corefile h = {};
    kt::Captured([&] { corefile_open("t", &h, 0); });
    char line[8] = "zzzzzzz";
    corefile_gets(line, 4, &h);
    EXPECT_STREQ(line, "abc");
    corefile_gets(line, 1, &h);  // room for the terminator only
    // Wine's fgets stores nothing when it has room for the terminator only;
    // the C runtime of Windows stores the terminator, as its documentation
    // says, and so does glibc.
    if (!kt::UnderWine()) EXPECT_STREQ(line, "");
    strcpy(line, "kept");
    corefile_gets(line, 0, &h);  // no room at all: nothing is touched
    EXPECT_STREQ(line, "kept");
    corefile_gets(line, 8, &h);
    EXPECT_STREQ(line, "def\n");
}

TEST_F(CoreFile, TwoHandlesReadInAlternation) {
    kt::PackImage("img.dat", {{"one", "AAAABBBB"}, {"two", "11112222"}});
    ASSERT_EQ(Mount("img.dat", 0), 1);
    s_corefile a = {}, b = {};
    kt::Captured([&] {
        corefile_open("one", &a, 0);
        corefile_open("two", &b, 0);
    });
    char buf[5] = {};
    corefile_read(buf, 4, 1, &a);
    EXPECT_STREQ(buf, "AAAA");
    corefile_read(buf, 1, 4, &b);
    EXPECT_STREQ(buf, "1111");
    corefile_read(buf, 2, 2, &a);
    EXPECT_STREQ(buf, "BBBB");
    corefile_read(buf, 4, 1, &b);
    EXPECT_STREQ(buf, "2222");
}

TEST_F(CoreFile, SeekTellAndRewind) {
    kt::PackImage("img.dat", {{"pad", "0123"}, {"f", "abcdefgh"}});
    ASSERT_EQ(Mount("img.dat", 0), 1);
    s_corefile h = {};
    kt::Captured([&] { corefile_open("f", &h, 0); });
    unsigned start = corefile_image.offsets[1];
    char c = 0;
    corefile_seek(&h, 3, 0);
    EXPECT_EQ(corefile_tell(&h), start + 3);
    corefile_read(&c, 1, 1, &h);
    EXPECT_EQ(c, 'd');
    corefile_seek(&h, 2, 1);
    corefile_read(&c, 1, 1, &h);
    EXPECT_EQ(c, 'g');
    unsigned before = corefile_tell(&h);
    corefile_seek(&h, -5, 2);  // end-relative: not supported, nothing moves
    EXPECT_EQ(corefile_tell(&h), before);
    corefile_seek(&h, 0, 0);
    EXPECT_EQ(corefile_tell(&h), start);
    corefile_seek(&h, 5, 1);
    corefile_rewind(&h);
    EXPECT_EQ(corefile_tell(&h), start);
    // A read beyond the entry takes what follows, up to the end of the file.
    char tail[16] = {};
    corefile_seek(&h, 6, 0);
    corefile_read(tail, 1, 10, &h);
    EXPECT_STREQ(tail, "gh");
    EXPECT_EQ(corefile_tell(&h), start + 16);
    EXPECT_EQ(corefile_feof(&h), 1);
}

TEST_F(CoreFile, ImageMountWritesNothing) {
    kt::PackImage("img.dat", files_);
    std::string before = kt::ReadFile("img.dat");
    ASSERT_EQ(Mount("img.dat", 0), 1);
    std::string text = kt::Captured([] {
        corefile_savebuffer("music.wav", "XXXX", 4);
        corefile_savebuffer("new.txt", "XXXX", 4);
    });
    uint32_t first = corefile_image.offsets[0];
    EXPECT_EQ(text, "found file at offset: " + std::to_string(first) + "\ncouldn't find file: new.txt\n");
    s_corefile h = {};
    kt::Captured([&] { corefile_open("music.wav", &h, 0); });
    corefile_write("ZZZZ", 4, 1, &h);
    EXPECT_EQ(h.position, first);
    corefile_closeimage();
    EXPECT_EQ(kt::ReadFile("img.dat"), before);
    EXPECT_FALSE(kt::FileExists("new.txt"));
}

TEST_F(CoreFile, LoadBufferReadsAWholeCountedFile) {
    kt::PackImage("img.dat", files_);
    ASSERT_EQ(Mount("img.dat", 0), 1);
    unsigned in_use = g_mem_in_use;
    char* buf = nullptr;
    std::string text = kt::Captured([&] { buf = (char*)corefile_loadbuffer("timing.dat"); });
    ASSERT_NE(buf, nullptr);
    EXPECT_EQ(text, "found file at offset: " + std::to_string(corefile_image.offsets[1]) + "\n");
    EXPECT_EQ(std::string(buf, 22), "event 0 0 0\nstate 0 1\n");
    EXPECT_GT(g_mem_in_use, in_use);
    _wrap_free_dbg(buf, __FILE__, __LINE__);
    EXPECT_EQ(g_mem_in_use, in_use);
    // Not found: the open's line and a null buffer.
    void* none = (void*)1;
    EXPECT_EQ(kt::Captured([&] { none = corefile_loadbuffer("nope.bin"); }), "couldn't find file: nope.bin\n");
    EXPECT_EQ(none, nullptr);
    // A name longer than the browsing path's room.
    std::string longname(300, 'n');
    EXPECT_EQ(kt::Captured([&] { none = corefile_loadbuffer(longname.c_str()); }),
              "name too long: /" + longname + "\n");
    EXPECT_EQ(none, nullptr);
}

TEST_F(CoreFile, LoadBufferFollowsTheBrowsingPath) {
    kt::PackImage("img.dat", files_);
    ASSERT_EQ(Mount("img.dat", 0), 1);
    kt::Captured([] { corefile_chdir("sub"); });
    char* buf = nullptr;
    kt::Captured([&] { buf = (char*)corefile_loadbuffer("c.png"); });
    ASSERT_NE(buf, nullptr);
    EXPECT_EQ(std::string(buf, 7), "PNGDATA");
    _wrap_free_dbg(buf, __FILE__, __LINE__);
}

TEST_F(CoreFile, CloseReleasesEverythingCounted) {
    unsigned in_use = g_mem_in_use;
    kt::PackImage("img.dat", files_);
    ASSERT_EQ(Mount("img.dat", 0), 1);
    EXPECT_GT(g_mem_in_use, in_use);
    kt::Captured([] { corefile_readdir(".*"); });
    corefile_closeimage();
    EXPECT_EQ(g_mem_in_use, in_use);
    EXPECT_EQ(corefile_image.numfiles, 0u);
    EXPECT_EQ(corefile_image.romsize, 0u);
    EXPECT_EQ(corefile_numfiles, 0);
    EXPECT_EQ(g_fp, nullptr);
    corefile_closeimage();  // a second close finds nothing to release
    EXPECT_EQ(g_mem_in_use, in_use);
    ASSERT_EQ(Mount("img.dat", 0), 1);  // and the image mounts again
    EXPECT_EQ(Slurp("sub/c.png"), "PNGDATA");
}

// ---------------------------------------------------------------------------
// Damaged images: each is refused with a clear line, leaves no entries and
// reads nothing outside the file.

namespace {

std::string Header(uint32_t numfiles, uint32_t romsize) {
    std::string s = "CORE";
    kt::PutU32(s, numfiles);
    kt::PutU32(s, romsize);
    return s;
}

std::string Entry(const std::string& name, uint32_t offset, uint32_t namelen = 0xFFFFFFFF) {
    std::string s;
    kt::PutU32(s, namelen == 0xFFFFFFFF ? (uint32_t)name.size() : namelen);
    kt::PutU32(s, (uint32_t)NameHash(name));
    s += name;
    kt::PutU32(s, offset);
    return s;
}

}  // namespace

TEST_F(CoreFile, DamagedImagesAreRefused) {
    const std::string good = HandImage({{"a", "AAAA"}, {"b", "BB"}});
    std::string truncated_dir = good.substr(0, 20);
    std::string name_past_end = Header(1, 40) + Entry("a", 30, 0x7FFFFFF0);
    std::string down = Header(2, 36) + Entry("a", 30) + Entry("b", 20) + "xxxxxx";
    std::string rom_past_end = Header(1, 99999) + Entry("a", 25) + "data";
    std::string last_past_rom = Header(2, 26) + Entry("a", 26) + Entry("b", 40) + "xyzw";
    struct {
        const char* what;
        std::string bytes;
        const char* printed;
    } cases[] = {
        {"magic only", "CORE", "corrupt image: the header is truncated\n"},
        {"short header", "CORE\x01\x00\x00", "corrupt image: the header is truncated\n"},
        {"numfiles larger than the file", Header(0x40000000, 12),
         "numfiles: 1073741824\nromsize: 12\ncorrupt image: a directory of 1073741824 entries does not fit in the file\n"},
        {"truncated directory", truncated_dir,
         "numfiles: 2\nromsize: 44\ncorrupt image: a directory of 2 entries does not fit in the file\n"},
        {"namelen beyond the file", name_past_end,
         "numfiles: 1\nromsize: 40\ncorrupt image: the name of entry 0 runs past the end of the file\n"},
        {"offsets going down", down,
         "numfiles: 2\nromsize: 36\ncorrupt image: the data of entry 0 lies outside the image\n"},
        {"romsize beyond the file", rom_past_end,
         "numfiles: 1\nromsize: 99999\ncorrupt image: its data ends beyond the end of the file (99999)\n"},
        {"last offset beyond romsize", last_past_rom,
         "numfiles: 2\nromsize: 26\ncorrupt image: the data of entry 1 lies outside the image\n"},
    };
    for (auto& c : cases) {
        kt::WriteFile("bad.dat", c.bytes);
        unsigned in_use = g_mem_in_use;
        std::string text;
        EXPECT_EQ(Mount("bad.dat", 0, &text), 0) << c.what;
        EXPECT_EQ(text, std::string("Loading resource image: bad.dat\nloading from file\n") + c.printed) << c.what;
        EXPECT_EQ(corefile_image.numfiles, 0u) << c.what;
        EXPECT_EQ(g_mem_in_use, in_use) << c.what << ": the refused directory is released";
        bool found = true;
        Slurp("a", &found);
        EXPECT_FALSE(found) << c.what;
        corefile_closeimage();
    }
}

TEST_F(CoreFile, DamagedAppendedImagesAreRefused) {
    struct {
        const char* what;
        std::string bytes;
        const char* printed;
    } cases[] = {
        {"host shorter than four bytes", "ab", "no appended image in host.exe\n"},
        {"start beyond the host", std::string("HOSTHOST") + std::string("\x00\x00\x01\x00", 4),
         "no appended image in host.exe\n"},
        {"start points at no magic", std::string("HOSTHOST") + std::string("\x02\x00\x00\x00", 4), ""},
    };
    for (auto& c : cases) {
        kt::WriteFile("host.exe", c.bytes);
        std::string text;
        EXPECT_EQ(Mount("host.exe", 1, &text), 0) << c.what;
        EXPECT_EQ(text, std::string("Loading resource image: host.exe\nloading from executable\n") + c.printed)
            << c.what;
        corefile_closeimage();
    }
}

// ---------------------------------------------------------------------------
// Directory-tree mounts

class CoreTree : public CoreFile {
protected:
    void SetUp() override {
        CoreFile::SetUp();
        kt::MakeDirs("data/sub/deep");
        kt::WriteFile("data/timing.dat", "event 0 0 0\nstate 0 1\n");
        kt::WriteFile("data/sub/c.png", "PNG!");
        kt::WriteFile("data/sub/deep/d.png", "deep");
    }
};

TEST_F(CoreTree, ScanNumbersFilesByRelativePath) {
    std::string text;
    ASSERT_EQ(Mount("data", 2, &text), 1);
    EXPECT_EQ(corefile_mounttype, 2);
    ASSERT_EQ(corefile_image.numfiles, 3u);
    std::vector<std::string> names;
    for (unsigned i = 0; i < 3; i++) names.push_back(corefile_image.names[i]);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"sub/c.png", "sub/deep/d.png", "timing.dat"}));
    // Both passes print their sublevel lines; the count comes between them.
    EXPECT_EQ(text.rfind("Loading resource image: data\n", 0), 0u);
    EXPECT_NE(text.find("Found 3 files\n"), std::string::npos) << text;
    EXPECT_EQ(std::filesystem::current_path().string(), dir_);  // the scan leaves the working directory as it was
}

TEST_F(CoreTree, NestedMountPathPrintsItsLevelsAndRestoresTheDirectory) {
    kt::MakeDirs("outer");
    ASSERT_EQ(rename("data", "outer/data"), 0);
    std::string text;
    ASSERT_EQ(Mount("outer/data", 2, &text), 1);
    EXPECT_EQ(corefile_image.numfiles, 3u);
    EXPECT_NE(text.find("path has 2 sublevels\n"), std::string::npos) << text;
    EXPECT_EQ(std::filesystem::current_path().string(), dir_);
    corefile_closeimage();
    ASSERT_EQ(Mount(dir_ + "/outer/data", 2, &text), 1);  // absolute path
    EXPECT_EQ(std::filesystem::current_path().string(), dir_);
    EXPECT_EQ(Slurp("sub/deep/d.png"), "deep");
}

TEST_F(CoreTree, MissingTreeMountsWithNoFiles) {
    std::string text;
    EXPECT_EQ(Mount("nothere", 2, &text), 1);
    EXPECT_EQ(text, "Loading resource image: nothere\nerror reading directory\nFound 0 files\n"
                    "error reading directory\n");
    EXPECT_EQ(corefile_image.numfiles, 0u);
}

TEST_F(CoreTree, NamesLongerThanTheScanBuffersAreLeftOut) {
#ifdef _WIN32
    GTEST_SKIP() << "a name of 266 bytes under the scratch folder is past MAX_PATH: Windows cannot make it";
#endif
    std::string longdir = "data/" + std::string(200, 'd');
    kt::MakeDirs(longdir);
    kt::WriteFile(longdir + "/" + std::string(60, 'f'), "x");
    std::string text;
    ASSERT_EQ(Mount("data", 2, &text), 1);
    EXPECT_EQ(corefile_image.numfiles, 3u);
    std::string line = "path too long, left out: " + std::string(200, 'd') + "/" + std::string(60, 'f') + "\n";
    EXPECT_NE(text.find(line), std::string::npos) << text;
}

TEST_F(CoreTree, OpensAnyFileUnderThePathAndReadsLines) {
    ASSERT_EQ(Mount("data", 2), 1);
    kt::WriteFile("data/late.txt", "added after the scan");
    EXPECT_EQ(Slurp("LATE.TXT"), "added after the scan");
    bool found = true;
    EXPECT_EQ(kt::Captured([&] { Slurp("absent.txt", &found); }), "");  // no message in a tree mount
    EXPECT_FALSE(found);

    s_corefile h = {};
    ASSERT_EQ(corefile_open("timing.dat", &h, 0), 1);
    EXPECT_EQ(h.position, 0u);
    EXPECT_EQ(h.size, 22u);
    char line[64];
    corefile_gets(line, sizeof line, &h);
    EXPECT_STREQ(line, "event 0 0 0\n");
    EXPECT_EQ(corefile_tell(&h), 12u);
    corefile_gets(line, sizeof line, &h);
    EXPECT_STREQ(line, "state 0 1\n");
    EXPECT_EQ(corefile_feof(&h), 0);  // the last line ended in a line feed
    strcpy(line, "kept");
    corefile_gets(line, sizeof line, &h);
    EXPECT_STREQ(line, "kept");
    EXPECT_NE(corefile_feof(&h), 0);
    corefile_seek(&h, 6, 0);
    EXPECT_EQ(corefile_tell(&h), 6u);
    corefile_rewind(&h);
    EXPECT_EQ(corefile_tell(&h), 0u);
    EXPECT_EQ(corefile_feof(&h), 0);
    corefile_close(&h);
    EXPECT_EQ(h.fp, nullptr);
    corefile_close(&h);  // closing twice releases the stream once
    corefile_read(line, 1, 4, &h);  // reading a closed handle touches nothing
    EXPECT_NE(corefile_feof(&h), 0);
}

TEST_F(CoreTree, WritesAndSavesFiles) {
    ASSERT_EQ(Mount("data", 2), 1);
    s_corefile h = {};
    ASSERT_EQ(corefile_open("out.bin", &h, 1), 1);
    corefile_write("abc", 1, 3, &h);
    corefile_write("de", 2, 1, &h);
    EXPECT_EQ(h.position, 5u);
    corefile_close(&h);
    EXPECT_EQ(kt::ReadFile("data/out.bin"), "abcde");

    corefile_savebuffer("saved.wav", "RIFFDATA", 8);
    EXPECT_EQ(kt::ReadFile("data/saved.wav"), "RIFFDATA");
    char* back = (char*)corefile_loadbuffer("saved.wav");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(std::string(back, 8), "RIFFDATA");
    _wrap_free_dbg(back, __FILE__, __LINE__);
}

// Seeded byte mutations of a good image: whatever the mount makes of them,
// every open and whole-file read stays inside the file and the buffers (the
// suite is also run under AddressSanitizer).
TEST_F(CoreFile, MutatedImagesNeverReadOutsideTheirBuffers) {
    const std::string good = HandImage(files_);
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    int mounted = 0;
    for (int round = 0; round < 400; round++) {
        std::string bytes = good;
        int changes = 1 + (int)(next() % 4);
        for (int k = 0; k < changes; k++) {
            // Most changes land in the header and directory, where they matter.
            size_t at = next() % (next() % 4 ? 90 : bytes.size());
            bytes[at] = (char)next();
        }
        if (next() % 5 == 0) bytes.resize(next() % bytes.size());
        kt::WriteFile("m.dat", bytes);
        int ok = Mount("m.dat", 0);
        if (ok) {
            mounted++;
            for (unsigned i = 0; i < corefile_image.numfiles; i++) {
                s_corefile h = {};
                int found = 0;
                kt::Captured([&] { found = corefile_open(corefile_image.names[i], &h, 0); });
                if (!found) continue;
                ASSERT_LE(h.size, bytes.size()) << "round " << round;
                std::vector<char> buf(h.size + 1);
                corefile_read(buf.data(), (int)h.size, 1, &h);
                char line[32];
                corefile_rewind(&h);
                while (!corefile_feof(&h) && corefile_tell(&h) < bytes.size()) corefile_gets(line, sizeof line, &h);
            }
        }
        corefile_closeimage();
    }
    EXPECT_GT(mounted, 0);  // some mutations leave a usable image
}
