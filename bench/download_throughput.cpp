// Downloads the same file of random bytes from the same local FTP server with the download
// engine in this process and with the curl command-line tool, in alternating rounds, checks
// both copies byte for byte and prints the rates, their ratio and what the engine's rewrite
// of its side file after every block costs.
//
//   build/bin/download_throughput [MiB] [--rounds N] [--server vsftpd|pyftpdlib]
//
// vsftpd (the default) served fastest here; pyftpdlib runs ftp_server_for_bench.py beside
// this file. Scratch files go to a new folder under $TMPDIR (default /tmp): point TMPDIR at
// a tmpfs such as /dev/shm to leave the disk out of the figures.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.hpp"
#include "config/media_info.hpp"
#include "net/brevicast.hpp"
#include "platform/cares_resolver.hpp"
#include "platform/clock.hpp"
#include "platform/drive_map.hpp"
#include "platform/error.hpp"
#include "platform/poll_loop.hpp"
#include "platform/posix_file_system.hpp"

extern char** environ;

using namespace zov;
using SteadyClock = std::chrono::steady_clock;

namespace {

const char* const kMovie = "movie";
const char* const kExtension = ".wmv";
constexpr std::size_t kChunk = 1 << 20;

double secondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

double megabytesPerSecond(std::int64_t bytes, double seconds) {
    return seconds > 0 ? static_cast<double>(bytes) / seconds / 1e6 : 0.0;
}

using bench::median;

// ---- scratch files and child processes, removed at the end, on failure and on a signal --

// Set up before the signal handlers are installed; the handlers only read it.
struct Leftovers {
    bench::ScratchPaths paths;
    volatile pid_t server = 0;
    volatile pid_t curl = 0;
};
Leftovers leftovers;

void stopChild(volatile pid_t& pid) {
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        pid = 0;
    }
}

// The server's sessions run in its process group; this process adopts those the listener
// leaves behind (it is a subreaper), so none stays as a zombie nobody collects.
void stopServer() {
    const pid_t group = leftovers.server;
    if (group <= 0) return;
    ::kill(-group, SIGTERM);
    while (::waitpid(-group, nullptr, 0) > 0) {
    }
    leftovers.server = 0;
}

void removeLeftovers() {
    stopChild(leftovers.curl);
    stopServer();
    leftovers.paths.remove();
}

extern "C" void onSignal(int signal) {
    removeLeftovers();
    ::_exit(128 + signal);
}

struct Scratch {
    std::string root;
    std::string served;  // the server's root: holds the source file
    std::string engine;  // the engine's movie folder
    std::string curl;    // curl's output folder
    std::string empty;   // vsftpd's empty folder for its unprivileged processes
    std::string vsftpdConfig() const { return root + "/vsftpd.conf"; }
    std::string source() const { return served + "/" + kMovie + kExtension; }
    std::string engineCopy() const { return engine + "/" + kMovie + kExtension; }
    std::string curlCopy() const { return curl + "/" + kMovie + kExtension; }
    std::string sideFileTrial() const { return engine + "/side-file-trial.ini"; }

    Scratch() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp && *tmp ? tmp : "/tmp") + "/zov-download-bench.XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a scratch folder under " + pattern);
        root = pattern;
        served = root + "/served";
        engine = root + "/engine";
        curl = root + "/curl";
        empty = root + "/empty";
        leftovers.paths.files = {source(),   engineCopy(),    engineCopy() + ".ini",
                                 curlCopy(), sideFileTrial(), vsftpdConfig()};
        leftovers.paths.folders = {served, engine, curl, empty, root};
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
            ::signal(signal, onSignal);
        // Open to the server's unprivileged user; the source is random bytes, nothing secret.
        ::chmod(root.c_str(), 0755);
        for (const auto& folder : {served, engine, curl, empty}) {
            if (::mkdir(folder.c_str(), 0755) != 0) {
                removeLeftovers();  // no destructor runs for a constructor that throws
                throw std::runtime_error("cannot create " + folder);
            }
        }
    }
    ~Scratch() { removeLeftovers(); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
};

