// Small helpers shared by the test suites: capturing what the system prints
// on standard output, scratch folders, whole-file reads and writes, and
// running programs. The same helpers serve the Linux and the Windows build;
// what differs stands in testsupport_posix.cpp and testsupport_win32.cpp.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kt {

// Redirects file descriptor 1 (and the C stdout stream) into a temporary file
// from construction until Take(), which returns everything printed meanwhile,
// byte for byte: on Windows the capture is in binary mode, so a line feed
// printed stays one byte.
class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture();
    std::string Take();

private:
    int saved_fd_ = -1;
    FILE* file_ = nullptr;
};

// Runs fn with standard output captured and returns what it printed.
template <typename Fn>
std::string Captured(Fn fn) {
    StdoutCapture cap;
    fn();
    return cap.Take();
}

// A fixture that gives each test a fresh, empty working directory under the
// build folder's scratch/ and goes back to the previous one afterwards. The folder is removed when the test
// passed and kept (its path printed) when it failed.
class ScratchTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string dir_;

private:
    std::string old_cwd_;
    bool child_ = false;  // a death test's child in its parent's folder
};

// For suites whose every case needs a window and GL: added as a global
// environment, it skips them all when there is no X display rather than
// running them against a window that could not be made. Windows always has
// a desktop.
class NeedsDisplay : public ::testing::Environment {
public:
    void SetUp() override;
};

// The bytes that text written to a file in text mode ("w", "wt") becomes on
// this system: the text itself on POSIX, each line feed a carriage return
// and line feed on Windows.
std::string TextModeBytes(const std::string& text);

// True in a Windows program that runs under Wine; false everywhere else.
// Only for cases where Wine departs from what Windows documents: such a case
// is skipped under Wine alone, with the reason.
bool UnderWine();

void WriteFile(const std::string& path, const std::string& bytes);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
void MakeDirs(const std::string& path);

// Little-endian helpers for byte fixtures.
void PutU32(std::string& out, uint32_t v);
void PutU16(std::string& out, uint16_t v);

// Runs a program with the given arguments (args[0] is the program; no shell
// is involved, so arguments need no quoting); returns its exit status, or -1
// when it could not be started or did not end by itself, and fills out with
// what it printed on stdout and stderr together.
int RunProgram(const std::vector<std::string>& args, std::string* out = nullptr);

// Runs a shell command (POSIX sh; the Linux build only, Windows has no
// such shell and no definition of it); returns its exit
// status and fills out with what it printed on stdout and stderr together.
int RunCommand(const std::string& cmd, std::string* out = nullptr);

// Sets an environment variable of this process; an existing value is kept
// unless overwrite is true.
void SetEnv(const std::string& name, const std::string& value, bool overwrite = true);

// (name, bytes) pairs of a data image, in directory order.
using ImageFiles = std::vector<std::pair<std::string, std::string>>;

// Writes the files into the working directory (src0, src1, ...) and packs
// them with the mkcore tool into image; with host, the image is appended to a
// copy of host. A failure to pack fails the test.
void PackImage(const std::string& image, const ImageFiles& files, const std::string& host = "");

}  // namespace kt
