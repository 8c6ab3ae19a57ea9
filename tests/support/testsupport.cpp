#include "tests/support/testsupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace kt {

StdoutCapture::StdoutCapture() {
    fflush(stdout);
    file_ = tmpfile();
    if (!file_) {
        ADD_FAILURE() << "tmpfile failed";
        return;
    }
    saved_fd_ = dup(1);
    dup2(fileno(file_), 1);
}

StdoutCapture::~StdoutCapture() {
    if (saved_fd_ >= 0) Take();
}

std::string StdoutCapture::Take() {
    if (saved_fd_ < 0) return std::string();
    fflush(stdout);
    dup2(saved_fd_, 1);
    close(saved_fd_);
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

void ScratchTest::SetUp() {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    old_cwd_ = cwd;
    std::string base = std::string(KASTREL_BINARY_DIR) + "/scratch";
    mkdir(base.c_str(), 0755);
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
        if (c == '/') c = '_';
    std::string templ = base + "/" + name + ".XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back(0);
    ASSERT_NE(mkdtemp(buf.data()), nullptr) << strerror(errno);
    dir_ = buf.data();
    ASSERT_EQ(chdir(dir_.c_str()), 0);
}

void ScratchTest::TearDown() {
    if (!old_cwd_.empty()) (void)!chdir(old_cwd_.c_str());
    if (dir_.empty()) return;
    if (HasFailure()) {
        fprintf(stderr, "scratch folder kept: %s\n", dir_.c_str());
        return;
    }
    RunCommand("rm -rf '" + dir_ + "'");
}

void NeedsDisplay::SetUp() {
    const char* display = getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no X display";
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
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

void MakeDirs(const std::string& path) {
    RunCommand("mkdir -p '" + path + "'");
}

void PutU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; i++) out.push_back((char)((v >> (8 * i)) & 0xFF));
}

void PutU16(std::string& out, uint16_t v) {
    out.push_back((char)(v & 0xFF));
    out.push_back((char)(v >> 8));
}

int RunCommand(const std::string& cmd, std::string* out) {
    fflush(stdout);
    FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    if (!p) return -1;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
    int status = pclose(p);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace kt