// Random bytes from a fast generator: compressing or deduplicating layers cannot help.
void writeRandomFile(const std::string& path, std::int64_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw std::runtime_error("cannot create " + path);
    std::mt19937_64 generator(std::random_device{}());
    std::vector<std::uint64_t> block(kChunk / sizeof(std::uint64_t));
    bool ok = true;
    for (std::int64_t left = size; left > 0 && ok;) {
        for (auto& word : block)
            word = generator();
        const std::size_t count = static_cast<std::size_t>(std::min<std::int64_t>(left, kChunk));
        ok = std::fwrite(block.data(), 1, count, file) == count;
        left -= static_cast<std::int64_t>(count);
    }
    // On disk, the source's write-back must not compete with the first download.
    ok = std::fflush(file) == 0 && ::fdatasync(::fileno(file)) == 0 && ok;
    if (std::fclose(file) != 0 || !ok || ::chmod(path.c_str(), 0644) != 0)
        throw std::runtime_error("cannot write " + path);
}

bool sameBytes(const std::string& a, const std::string& b) {
    std::ifstream left(a, std::ios::binary), right(b, std::ios::binary);
    std::vector<char> x(kChunk), y(kChunk);
    while (left && right) {
        left.read(x.data(), static_cast<std::streamsize>(x.size()));
        right.read(y.data(), static_cast<std::streamsize>(y.size()));
        if (left.gcount() != right.gcount() ||
            std::memcmp(x.data(), y.data(), static_cast<std::size_t>(left.gcount())) != 0) {
            return false;
        }
    }
    return left.eof() && right.eof();
}

std::vector<char*> argumentVector(const std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (const auto& word : words)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    return argv;
}

// ---- the server ---------------------------------------------------------------------------

struct Server {
    std::string name;
    int port = 0;
    std::string user;
    std::string password;
};

