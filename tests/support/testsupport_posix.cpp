// The test support on POSIX systems.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/testsupport.h"
#include "tests/support/testsupport_sys.h"

namespace kt {

namespace sys {
int Dup(int fd) { return dup(fd); }
void Dup2(int from, int to) { dup2(from, to); }
void Close(int fd) { close(fd); }
int FileNo(FILE* file) { return fileno(file); }
FILE* CaptureFile() { return tmpfile(); }
}  // namespace sys

std::string TextModeBytes(const std::string& text) { return text; }

bool UnderWine() { return false; }

void NeedsDisplay::SetUp() {
    const char* display = getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no X display";
}

static std::string ReadAll(int fd) {
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) text.append(buf, (size_t)n);
    return text;
}

static int ExitStatus(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1; }

int RunProgram(const std::vector<std::string>& args, std::string* out) {
    if (args.empty()) return -1;
    fflush(stdout);
    int pipefd[2];
    if (pipe(pipefd) != 0) return -1;
    pid_t pid = fork();
    if (pid < 0) {
        close(pipefd[0]);
        close(pipefd[1]);
        return -1;
    }
    if (pid == 0) {
        dup2(pipefd[1], 1);
        dup2(pipefd[1], 2);
        close(pipefd[0]);
        close(pipefd[1]);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipefd[1]);
    std::string text = ReadAll(pipefd[0]);
    close(pipefd[0]);
    int raw = 0;
    waitpid(pid, &raw, 0);
    if (out) *out = text;
    return ExitStatus(raw);
}

int RunCommand(const std::string& cmd, std::string* out) {
    return RunProgram({"/bin/sh", "-c", cmd}, out);
}

void SetEnv(const std::string& name, const std::string& value, bool overwrite) {
    setenv(name.c_str(), value.c_str(), overwrite ? 1 : 0);
}

}  // namespace kt
