#include "platform/memory_file_system.hpp"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace zov::platform {

namespace {

constexpr std::string_view kHostRootOfDrives = "/zov-memory/";

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isRoot(const std::string& key) {
    return key.size() == 2;
}

bool endsInSeparator(std::string_view path) {
    return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

}  // namespace

struct MemoryFileSystem::FileData {
    std::string bytes;
    Privacy privacy = Privacy::Normal;
    unsigned attributes = 0;
};

// Shares the file's bytes, so a file deleted while open stays writable to its holder, as
// on a POSIX disk.
class MemoryFileSystem::OpenFile final : public RandomAccessFile {
  public:
    OpenFile(std::shared_ptr<FileData> data, std::shared_ptr<const DiskFailure> writeFailure)
        : data_(std::move(data)), writeFailure_(std::move(writeFailure)) {}

    bool seek(std::int64_t position) override {
        if (position < 0) return false;
        position_ = static_cast<std::size_t>(position);
        return true;
    }
    bool write(const void* data, std::size_t size) override {
        if (refused()) return false;
        auto& bytes = data_->bytes;
        if (bytes.size() < position_ + size) bytes.resize(position_ + size, '\0');
        if (size > 0) std::memcpy(bytes.data() + position_, data, size);
        position_ += size;
        return true;
    }
    std::optional<std::int64_t> size() const override {
        return static_cast<std::int64_t>(data_->bytes.size());
    }
    bool truncate(std::int64_t size) override {
        if (size < 0 || refused()) return false;
        data_->bytes.resize(static_cast<std::size_t>(size), '\0');
        return true;
    }
    bool syncData() override { return !refused(); }
    DiskFailure failure() const override { return failure_; }

  private:
    bool refused() {
        if (*writeFailure_ == DiskFailure::None) return false;
        failure_ = *writeFailure_;
        return true;
    }

    std::shared_ptr<FileData> data_;
    std::shared_ptr<const DiskFailure> writeFailure_;
    std::size_t position_ = 0;
    DiskFailure failure_ = DiskFailure::None;
};

MemoryFileSystem::MemoryFileSystem(std::string_view clientFolder) {
    drives_['C'] = kDefaultDiskSpace;
    drives_['Z'] = kDefaultDiskSpace;
    if (clientFolder.size() < 2 || !isLetter(clientFolder[0]) || clientFolder[1] != ':') {
        throw std::invalid_argument("MemoryFileSystem: the client folder needs a drive");
    }
    drives_.try_emplace(upper(clientFolder[0]), kDefaultDiskSpace);
    clientFolder_ = *normalize(clientFolder);
    createFolderPath(clientFolder_ + "\\");
}

MemoryFileSystem::~MemoryFileSystem() = default;

void MemoryFileSystem::mapDrive(char letter, DiskSpace space) {
    drives_[upper(letter)] = space;
}

void MemoryFileSystem::setDiskSpace(char letter, DiskSpace space) {
    mapDrive(letter, space);
}

std::optional<std::string> MemoryFileSystem::normalize(std::string_view path) const {
    if (path.empty()) return std::nullopt;
    std::string text(path);
    std::replace(text.begin(), text.end(), '/', '\\');

    char drive = 0;
    std::string rest;
    if (text.size() >= 2 && isLetter(text[0]) && text[1] == ':') {
        drive = upper(text[0]);
        rest = text.substr(2);
    } else if (text[0] == '\\') {
        drive = clientFolder_[0];
        rest = text;
    } else {
        drive = clientFolder_[0];
        rest = clientFolder_.substr(2) + "\\" + text;
    }
    if (!drives_.contains(drive)) return std::nullopt;

    std::vector<std::string_view> parts;
    std::string_view remaining = rest;
    while (!remaining.empty()) {
        const auto end = std::min(remaining.find('\\'), remaining.size());
        const auto part = remaining.substr(0, end);
        remaining.remove_prefix(std::min(end + 1, remaining.size()));
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();  // ".." at the root stays there
            continue;
        }
        parts.push_back(part);
    }
    std::string key{drive, ':'};
    for (const auto part : parts) {
        key += '\\';
        key += part;
    }
    return key;
}

bool MemoryFileSystem::parentFolderExists(const std::string& key) const {
    if (isRoot(key)) return false;
    const auto parent = key.substr(0, key.rfind('\\'));
    return isRoot(parent) || folders_.contains(parent);
}

std::optional<Privacy> MemoryFileSystem::privacy(std::string_view path) const {
    const auto key = normalize(path);
    if (!key) return std::nullopt;
    const auto it = files_.find(*key);
    if (it == files_.end()) return std::nullopt;
    return it->second->privacy;
}