// A server process dies with this one, even when this one is killed outright.
pid_t spawnServer(const std::vector<std::string>& words, int stdoutFd) {
    std::vector<char*> argv = argumentVector(words);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("cannot start " + words[0]);
    if (pid == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(1);
        if (stdoutFd >= 0) ::dup2(stdoutFd, STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::setpgid(pid, pid);  // either side may run first
    return pid;
}

// The script picks a free port itself and prints it once it listens.
Server startPyftpdlib(const Scratch& scratch) {
    const std::string script =
        (std::filesystem::path(__FILE__).parent_path() / "ftp_server_for_bench.py").string();
    if (!std::filesystem::exists(script))
        throw std::runtime_error("the server script is missing: " + script);
    Server server{"pyftpdlib", 0, "user", "pass"};
    int fromServer[2];
    if (::pipe2(fromServer, O_CLOEXEC) != 0) throw std::runtime_error("cannot create a pipe");
    leftovers.server = spawnServer(
        {"/usr/bin/python3", script, scratch.served, server.user, server.password}, fromServer[1]);
    ::close(fromServer[1]);
    std::string line;
    char c = 0;
    while (::read(fromServer[0], &c, 1) == 1 && c != '\n')
        line += c;
    ::close(fromServer[0]);
    server.port = std::atoi(line.c_str());
    if (server.port <= 0 || server.port > 65535)
        throw std::runtime_error("pyftpdlib did not start (is python3-pyftpdlib installed?)");
    return server;
}

int freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

bool accepting(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool connected =
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

// vsftpd runs in the foreground with its own configuration: loopback only, anonymous
// read-only access to the served folder, passive data ports wherever vsftpd finds one free
// (0 is its "no range"), no logs; the system's configuration and service stay untouched.
// It cannot pick its own port, so a port that was free a moment ago is tried, again with
// another one should vsftpd find it taken.
Server startVsftpd(const Scratch& scratch) {
    const char* const binary = "/usr/sbin/vsftpd";
    if (!std::filesystem::exists(binary))
        throw std::runtime_error("vsftpd is not installed (Debian package vsftpd)");
    if (::geteuid() != 0)
        throw std::runtime_error("vsftpd must be started as root; use --server pyftpdlib");
    Server server{"vsftpd", 0, "anonymous", "bench"};
    for (int attempt = 0; attempt < 3; ++attempt) {
        server.port = freeLoopbackPort();
        std::ofstream config(scratch.vsftpdConfig());
        config << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port="
               << server.port << "\nbackground=NO\n"
               << "anonymous_enable=YES\nno_anon_password=NO\nanon_root=" << scratch.served
               << "\nlocal_enable=NO\nwrite_enable=NO\n"
               << "secure_chroot_dir=" << scratch.empty << "\n"
               << "port_enable=NO\npasv_enable=YES\npasv_min_port=0\npasv_max_port=0\n"
               << "xferlog_enable=NO\nsyslog_enable=NO\n";
        config.close();
        if (!config) throw std::runtime_error("cannot write " + scratch.vsftpdConfig());
        leftovers.server = spawnServer({binary, scratch.vsftpdConfig()}, -1);
        for (int tries = 0; tries < 500; ++tries) {
            if (::waitpid(leftovers.server, nullptr, WNOHANG) == leftovers.server) {
                leftovers.server = 0;  // it gave up, most likely on a port taken meanwhile
                break;
            }
            if (accepting(server.port)) return server;
            ::usleep(10000);
        }
        stopServer();
    }
    throw std::runtime_error("vsftpd did not start");
}

// ---- the two downloads ----------------------------------------------------------------------

// A side file the engine keeps open and overwrites in place, with the time it takes.
class TimedFile final : public platform::RandomAccessFile {
  public:
    TimedFile(std::unique_ptr<platform::RandomAccessFile> file, double& seconds)
        : file_(std::move(file)), seconds_(seconds) {}
    bool seek(std::int64_t position) override {
        return timed([&] { return file_->seek(position); });
    }
    bool write(const void* data, std::size_t size) override {
        return timed([&] { return file_->write(data, size); });
    }
    std::optional<std::int64_t> size() const override { return file_->size(); }
    bool truncate(std::int64_t size) override { return file_->truncate(size); }
    bool syncData() override {
        return timed([&] { return file_->syncData(); });
    }
    platform::DiskFailure failure() const override { return file_->failure(); }

  private:
    template <class Call>
    bool timed(Call call) {
        const auto start = SteadyClock::now();
        const bool done = call();
        seconds_ += secondsSince(start);
        return done;
    }
    std::unique_ptr<platform::RandomAccessFile> file_;
    double& seconds_;
};

// The real file system, with a stopwatch on the engine's side-file writes (".ini"): the
// first of a transfer through writeFile, the rest in place through the open file.
class SideFileStopwatch final : public platform::FileSystem {
  public:
    explicit SideFileStopwatch(platform::FileSystem& disk) : disk_(disk) {}
    double seconds = 0;

    bool writeFile(std::string_view path, std::string_view bytes,
                   platform::Privacy privacy) override {
        if (!path.ends_with(".ini")) return disk_.writeFile(path, bytes, privacy);
        const auto start = SteadyClock::now();
        const bool written = disk_.writeFile(path, bytes, privacy);
        seconds += secondsSince(start);
        return written;
    }
    std::string hostPath(std::string_view path) const override { return disk_.hostPath(path); }
    std::string windowsPath(std::string_view host) const override {
        return disk_.windowsPath(host);
    }
    bool fileExists(std::string_view path) const override { return disk_.fileExists(path); }
    bool folderExists(std::string_view path) const override { return disk_.folderExists(path); }
    bool createFolderPath(std::string_view path) override { return disk_.createFolderPath(path); }
    std::optional<std::string> readFile(std::string_view path) const override {
        return disk_.readFile(path);
    }
    bool deleteFile(std::string_view path) override { return disk_.deleteFile(path); }
    std::unique_ptr<platform::RandomAccessFile> openReadWrite(std::string_view path) override {
        auto file = disk_.openReadWrite(path);
        if (!file || !path.ends_with(".ini")) return file;
        return std::make_unique<TimedFile>(std::move(file), seconds);
    }
    std::optional<platform::DiskSpace> diskSpace(std::string_view path) const override {
        return disk_.diskSpace(path);
    }
    bool setAttributes(std::string_view path, unsigned attributes) override {
        return disk_.setAttributes(path, attributes);
    }
    std::vector<char> driveLetters() const override { return disk_.driveLetters(); }

  private:
    platform::FileSystem& disk_;
};

struct EngineRun {
    double toLastByte = 0;
    double toDownloaded = 0;
    std::int64_t blocks = 0;
    double sideFileSeconds = 0;  // inside the download
};

EngineRun downloadWithEngine(platform::FileSystem& disk, const std::string& folder,
                             const Server& server, std::int32_t size) {
    SideFileStopwatch fs(disk);
    platform::MonotonicClock clock;
    platform::PollLoop loop(clock);
    platform::CaresResolver resolver(loop, {.lookups = "f"});
    auto engine = net::Brevicast::create(loop, resolver, fs);
    engine->setServerURL("127.0.0.1");
    engine->setPort(server.port);
    engine->setAccount(server.user);
    engine->setPass(server.password);
    config::MediaInfo media;
    media.setRemoteFileName(kMovie);
    media.setFileExtension(kExtension);

    EngineRun run;
    std::optional<std::string> failure;
    const auto start = SteadyClock::now();
    engine->onDownloading.connect([&](std::int32_t& bytes) {
        ++run.blocks;
        if (bytes == size) run.toLastByte = secondsSince(start);
    });
    engine->onDownloaded.connect([&] {
        run.toDownloaded = secondsSince(start);
        loop.quit();
    });
    engine->onError.connect([&](std::int32_t& code) {
        failure = "the engine reported error " + std::to_string(code);
        loop.quit();
    });
    engine->onTimeOut.connect([&] {
        failure = "the engine timed out";
        loop.quit();
    });
    engine->downloadNoTrickle(media, fs.windowsPath(folder + "/"));
    if (!failure && run.toDownloaded == 0) loop.run();
    if (failure) throw std::runtime_error(*failure);
    run.sideFileSeconds = fs.seconds;
    return run;
}

double downloadWithCurl(const std::string& file, const Server& server) {
    const std::string url = "ftp://" + server.user + ":" + server.password +
                            "@127.0.0.1:" + std::to_string(server.port) + "/" + kMovie + kExtension;
    // No proxy from the environment: the download stays on loopback.
    const std::vector<std::string> words{"curl", "-s", "--noproxy", "*", "-o", file, url};
    std::vector<char*> argv = argumentVector(words);
    const auto start = SteadyClock::now();
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start curl");
    leftovers.curl = pid;
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double seconds = secondsSince(start);
    leftovers.curl = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("curl failed with status " + std::to_string(status));
    return seconds;
}

// Rewrites one side file as often as the engine did, with counts of the same length.
double timeSideFileRewrites(platform::FileSystem& fs, const std::string& path, std::int64_t count,
                            std::int64_t size) {
    const std::string windowsPath = fs.windowsPath(path);
    const std::int64_t step = std::max<std::int64_t>(1, size / std::max<std::int64_t>(1, count));
    const auto start = SteadyClock::now();
    for (std::int64_t i = 1; i <= count; ++i) {
        if (!fs.writeFile(windowsPath, std::to_string(i * step) + "\r\n\r\n"))
            throw std::runtime_error("cannot write " + path);
    }
    const double seconds = secondsSince(start);
    fs.deleteFile(windowsPath);
    return seconds;
}

void removeCopy(const std::string& path) {
    ::unlink(path.c_str());
    ::unlink((path + ".ini").c_str());
}

int run(std::int64_t mebibytes, int rounds, const std::string& serverName) {
    const std::int64_t size = mebibytes << 20;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each round shows as it ends, also in a log
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    Scratch scratch;
    std::printf("download_throughput: %lld MiB of random bytes, %d round(s), files in %s\n",
                static_cast<long long>(mebibytes), rounds, scratch.root.c_str());
    writeRandomFile(scratch.source(), size);
    const Server server = serverName == "vsftpd" ? startVsftpd(scratch) : startPyftpdlib(scratch);
    std::ifstream loadFile("/proc/loadavg");
    std::string load;
    loadFile >> load;
    std::printf("server: %s on 127.0.0.1:%d; load average %s\n", server.name.c_str(), server.port,
                load.c_str());

    platform::PosixFileSystem fs(platform::DriveMap::fromSystem(), scratch.root);
    std::vector<EngineRun> engineRuns;
    std::vector<double> curlRuns;
    for (int round = 1; round <= rounds; ++round) {
        // Alternating who goes first spreads the machine's other load over both.
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn == 0) == (round % 2 == 1)) {
                engineRuns.push_back(downloadWithEngine(fs, scratch.engine, server,
                                                        static_cast<std::int32_t>(size)));
                if (!sameBytes(scratch.source(), scratch.engineCopy()))
                    throw std::runtime_error("the engine's copy differs from the source");
                removeCopy(scratch.engineCopy());
            } else {
                curlRuns.push_back(downloadWithCurl(scratch.curlCopy(), server));
                if (!sameBytes(scratch.source(), scratch.curlCopy()))
                    throw std::runtime_error("curl's copy differs from the source");
                removeCopy(scratch.curlCopy());
            }
        }
        const EngineRun& e = engineRuns.back();
        std::printf(
            "round %d: engine %.3f s to last byte, %.3f s to onDownloaded, %lld blocks;"
            " curl %.3f s; both copies identical\n",
            round, e.toLastByte, e.toDownloaded, static_cast<long long>(e.blocks), curlRuns.back());
    }

    std::vector<double> toLastByte, toDownloaded, blocks, sideFileInside;
    for (const auto& e : engineRuns) {
        toLastByte.push_back(e.toLastByte);
        toDownloaded.push_back(e.toDownloaded);
        blocks.push_back(static_cast<double>(e.blocks));
        sideFileInside.push_back(e.sideFileSeconds);
    }
    const double engineDone = median(toDownloaded), engineLast = median(toLastByte);
    const double curl = median(curlRuns);
    std::printf("median of %d round(s):\n", rounds);
    std::printf("  engine, start to onDownloaded : %8.1f MB/s (%.3f s)\n",
                megabytesPerSecond(size, engineDone), engineDone);
    std::printf("  engine, start to last byte    : %8.1f MB/s (%.3f s)\n",
                megabytesPerSecond(size, engineLast), engineLast);
    std::printf("  curl                          : %8.1f MB/s (%.3f s)\n",
                megabytesPerSecond(size, curl), curl);
    std::printf("  ratio engine/curl             : %8.2f to onDownloaded, %.2f to last byte\n",
                curl / engineDone, curl / engineLast);

    const auto blockCount = static_cast<std::int64_t>(median(blocks));
    const double separate = timeSideFileRewrites(fs, scratch.sideFileTrial(), blockCount, size);
    std::printf("side file, counted after each of %lld blocks (%lld bytes a block on average):\n",
                static_cast<long long>(blockCount), static_cast<long long>(size / blockCount));
    auto share = [&](const char* label, double seconds) {
        std::printf("  %-32s: %.3f s, %.1f us per block, %.1f%% of the time to last byte\n", label,
                    seconds, seconds / static_cast<double>(blockCount) * 1e6,
                    seconds / engineLast * 100);
    };
    share("in place, inside the download", median(sideFileInside));
    share("truncating rewrites, for compare", separate);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::int64_t mebibytes = 1024;
    int rounds = 3;
    std::string server = "vsftpd";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::atoi(argv[++i]);
        } else if (arg == "--server" && i + 1 < argc) {
            server = argv[++i];
        } else {
            mebibytes = std::atoll(argv[i]);
        }
    }
    // The engine counts bytes in 32 bits.
    if (mebibytes < 1 || mebibytes > 2047 || rounds < 1 ||
        (server != "vsftpd" && server != "pyftpdlib")) {
        std::fprintf(stderr,
                     "usage: download_throughput [MiB, 1-2047, default 1024] [--rounds N, "
                     "default 3] [--server vsftpd|pyftpdlib, default vsftpd]\n");
        return 2;
    }
    try {
        return run(mebibytes, rounds, server);
    } catch (const Error& e) {
        std::fprintf(stderr, "download_throughput: %s (%s)\n", e.description().c_str(),
                     e.source().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "download_throughput: %s\n", e.what());
    }
    return 1;
}
