#include "platform/posix_file_system.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <utility>
#include <vector>

namespace zov::platform {

namespace {

constexpr const char* kAttributeName = "user.DOSATTRIB";

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool isDriveLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Adds the components of a path to parts: "." and empty ones vanish, ".." drops the last
// one, and at the top there is nothing left to drop, so nothing climbs above its root.
void appendComponents(std::vector<std::string_view>& parts, std::string_view path,
                      bool (*separator)(char)) {
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = start;
        while (end < path.size() && !separator(path[end]))
            ++end;
        const std::string_view part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
}

std::string currentFolder() {
    std::error_code error;
    auto folder = std::filesystem::current_path(error);
    return error ? std::string("/") : folder.string();
}

class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

  private:
    int fd_;
};

// Opens a regular file only. O_NONBLOCK keeps a FIFO or a device under a movie's name
// from blocking the one thread of the client; regular files do not notice it.
Descriptor openRegular(const std::string& host, int flags, mode_t mode = 0666) {
    int fd;
    do {
        fd = ::open(host.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, mode);
    } while (fd < 0 && errno == EINTR);
    Descriptor descriptor(fd);
    struct stat status {};
    if (!descriptor || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return Descriptor();
    return descriptor;
}

// A short write that wrote nothing means the disk is full; errno says so for the caller.
bool writeAllAt(int fd, const char* data, std::size_t size, off_t offset) {
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, data, size, offset);
        if (written < 0 && errno == EINTR) continue;
        if (written == 0) errno = ENOSPC;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
        offset += written;
    }
    return true;
}

DiskFailure diskFailureOf(int error) {
    return error == ENOSPC || error == EDQUOT ? DiskFailure::NoSpace : DiskFailure::CannotWrite;
}

bool isFolder(const std::string& host) {
    struct stat status {};
    return ::stat(host.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

class PosixRandomAccessFile final : public RandomAccessFile {
  public:
    explicit PosixRandomAccessFile(Descriptor fd) : fd_(std::move(fd)) {}

    bool seek(std::int64_t position) override {
        if (position < 0) return false;
        position_ = position;
        return true;
    }

    bool write(const void* data, std::size_t size) override {
        if (!writeAllAt(fd_.get(), static_cast<const char*>(data), size, position_)) {
            failure_ = diskFailureOf(errno);
            return false;
        }
        writeBehind(position_, static_cast<std::int64_t>(size));
        position_ += static_cast<std::int64_t>(size);
        return true;
    }

    bool truncate(std::int64_t size) override {
        int result;
        do {
            result = ::ftruncate(fd_.get(), static_cast<off_t>(size));
        } while (result != 0 && errno == EINTR);
        if (result != 0) failure_ = diskFailureOf(errno);
        return result == 0;
    }

    bool syncData() override {
        int result;
        do {
            result = ::fdatasync(fd_.get());
        } while (result != 0 && errno == EINTR);
        if (result != 0) failure_ = diskFailureOf(errno);
        return result == 0;
    }

    DiskFailure failure() const override { return failure_; }

    std::optional<std::int64_t> size() const override {
        struct stat status {};
        if (::fstat(fd_.get(), &status) != 0) return std::nullopt;
        return status.st_size;
    }

  private:
    // Long sequential writes (a movie) start their way to the disk as they go, without
    // waiting for it, so a later syncData has little left to wait for.
    void writeBehind(std::int64_t at, std::int64_t size) {
        if (at != pendingEnd_) pendingStart_ = at;
        pendingEnd_ = at + size;
        if (pendingEnd_ - pendingStart_ < kWriteBehindBytes) return;
        ::sync_file_range(fd_.get(), pendingStart_, pendingEnd_ - pendingStart_,
                          SYNC_FILE_RANGE_WRITE);
        pendingStart_ = pendingEnd_;
    }

    static constexpr std::int64_t kWriteBehindBytes = 8 << 20;
    Descriptor fd_;
    std::int64_t position_ = 0;
    std::int64_t pendingStart_ = 0;  // written, not yet sent on to the disk
    std::int64_t pendingEnd_ = 0;
    DiskFailure failure_ = DiskFailure::None;
};

}  // namespace

PosixFileSystem::PosixFileSystem(DriveMap drives, std::string clientFolder)
    : drives_(std::move(drives)) {
    if (clientFolder.empty() || clientFolder.front() != '/') {
        clientFolder = currentFolder() + "/" + clientFolder;
    }
    std::vector<std::string_view> parts;
    appendComponents(parts, clientFolder, [](char c) { return c == '/'; });
    for (auto part : parts)
        clientFolder_.append("/").append(part);
    if (clientFolder_.empty()) clientFolder_ = "/";
}

std::optional<PosixFileSystem::Resolved> PosixFileSystem::resolve(std::string_view path) const {
    if (path.find('\0') != std::string_view::npos) return std::nullopt;

    Resolved resolved;
    std::vector<std::string_view> parts;
    std::string_view rest = path;
    if (path.size() >= 2 && isDriveLetter(path[0]) && path[1] == ':') {
        resolved.root = drives_.folder(path[0]);
        if (resolved.root.empty()) return std::nullopt;
        rest = path.substr(2);
    } else if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        return std::nullopt;  // a network share or a device: no host folder stands for it
    } else {
        // No drive: relative to the client's folder, or from the top of the host for "\x",
        // which on the client's own drive names the drive's top.
        resolved.root = "/";
        if (path.empty() || !isSeparator(path[0])) {
            appendComponents(parts, clientFolder_, [](char c) { return c == '/'; });
        }
    }
    appendComponents(parts, rest, isSeparator);

    resolved.folderForm = !path.empty() && isSeparator(path.back());
    resolved.host = resolved.root;
    for (auto part : parts) {
        if (resolved.host.back() != '/') resolved.host += '/';
        resolved.host.append(part);
    }
    if (resolved.folderForm && resolved.host.back() != '/') resolved.host += '/';
    return resolved;
}

