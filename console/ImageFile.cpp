#include "ImageFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <stdexcept>
#include <sys/statvfs.h>
#include <unistd.h>

namespace quillon::console {

namespace {

// A system call made again while a signal interrupts it.
template <typename Call> auto uninterrupted(Call call) {
    auto result = call();
    while (result < 0 && errno == EINTR) {
        result = call();
    }
    return result;
}

scsi::UniqueFd openFile(const std::filesystem::path& path, int flags) {
    return scsi::UniqueFd(
        uninterrupted([&] { return ::open(path.c_str(), flags | O_CLOEXEC, 0644); }));
}

std::filesystem::path homeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return home;
    }
    const passwd* user = ::getpwuid(::getuid());
    return user != nullptr ? user->pw_dir : "/";
}

} // namespace

ImageFile ImageFile::Create(const std::filesystem::path& path) {
    ImageFile file(path, openFile(path, O_WRONLY | O_CREAT | O_TRUNC));
    if (!file.fd_) {
        file.fail("create");
    }
    return file;
}

ImageFile ImageFile::Open(const std::filesystem::path& path) {
    ImageFile file(path, openFile(path, O_RDONLY));
    if (!file.fd_) {
        file.fail("open");
    }
    return file;
}

std::size_t ImageFile::Write(const std::uint8_t* data, std::size_t size) {
    const ssize_t written = uninterrupted([&] { return ::write(fd_.get(), data, size); });
    if (written < 0) {
        fail("write");
    }
    return static_cast<std::size_t>(written);
}

std::size_t ImageFile::Read(std::uint8_t* data, std::size_t size) {
    const ssize_t read = uninterrupted([&] { return ::read(fd_.get(), data, size); });
    if (read < 0) {
        fail("read");
    }
    return static_cast<std::size_t>(read);
}

void ImageFile::Close() {
    // Linux closes the descriptor even when close reports an error.
    if (::close(fd_.release()) != 0 && errno != EINTR) {
        fail("close");
    }
}

void ImageFile::fail(const char* what) const {
    throw std::runtime_error("Cannot " + std::string(what) + " the image file " + path_.string() +
                             ": " + std::strerror(errno));
}

std::filesystem::path DefaultImagePath() {
    // A relative cache directory is not meant to be used.
    const char* cache = std::getenv("XDG_CACHE_HOME");
    const std::filesystem::path base = cache != nullptr && cache[0] == '/'
                                           ? std::filesystem::path(cache)
                                           : homeDirectory() / ".cache";
    return base / "quillon" / ImageFile::FileName;
}

std::optional<std::uint64_t> FreeBytesForImage(const std::filesystem::path& path) {
    struct statvfs system {};
    const std::filesystem::path directory =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    if (::statvfs(directory.c_str(), &system) != 0) {
        return std::nullopt;
    }
    std::error_code error;
    const std::uintmax_t own = std::filesystem::file_size(path, error);
    return std::uint64_t{system.f_bavail} * system.f_frsize + (error ? 0 : own);
}

bool ImageFits(std::optional<std::uint64_t> freeBytes, std::int64_t blocks,
               std::uint32_t blockSize) {
    if (!freeBytes || blocks < 0) {
        return false;
    }
    return static_cast<std::uint64_t>(blocks) * blockSize <= *freeBytes;
}

} // namespace quillon::console
