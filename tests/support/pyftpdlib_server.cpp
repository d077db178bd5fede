#include "support/pyftpdlib_server.hpp"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace zov::test {

PyftpdlibServer::PyftpdlibServer(std::string user, std::string password)
    : user_(std::move(user)), password_(std::move(password)) {
    std::string pattern = (std::filesystem::temp_directory_path() / "zov-ftp-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create the ftp root");
    root_ = pattern + "/";
}

PyftpdlibServer::~PyftpdlibServer() {
    stop();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

void PyftpdlibServer::start() {
    if (running()) return;
    // Debian's interpreter, which has python3-pyftpdlib; the first python3 on PATH may not.
    process_ = std::make_unique<ChildProcess>(std::vector<std::string>{
        "/usr/bin/python3", ZOV_SOURCE_DIR "/tests/peers/ftp_server.py", "--root", root_, "--user",
        user_, "--password", password_, "--port", std::to_string(port_), "--throttle",
        std::to_string(throttle_), "--parent", std::to_string(::getpid())});
    long port = 0;
    process_->readLines([&](const std::string& line) {  // the port, once it listens
        port = std::strtol(line.c_str(), nullptr, 10);
        return true;
    });
    if (port <= 0 || port > 65535) {
        stop();
        throw std::runtime_error("pyftpdlib printed no port");
    }
    port_ = static_cast<std::uint16_t>(port);
}

void PyftpdlibServer::putFile(const std::string& name, const std::string& bytes) const {
    std::ofstream file(root_ + name, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + root_ + name);
}

}  // namespace zov::test