std::string PosixFileSystem::hostPath(std::string_view path) const {
    auto resolved = resolve(path);
    return resolved ? resolved->host : std::string();
}

std::string PosixFileSystem::windowsPath(std::string_view hostPath) const {
    char rootLetter = 0;
    for (char letter : drives_.letters()) {
        if (drives_.folder(letter) == "/") rootLetter = letter;  // the last one: Z: if mapped
    }
    if (rootLetter == 0 || hostPath.find('\0') != std::string_view::npos) return {};

    const std::string base = !hostPath.empty() && hostPath.front() == '/' ? "" : currentFolder();
    std::vector<std::string_view> parts;
    appendComponents(parts, base, [](char c) { return c == '/'; });
    appendComponents(parts, hostPath, [](char c) { return c == '/'; });

    std::string result{rootLetter, ':', '\\'};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) result += '\\';
        result.append(parts[i]);
    }
    if (!parts.empty() && !hostPath.empty() && hostPath.back() == '/') result += '\\';
    return result;
}

bool PosixFileSystem::fileExists(std::string_view path) const {
    auto resolved = resolve(path);
    struct stat status {};
    return resolved && ::stat(resolved->host.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool PosixFileSystem::folderExists(std::string_view path) const {
    auto resolved = resolve(path);
    return resolved && isFolder(resolved->host);
}

bool PosixFileSystem::createFolderPath(std::string_view path) {
    auto resolved = resolve(path);
    if (!resolved) return false;
    std::string target = resolved->host;
    if (!resolved->folderForm) {
        target.erase(target.size() > resolved->root.size() ? target.rfind('/') : target.size());
    }
    while (target.size() > 1 && target.back() == '/')
        target.pop_back();
    if (target.empty()) target = "/";

    for (std::size_t slash = target.find('/', 1); slash != std::string::npos;
         slash = target.find('/', slash + 1)) {
        const std::string folder = target.substr(0, slash);
        if (!isFolder(folder) && ::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
            return false;
        }
    }
    if (!isFolder(target) && ::mkdir(target.c_str(), 0777) != 0 && errno != EEXIST) return false;
    return isFolder(target);
}

std::optional<std::string> PosixFileSystem::readFile(std::string_view path) const {
    auto resolved = resolve(path);
    if (!resolved) return std::nullopt;
    Descriptor fd = openRegular(resolved->host, O_RDONLY);
    if (!fd) return std::nullopt;

    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) return bytes;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

bool PosixFileSystem::writeFile(std::string_view path, std::string_view bytes, Privacy privacy) {
    auto resolved = resolve(path);
    if (!resolved) return false;
    const bool ownerOnly = privacy == Privacy::OwnerOnly;
    Descriptor fd =
        openRegular(resolved->host, O_WRONLY | O_CREAT | O_TRUNC, ownerOnly ? 0600 : 0666);
    if (!fd) return false;
    if (ownerOnly) {
        // An existing file keeps its mode through open: tighten it before anything is written.
        struct stat status {};
        if (::fstat(fd.get(), &status) != 0 || ::fchmod(fd.get(), status.st_mode & 0700) != 0) {
            return false;
        }
    }
    return writeAllAt(fd.get(), bytes.data(), bytes.size(), 0);
}

bool PosixFileSystem::deleteFile(std::string_view path) {
    auto resolved = resolve(path);
    return resolved && ::unlink(resolved->host.c_str()) == 0;
}

std::unique_ptr<RandomAccessFile> PosixFileSystem::openReadWrite(std::string_view path) {
    auto resolved = resolve(path);
    if (!resolved) return nullptr;
    Descriptor fd = openRegular(resolved->host, O_RDWR | O_CREAT);
    if (!fd) return nullptr;
    return std::make_unique<PosixRandomAccessFile>(std::move(fd));
}

std::optional<DiskSpace> PosixFileSystem::diskSpace(std::string_view path) const {
    auto resolved = resolve(path);
    if (!resolved) return std::nullopt;
    std::string candidate = resolved->host;
    while (candidate.size() > 1 && candidate.back() == '/')
        candidate.pop_back();
    for (;;) {
        struct statvfs volume {};
        if (::statvfs(candidate.c_str(), &volume) == 0) {
            return DiskSpace{static_cast<std::uint64_t>(volume.f_bavail) * volume.f_frsize,
                             static_cast<std::uint64_t>(volume.f_blocks) * volume.f_frsize};
        }
        if ((errno != ENOENT && errno != ENOTDIR) || candidate.size() <= resolved->root.size()) {
            return std::nullopt;
        }
        candidate.erase(std::max<std::size_t>(candidate.rfind('/'), 1));
    }
}

bool PosixFileSystem::setAttributes(std::string_view path, unsigned attributes) {
    auto resolved = resolve(path);
    if (!resolved) return false;
    char text[16];
    const int length = std::snprintf(text, sizeof text, "0x%X", attributes);
    return ::setxattr(resolved->host.c_str(), kAttributeName, text,
                      static_cast<std::size_t>(length), 0) == 0;
}

std::vector<char> PosixFileSystem::driveLetters() const {
    return drives_.letters();
}

}  // namespace zov::platform
