#pragma once

// For the sg tests: a scratch directory standing in for /dev or /sys.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace quillon::scsi {

// A new directory under the system's temporary one, removed with all it
// holds when the test ends.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "sgtest.XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // Makes a small regular file of that name.
    void touch(const std::string& name) const { std::ofstream(path_ + "/" + name) << "x"; }

private:
    std::string path_;
};

} // namespace quillon::scsi
