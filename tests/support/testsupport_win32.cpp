// The test support on Windows.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdlib>
#include <string>

#include "tests/support/testsupport.h"
#include "tests/support/testsupport_sys.h"

namespace kt {

namespace sys {
int Dup(int fd) { return _dup(fd); }
void Dup2(int from, int to) { _dup2(from, to); }
void Close(int fd) { _close(fd); }
int FileNo(FILE* file) { return _fileno(file); }

// In the system's temporary folder (tmpfile would use the root of the
// drive, which a user may not write to); "D" removes it when it is closed.
FILE* CaptureFile() {
    char folder[MAX_PATH + 1];
    char path[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof folder, folder);
    if (n == 0 || n > MAX_PATH) return nullptr;
    if (!GetTempFileNameA(folder, "kt", 0, path)) return nullptr;
    return fopen(path, "w+bD");
}
}  // namespace sys

void NeedsDisplay::SetUp() {}

std::string TextModeBytes(const std::string& text) {
    std::string bytes;
    for (char c : text) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    return bytes;
}

// Wine's ntdll exports its version; Windows' does not.
bool UnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Quotes one argument the way the C runtime's start-up splits it again:
// quoted when it holds white space or a quote or is empty, a quote inside
// escaped with a backslash, backslashes before a quote doubled.
static std::string Quote(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
    std::string q = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            backslashes++;
            continue;
        }
        if (c == '"') {
            q.append(backslashes * 2 + 1, '\\');
        } else {
            q.append(backslashes, '\\');
        }
        backslashes = 0;
        q += c;
    }
    q.append(backslashes * 2, '\\');
    q += '"';
    return q;
}

int RunProgram(const std::vector<std::string>& args, std::string* out) {
    if (args.empty()) return -1;
    fflush(stdout);
    std::string line;
    for (auto& a : args) line += (line.empty() ? "" : " ") + Quote(a);

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return -1;
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = write_end;
    si.hStdError = write_end;
    PROCESS_INFORMATION pi = {};
    std::vector<char> cmdline(line.begin(), line.end());
    cmdline.push_back(0);
    BOOL started = CreateProcessA(nullptr, cmdline.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(write_end);
    if (!started) {
        CloseHandle(read_end);
        if (out) *out = "cannot start " + args[0];
        return -1;
    }
    std::string text;
    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(read_end, buf, sizeof buf, &n, nullptr) && n > 0) text.append(buf, n);
    CloseHandle(read_end);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = (DWORD)-1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    if (out) *out = text;
    return (int)code;
}

void SetEnv(const std::string& name, const std::string& value, bool overwrite) {
    if (!overwrite && getenv(name.c_str())) return;
    _putenv_s(name.c_str(), value.c_str());
}

}  // namespace kt
