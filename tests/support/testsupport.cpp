#include "tests/support/testsupport.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "tests/support/testsupport_sys.h"

namespace fs = std::filesystem;

namespace kt {

StdoutCapture::StdoutCapture() {
    fflush(stdout);
    file_ = sys::CaptureFile();
    if (!file_) {
        ADD_FAILURE() << "no temporary file for the capture";
        return;
    }
    saved_fd_ = sys::Dup(1);
    sys::Dup2(sys::FileNo(file_), 1);
}

StdoutCapture::~StdoutCapture() {
    if (saved_fd_ >= 0) Take();
}

std::string StdoutCapture::Take() {
    if (saved_fd_ < 0) return std::string();
    fflush(stdout);
    sys::Dup2(saved_fd_, 1);
    sys::Close(saved_fd_);
    saved_fd_ = -1;
    std::string text;
    fseek(file_, 0, SEEK_SET);
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, file_)) > 0) text.append(buf, n);
    fclose(file_);
    file_ = nullptr;
    return text;
}

// The scratch folder of the running case, for the child of a death test.
static const char kScratchVariable[] = "KASTREL_TEST_SCRATCH";

void ScratchTest::SetUp() {
    std::error_code ec;
    old_cwd_ = fs::current_path(ec).string();
    ASSERT_FALSE(ec) << ec.message();
    // Where a death test's child is a new process that runs the case again
    // (Windows has no fork), it works in the folder its parent made, so that
    // the parent finds what the child wrote.
    const char* parent = getenv(kScratchVariable);
    if (!GTEST_FLAG_GET(internal_run_death_test).empty() && parent && *parent) {
        fs::current_path(parent, ec);
        ASSERT_FALSE(ec) << ec.message();
        dir_ = fs::current_path().string();
        child_ = true;
        return;
    }
    fs::path base = fs::path(KASTREL_BINARY_DIR) / "scratch";
    fs::create_directories(base, ec);
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
        if (c == '/') c = '_';
    // A fresh folder of the case's name and a random suffix, as several
    // processes may run the same case at once.
    std::random_device seed;
    std::mt19937 random(seed());
    const char* letters = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100 && dir_.empty(); attempt++) {
        std::string suffix;
        for (int i = 0; i < 6; i++) suffix += letters[random() % 36];
        fs::path candidate = base / (name + "." + suffix);
        if (fs::create_directory(candidate, ec)) dir_ = candidate.string();
    }
    ASSERT_FALSE(dir_.empty()) << "cannot make a scratch folder under " << base.string();
    fs::current_path(dir_, ec);
    ASSERT_FALSE(ec) << ec.message();
    // The folder as this system spells the working directory, so that cases
    // can compare the two.
    dir_ = fs::current_path().string();
    SetEnv(kScratchVariable, dir_);
}

void ScratchTest::TearDown() {
    std::error_code ec;
    if (!old_cwd_.empty()) fs::current_path(old_cwd_, ec);
    if (dir_.empty() || child_) return;
    if (HasFailure()) {
        fprintf(stderr, "scratch folder kept: %s\n", dir_.c_str());
        return;
    }
    fs::remove_all(dir_, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(bytes.data(), (std::streamsize)bytes.size());
    ASSERT_TRUE(f.good()) << "cannot write " << path;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

void MakeDirs(const std::string& path) {
    std::error_code ec;
    fs::create_directories(path, ec);
}

void PutU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; i++) out.push_back((char)((v >> (8 * i)) & 0xFF));
}

void PutU16(std::string& out, uint16_t v) {
    out.push_back((char)(v & 0xFF));
    out.push_back((char)(v >> 8));
}

void PackImage(const std::string& image, const ImageFiles& files, const std::string& host) {
    std::vector<std::string> args = {MKCORE_PATH};
    if (!host.empty()) {
        args.push_back("--append");
        args.push_back(host);
    }
    args.push_back(image);
    int n = 0;
    for (auto& f : files) {
        std::string src = "src" + std::to_string(n++);
        WriteFile(src, f.second);
        args.push_back(f.first + "=" + src);
    }
    std::string out;
    ASSERT_EQ(RunProgram(args, &out), 0) << out;
}

}  // namespace kt