std::optional<unsigned> MemoryFileSystem::attributes(std::string_view path) const {
    const auto key = normalize(path);
    if (!key) return std::nullopt;
    if (const auto it = files_.find(*key); it != files_.end()) return it->second->attributes;
    if (!folderExists(*key)) return std::nullopt;
    const auto it = folderAttributes_.find(*key);
    return it == folderAttributes_.end() ? 0u : it->second;
}

std::string MemoryFileSystem::hostPath(std::string_view path) const {
    const auto key = normalize(path);
    if (!key) return {};
    std::string rest = key->substr(2);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    if ((*key)[0] == 'Z') return rest.empty() ? "/" : rest;
    return std::string(kHostRootOfDrives) + lower((*key)[0]) + rest;
}

std::string MemoryFileSystem::windowsPath(std::string_view hostPath) const {
    std::string host(hostPath);
    if (host.empty() || host[0] != '/') host.insert(0, "/");  // the memory world's cwd is "/"
    for (const auto& [letter, space] : drives_) {
        if (letter == 'Z') continue;
        const std::string root = std::string(kHostRootOfDrives) + lower(letter);
        if (host == root || host.starts_with(root + "/")) {
            host = host.substr(root.size());
            std::replace(host.begin(), host.end(), '/', '\\');
            return std::string{letter, ':'} + (host.empty() ? "\\" : host);
        }
    }
    std::replace(host.begin(), host.end(), '/', '\\');
    return "Z:" + host;
}

bool MemoryFileSystem::fileExists(std::string_view path) const {
    const auto key = normalize(path);
    return key && files_.contains(*key);
}

bool MemoryFileSystem::folderExists(std::string_view path) const {
    const auto key = normalize(path);
    return key && (isRoot(*key) || folders_.contains(*key));
}

bool MemoryFileSystem::createFolderPath(std::string_view path) {
    auto key = normalize(path);
    if (!key) return false;
    // As on Windows, the part after the last separator names a file and is not created.
    if (!endsInSeparator(path)) key = key->substr(0, std::max<std::size_t>(2, key->rfind('\\')));
    if (isRoot(*key)) return true;
    std::size_t end = 2;  // the separator after "C:"
    do {
        end = key->find('\\', end + 1);
        const auto prefix = key->substr(0, end);
        if (files_.contains(prefix)) return false;
        folders_.insert(prefix);
    } while (end != std::string::npos);
    return true;
}

std::optional<std::string> MemoryFileSystem::readFile(std::string_view path) const {
    const auto key = normalize(path);
    if (!key) return std::nullopt;
    const auto it = files_.find(*key);
    if (it == files_.end()) return std::nullopt;
    return it->second->bytes;
}

bool MemoryFileSystem::writeFile(std::string_view path, std::string_view bytes, Privacy privacy) {
    const auto key = normalize(path);
    if (!key || endsInSeparator(path) || folders_.contains(*key) || !parentFolderExists(*key))
        return false;
    if (*writeFailure_ != DiskFailure::None) return false;
    auto& file = files_[*key];
    if (!file) file = std::make_shared<FileData>();
    file->bytes.assign(bytes);
    file->privacy = privacy;
    return true;
}

bool MemoryFileSystem::deleteFile(std::string_view path) {
    const auto key = normalize(path);
    return key && files_.erase(*key) > 0;
}

std::unique_ptr<RandomAccessFile> MemoryFileSystem::openReadWrite(std::string_view path) {
    const auto key = normalize(path);
    if (!key || endsInSeparator(path) || folders_.contains(*key) || !parentFolderExists(*key))
        return nullptr;
    auto& file = files_[*key];
    if (!file) file = std::make_shared<FileData>();
    return std::make_unique<OpenFile>(file, writeFailure_);
}

std::optional<DiskSpace> MemoryFileSystem::diskSpace(std::string_view path) const {
    const auto key = normalize(path);
    if (!key) return std::nullopt;
    return drives_.at((*key)[0]);
}

bool MemoryFileSystem::setAttributes(std::string_view path, unsigned attributes) {
    const auto key = normalize(path);
    if (!key) return false;
    if (const auto it = files_.find(*key); it != files_.end()) {
        it->second->attributes = attributes;
        return true;
    }
    if (!folders_.contains(*key)) return false;
    folderAttributes_[*key] = attributes;
    return true;
}

std::vector<char> MemoryFileSystem::driveLetters() const {
    std::vector<char> letters;
    for (const auto& [letter, space] : drives_)
        letters.push_back(letter);
    return letters;
}

}  // namespace zov::platform
