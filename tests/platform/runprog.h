// Runs the driver's test program as a child process and collects what it
// printed on each stream, its exit status and how long it ran.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace lt {

struct Run {
    int status = -1;  // exit status; 124 when the time bound killed it
    std::string out, err;
    double seconds = 0;
};

inline std::string Slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// env: "NAME=value ..." put before the command; args: shell words.
inline Run RunProg(const std::string& args, const std::string& env = "", int bound = 20) {
    char outp[] = "/tmp/krvprog_out_XXXXXX";
    char errp[] = "/tmp/krvprog_err_XXXXXX";
    close(mkstemp(outp));
    close(mkstemp(errp));
    std::string cmd = "env " + env + " timeout -s KILL " + std::to_string(bound) + " " KRVPROG_PATH " " + args +
                      " >" + outp + " 2>" + errp;
    auto t0 = std::chrono::steady_clock::now();
    int raw = system(cmd.c_str());
    Run r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    if (r.status == 137) r.status = 124;
    r.out = Slurp(outp);
    r.err = Slurp(errp);
    unlink(outp);
    unlink(errp);
    return r;
}

}  // namespace lt
