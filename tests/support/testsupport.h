// Small helpers shared by the test suites: capturing what the system prints
// on standard output, scratch folders, and whole-file reads and writes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kt {

// Redirects file descriptor 1 (and the C stdout stream) into a temporary file
// from construction until Take(), which returns everything printed meanwhile.
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

// A fixture that gives each test a fresh, empty working directory and goes
// back to the previous one afterwards. The folder is removed when the test
// passed and kept (its path printed) when it failed.
class ScratchTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string dir_;

private:
    std::string old_cwd_;
};

// For suites whose every case needs a window and GL: added as a global
// environment, it skips them all when there is no X display rather than
// running them against a window that could not be made.
class NeedsDisplay : public ::testing::Environment {
public:
    void SetUp() override;
};

void WriteFile(const std::string& path, const std::string& bytes);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
void MakeDirs(const std::string& path);

// Little-endian helpers for byte fixtures.
void PutU32(std::string& out, uint32_t v);
void PutU16(std::string& out, uint16_t v);

// Runs a shell command; returns its exit status and fills out with what it
// printed on stdout and stderr together.
int RunCommand(const std::string& cmd, std::string* out = nullptr);

}  // namespace kt
