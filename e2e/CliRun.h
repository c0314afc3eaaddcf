#pragma once

// Running quillon-cli as a user runs it, for the tests of whole programs.
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace quillon::e2e {

struct Run {
    int exitStatus;
    std::string output;
};

// What a shell command line prints, with its standard error unless only
// standard output is wanted.
inline Run shell(const std::string& commandLine, bool withErrors = true) {
    const std::string command =
        "{ " + commandLine + "; }" + (withErrors ? " 2>&1" : " 2>/dev/null");
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    std::array<char, 4096> chunk{};
    while (const auto n = std::fread(chunk.data(), 1, chunk.size(), pipe)) {
        output.append(chunk.data(), n);
    }
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// The program's output, with its standard error unless only standard output
// is wanted.
inline Run cli(const std::string& arguments, bool withErrors = true) {
    return shell(std::string(QUILLON_CLI) + " " + arguments, withErrors);
}

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// A directory of its own for the files of one test.
struct Scratch {
    explicit Scratch(const std::string& name)
        : dir(std::filesystem::temp_directory_path() /
              ("quillon-" + name + "-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(dir);
    }
    ~Scratch() { std::filesystem::remove_all(dir); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::string path(const std::string& name) const { return (dir / name).string(); }

    std::filesystem::path dir;
};

} // namespace quillon::e2e
