// N clients log in to one zov-service at the same moment and each downloads the same movie
// with the download engine, all on one event loop in this process while the service runs
// in its own. Prints, per N, the total rate, the fastest and slowest client and the CPU
// each side used, and checks every copy byte for byte against the served file; a failed
// client or a differing copy makes the exit status 1.
//
//   build/bin/service_load [N ...] [--mib M] [--ramp MS] [--service PATH]
//                          [--idle COUNT] [--open-files LIMIT]
//       # defaults: N = 10 50 100, each a run of its own with a fresh service; 20 MiB;
//       # all clients at once (--ramp spreads their starts evenly over MS milliseconds);
//       # the zov-service beside this program; no idle connections; the service inherits
//       # this program's limit of open files
//
// With --idle, COUNT connections from 127.0.0.2 are opened to the delivery server before
// the clients start and held, silent, until the run ends; the service's CPU over the
// three seconds before the clients start shows whether it spins. --open-files sets the
// service's soft and hard limit of open files.
//
// Scratch files go to a new folder under $TMPDIR (default /tmp): TMPDIR=/dev/shm leaves
// the disk out of the figures.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
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
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.hpp"
#include "config/delivery_server_info.hpp"
#include "config/media_info.hpp"
#include "config/player_properties.hpp"
#include "net/auth_session.hpp"
#include "net/auth_session_host.hpp"
#include "net/brevicast.hpp"
#include "platform/cares_resolver.hpp"
#include "platform/clock.hpp"
#include "platform/drive_map.hpp"
#include "platform/error.hpp"
#include "platform/http_client.hpp"
#include "platform/poll_loop.hpp"
#include "platform/posix_file_system.hpp"

using namespace zov;
using SteadyClock = std::chrono::steady_clock;

namespace {

const char* const kMovie = "movie";
const char* const kExtension = ".wmv";
const char* const kDistributor = "bench";
const char* const kOwnVersion = "5.3.135";
constexpr std::int64_t kWatchdogMs = 10 * 60 * 1000;

double secondsBetween(SteadyClock::time_point from, SteadyClock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

std::string userName(int client) {
    char name[16];
    std::snprintf(name, sizeof name, "user%03d", client);
    return name;
}

// ---- scratch files and the service, removed at the end, on failure and on a signal ----

// Set up before the signal handlers are installed; the handlers only read it.
struct Leftovers {
    bench::ScratchPaths paths;
    volatile pid_t service = 0;
};
Leftovers leftovers;

void stopService() {
    const pid_t pid = leftovers.service;
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    leftovers.service = 0;
}

void removeLeftovers() {
    stopService();
    leftovers.paths.remove();
}

extern "C" void onSignal(int signal) {
    removeLeftovers();
    ::_exit(128 + signal);
}

struct Scratch {
    std::string root;
    std::string movies;   // the service's movie folder
    std::string clients;  // one movie folder per client below it
    std::string source() const { return movies + "/" + kMovie + kExtension; }
    std::string subscribers() const { return root + "/subscribers.txt"; }
    std::string settings() const { return root + "/zov.ini"; }
    std::string clientFolder(int client) const { return clients + "/" + userName(client); }
    std::string copy(int client) const { return clientFolder(client) + "/" + kMovie + kExtension; }

    explicit Scratch(int maxClients) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zov-service-load.XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a scratch folder under " + pattern);
        root = pattern;
        movies = root + "/movies";
        clients = root + "/clients";
        leftovers.paths.files = {source(), subscribers(), settings()};
        for (int client = 1; client <= maxClients; ++client) {
            leftovers.paths.files.push_back(copy(client));
            leftovers.paths.files.push_back(copy(client) + ".ini");
            leftovers.paths.folders.push_back(clientFolder(client));
        }
        leftovers.paths.folders.insert(leftovers.paths.folders.end(), {clients, movies, root});
        for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
            ::signal(signal, onSignal);
        for (const auto& folder : {movies, clients}) {
            if (::mkdir(folder.c_str(), 0700) != 0) {
                removeLeftovers();  // no destructor runs for a constructor that throws
                throw std::runtime_error("cannot create " + folder);
            }
        }
    }
    ~Scratch() { removeLeftovers(); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
};

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path);
}

// Random bytes from a fast generator: nothing on the way can compress or share them.
std::string randomBytes(std::int64_t size) {
    std::mt19937_64 generator(std::random_device{}());
    std::string bytes(static_cast<std::size_t>(size), '\0');
    for (std::size_t i = 0; i < bytes.size(); i += sizeof(std::uint64_t)) {
        const std::uint64_t word = generator();
        std::memcpy(bytes.data() + i, &word, std::min(sizeof word, bytes.size() - i));
    }
    return bytes;
}

std::optional<std::string> readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return std::nullopt;
    return bytes;
}

// ---- the service ----------------------------------------------------------------------------

struct ServicePorts {
    int auth = 0, ftp = 0, http = 0;
};

// The service dies with this process, even when this one is killed outright. It says its
// ports on its standard output once every server listens.
// `openFiles` > 0 sets its soft and hard limit of open files.
ServicePorts startService(const std::string& binary, const Scratch& scratch,
                          const std::vector<std::string>& extra, rlim_t openFiles) {
    int fromService[2];
    if (::pipe2(fromService, O_CLOEXEC) != 0) throw std::runtime_error("cannot create a pipe");
    std::vector<std::string> words{binary, "--movies", scratch.movies, "--subscribers",
                                   scratch.subscribers()};
    words.insert(words.end(), extra.begin(), extra.end());
    const rlimit limit{openFiles, openFiles};
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("cannot start " + binary);
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(1);
        if (openFiles > 0 && ::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::_exit(1);
        ::dup2(fromService[1], STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    leftovers.service = pid;
    ::close(fromService[1]);

    ServicePorts ports;
    std::string output;
    pollfd readable{fromService[0], POLLIN, 0};
    while (!(ports.auth && ports.ftp && ports.http) && ::poll(&readable, 1, 10'000) == 1) {
        char buffer[256];
        const ssize_t got = ::read(fromService[0], buffer, sizeof buffer);
        if (got <= 0) break;
        output.append(buffer, static_cast<std::size_t>(got));
        for (const auto& [name, port] :
             {std::pair{"auth=", &ports.auth}, {"ftp=", &ports.ftp}, {"http=", &ports.http}}) {
            const std::size_t at = output.find(name);
            if (at != std::string::npos && output.find('\n', at) != std::string::npos)
                *port = std::atoi(output.c_str() + at + std::strlen(name));
        }
    }
    ::close(fromService[0]);
    if (!(ports.auth && ports.ftp && ports.http))
        throw std::runtime_error(binary + " did not start");
    return ports;
}

// Silent connections from 127.0.0.2 to one server, held until they go.
class IdleConnections {
  public:
    IdleConnections(int port, int count) {
        sockaddr_in from{}, to{};
        from.sin_family = to.sin_family = AF_INET;
        from.sin_addr.s_addr = htonl(0x7f000002);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        for (int i = 0; i < count; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            if (fd < 0) throw std::runtime_error("out of descriptors for idle connections");
            fds_.push_back(fd);
            if (::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
                (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0 &&
                 errno != EINPROGRESS))
                throw std::runtime_error("cannot connect from 127.0.0.2");
        }
    }
    ~IdleConnections() {
        for (int fd : fds_)
            ::close(fd);
    }
    IdleConnections(const IdleConnections&) = delete;
    IdleConnections& operator=(const IdleConnections&) = delete;

    // How many the server greeted and how many it turned away (a 4xx reply or a close),
    // once it has answered all or five seconds have passed; the rest are unanswered.
    std::pair<int, int> answers() const {
        std::vector<pollfd> waiting;
        for (int fd : fds_)
            waiting.push_back(pollfd{fd, POLLIN, 0});
        int greeted = 0, turnedAway = 0;
        const auto deadline = SteadyClock::now() + std::chrono::seconds(5);
        while (greeted + turnedAway < static_cast<int>(fds_.size()) &&
               SteadyClock::now() < deadline) {
            if (::poll(waiting.data(), waiting.size(), 100) <= 0) continue;
            for (pollfd& p : waiting) {
                if (p.fd < 0 || p.revents == 0) continue;
                char first = 0;
                const ssize_t got = ::recv(p.fd, &first, 1, MSG_PEEK);
                ++(got == 1 && first != '4' ? greeted : turnedAway);
                p.fd = -1;
            }
        }
        return {greeted, turnedAway};
    }

  private:
    std::vector<int> fds_;
};

// User and system CPU seconds of a live process.
double cpuSecondsOf(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const std::size_t end = text.rfind(')');  // the command name may hold spaces
    if (end == std::string::npos) return 0;
    std::istringstream fields(text.substr(end + 2));
    std::string field;
    double ticks = 0;
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index >= 14) ticks += std::atof(field.c_str());  // utime, stime
    }
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

double ownCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Connections the kernel dropped because a listening socket's queue was full, counted
// for the whole machine (TcpExt ListenOverflows); -1 when it cannot be read. A dropped
// connection attempt is retried after 1, 3, 7, 15 and 31 seconds.
std::int64_t listenOverflows() {
    std::ifstream netstat("/proc/net/netstat");
    std::string names, values;
    while (std::getline(netstat, names) && std::getline(netstat, values)) {
        if (names.rfind("TcpExt:", 0) != 0) continue;
        std::istringstream nameWords(names), valueWords(values);
        std::string name, value;
        while (nameWords >> name && valueWords >> value) {
            if (name == "ListenOverflows") return std::atoll(value.c_str());
        }
    }
    return -1;
}

// ---- one client: the login conversation, then one download ------------------------------

// The version server, answered in place: every client is the newest. The check blocks the
// loop it runs on, and here one loop carries every client, so a real round trip would
// make each client wait for all the others' checks; the load under study is the login
// line, the movie list and the download.
class NewestVersionAnswer final : public platform::HttpClient {
  public:
    platform::HttpResponse get(const std::string&, const platform::HttpLimits&) override {
        return {200,
                "<versionControl><product name=\"ZOV Player\" url=\"http://127.0.0.1/\">"
                "<version id=\"" +
                    std::string(kOwnVersion) +
                    "\" newer-than-you=\"no\" require-update=\"no\">"
                    "<modifications>none</modifications><url>http://127.0.0.1/</url>"
                    "</version></product></versionControl>"};
    }
};

struct Shared {
    platform::PollLoop& loop;
    platform::CaresResolver& resolver;
    platform::PosixFileSystem& fs;
    NewestVersionAnswer& versions;
    int unfinished = 0;  // clients neither done nor failed
};

class Client final : public net::AuthSessionHost {
  public:
    Client(Shared& shared, int number, const std::string& settings, const std::string& folder)
        : shared_(shared), number_(number), playerProp_(shared.fs) {
        playerProp_.load(shared.fs.windowsPath(settings));
        playerProp_.setMediaPath(shared.fs.windowsPath(folder));
        engine_ = net::Brevicast::create(shared.loop, shared.resolver, shared.fs);
        engine_->onDownloaded.connect([this] { finish({}); });
        engine_->onError.connect(
            [this](std::int32_t& code) { finish("download error " + std::to_string(code)); });
        engine_->onDownloading.connect([this](std::int32_t& bytes) { bytesSoFar_ = bytes; });
        // Where it stalled tells a server that never answered from a transfer that stopped.
        engine_->onTimeOut.connect([this] {
            finish("download timed out at byte " + std::to_string(bytesSoFar_) +
                   ", command state " +
                   std::string(net::commandStateName(engine_->commandState())));
        });
    }

    void logIn(int authPort) {
        session_ = net::AuthSession::create(shared_.loop, shared_.resolver, playerProp_,
                                            shared_.versions, *this, kOwnVersion);
        session_->setAuthPort(authPort);
        started = SteadyClock::now();
        session_->authUser(kDistributor, userName(number_), "pass" + userName(number_));
    }

    SteadyClock::time_point started, accepted, downloaded;
    std::optional<std::string> failure;
    bool done = false;

  private:
    void displayInfo(const std::string& info) override { status_ = info; }
    bool mainWindowVisible() const override { return sessionUp_; }
    void createMediaPath() override { shared_.fs.createFolderPath(playerProp_.mediaPath()); }
    void loginError() override { finish("login failed: " + status_); }

    // As the download queue does: the first delivery server of the configuration.
    void acceptSession() override {
        if (sessionUp_) return;  // a later list changes nothing here
        sessionUp_ = true;
        accepted = SteadyClock::now();
        const config::DeliveryServerInfo server = playerProp_.getDeliveryServer();
        engine_->setServerURL(server.serverURL());
        engine_->setPort(server.port());
        engine_->setAccount(server.accountName());
        engine_->setPass(server.password());
        config::MediaInfo media;
        media.setRemoteFileName(kMovie);
        media.setFileExtension(kExtension);
        engine_->downloadNoTrickle(media, playerProp_.mediaPath());
    }

    void finish(std::optional<std::string> why) {
        if (done) return;
        done = true;
        downloaded = SteadyClock::now();
        failure = std::move(why);
        if (--shared_.unfinished == 0) shared_.loop.quit();
    }

    Shared& shared_;
    int number_;
    config::PlayerProperties playerProp_;
    std::shared_ptr<net::AuthSession> session_;
    std::shared_ptr<net::Brevicast> engine_;
    std::string status_;
    bool sessionUp_ = false;
    std::int32_t bytesSoFar_ = 0;
};

// ---- one run -------------------------------------------------------------------------------

struct Options {
    std::vector<int> counts;
    std::int64_t mebibytes = 20;
    std::string service;
    std::int64_t rampMs = 0;  // 0: every client starts at once
    int idle = 0;             // silent connections held to the delivery server
    rlim_t openFiles = 0;     // the service's limit of open files; 0: inherited
};

// The clients all come from 127.0.0.1; more than the service lets one address hold (32 by
// default) need a higher limit.
std::vector<std::string> serviceArguments(int clients) {
    if (clients <= 32) return {};
    return {"--max-per-address", std::to_string(clients)};
}

struct Spread {
    double fastest = 0, median = 0, slowest = 0;
};

Spread spreadOf(const std::vector<double>& values) {
    const auto [fastest, slowest] = std::minmax_element(values.begin(), values.end());
    return {*fastest, bench::median(values), *slowest};
}

// "3, 7-12, 15": client numbers in ascending order.
std::string ranges(const std::vector<int>& numbers) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size();) {
        std::size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1)
            ++j;
        if (!text.empty()) text += ", ";
        text += std::to_string(numbers[i]);
        if (j > i) text += "-" + std::to_string(numbers[j]);
        i = j + 1;
    }
    return text;
}

// Starts the clients, all at once or one after another over the ramp.
void startClients(platform::PollLoop& loop, std::vector<std::unique_ptr<Client>>& clients,
                  int authPort, std::int64_t rampMs) {
    if (rampMs <= 0) {
        for (auto& client : clients)
            client->logIn(authPort);
        return;
    }
    const auto key = loop.newTimerKey();
    const auto step = std::max<std::int64_t>(1, rampMs / static_cast<std::int64_t>(clients.size()));
    auto next = std::make_shared<std::size_t>(0);
    auto startNext = [&loop, &clients, authPort, key, next] {
        clients[(*next)++]->logIn(authPort);
        if (*next == clients.size()) loop.killTimer(key);
    };
    startNext();
    if (*next < clients.size()) loop.setTimer(key, step, startNext);
}

// Returns false when a client failed or a copy differs.
bool runClients(int count, const Options& options, const Scratch& scratch,
                const std::string& source) {
    const ServicePorts ports =
        startService(options.service, scratch, serviceArguments(count), options.openFiles);
    std::optional<IdleConnections> idle;
    std::string idleReport;
    if (options.idle > 0) {
        idle.emplace(ports.ftp, options.idle);
        const auto [greeted, turnedAway] = idle->answers();
        const double before = cpuSecondsOf(leftovers.service);
        ::poll(nullptr, 0, 3000);  // the service alone with the idle connections
        const double spent = cpuSecondsOf(leftovers.service) - before;
        char line[256];
        std::snprintf(line, sizeof line,
                      "  %d idle connections to the delivery server: %d greeted, %d turned away, "
                      "%d unanswered; service CPU over the next 3 s: %.2f s (%.0f%%)\n",
                      options.idle, greeted, turnedAway, options.idle - greeted - turnedAway, spent,
                      spent / 3 * 100);
        idleReport = line;
    }

    platform::MonotonicClock clock;
    platform::PollLoop loop(clock);
    platform::CaresResolver resolver(loop, {.lookups = "f"});
    platform::PosixFileSystem fs(platform::DriveMap::fromSystem(), scratch.root);
    NewestVersionAnswer versions;
    Shared shared{loop, resolver, fs, versions, count};

    std::vector<std::unique_ptr<Client>> clients;
    for (int number = 1; number <= count; ++number) {
        clients.push_back(std::make_unique<Client>(shared, number, scratch.settings(),
                                                   scratch.clientFolder(number)));
    }
    // Every failure ends in an event within a minute; this only guards against a hang.
    const auto watchdog = loop.newTimerKey();
    loop.setTimer(watchdog, kWatchdogMs, [&loop] { loop.quit(); });

    const double serviceCpuBefore = cpuSecondsOf(leftovers.service);
    const double ownCpuBefore = ownCpuSeconds();
    const std::int64_t overflowsBefore = listenOverflows();
    const auto begin = SteadyClock::now();
    startClients(loop, clients, ports.auth, options.rampMs);
    loop.run();
    loop.killTimer(watchdog);
    const double serviceCpu = cpuSecondsOf(leftovers.service) - serviceCpuBefore;
    const double ownCpu = ownCpuSeconds() - ownCpuBefore;
    const std::int64_t overflows = listenOverflows() - overflowsBefore;

    SteadyClock::time_point first = SteadyClock::time_point::max(), last = begin;
    std::vector<double> totals, logins;
    std::map<std::string, std::vector<int>> failures;  // reason: clients
    for (int number = 1; number <= count; ++number) {
        const Client& client = *clients[static_cast<std::size_t>(number - 1)];
        if (!client.done) {
            failures["not finished after " + std::to_string(kWatchdogMs / 1000) + " s"].push_back(
                number);
        } else if (client.failure) {
            failures[*client.failure].push_back(number);
        } else {
            first = std::min(first, client.started);
            last = std::max(last, client.downloaded);
            totals.push_back(secondsBetween(client.started, client.downloaded));
            logins.push_back(secondsBetween(client.started, client.accepted));
        }
    }
    clients.clear();  // closes every connection before the service stops
    idle.reset();
    stopService();

    // Each copy is checked, then removed, so a run never holds more copies than clients.
    // Only the copies of finished downloads count; a failed one is incomplete anyway.
    int identical = 0;
    for (int number = 1; number <= count; ++number) {
        const std::string copy = scratch.copy(number);
        bool failed = false;
        for (const auto& [reason, numbers] : failures)
            failed = failed || std::find(numbers.begin(), numbers.end(), number) != numbers.end();
        if (!failed) {
            const std::optional<std::string> bytes = readWhole(copy);
            if (bytes && *bytes == source) {
                ++identical;
            } else {
                failures[bytes ? "the copy differs from the served file" : "the copy is missing"]
                    .push_back(number);
            }
        }
        ::unlink(copy.c_str());
        ::unlink((copy + ".ini").c_str());
        ::rmdir(scratch.clientFolder(number).c_str());
    }

    std::printf("N=%d%s:\n", count,
                options.rampMs > 0
                    ? (", started over " + std::to_string(options.rampMs) + " ms").c_str()
                    : ", all started at once");
    std::fputs(idleReport.c_str(), stdout);
    if (!totals.empty()) {
        const double wall = secondsBetween(first, last);
        const Spread total = spreadOf(totals), login = spreadOf(logins);
        const double bytes =
            static_cast<double>(source.size()) * static_cast<double>(totals.size());
        std::printf("  %zu downloads, %.1f MB in %.3f s: %.1f MB/s in total\n", totals.size(),
                    bytes / 1e6, wall, bytes / wall / 1e6);
        std::printf("  connect to onDownloaded : fastest %.3f s, median %.3f s, slowest %.3f s\n",
                    total.fastest, total.median, total.slowest);
        std::printf("  connect to accepted list: fastest %.3f s, median %.3f s, slowest %.3f s\n",
                    login.fastest, login.median, login.slowest);
    }
    std::printf("  CPU: zov-service %.2f s, clients %.2f s; %d of %d copies identical\n",
                serviceCpu, ownCpu, identical, count);
    if (overflowsBefore >= 0 && overflows > 0) {
        std::printf("  connection attempts dropped on a full listen queue (whole machine): %lld\n",
                    static_cast<long long>(overflows));
    }
    for (const auto& [reason, numbers] : failures) {
        std::printf("  FAILED: %zu client(s): %s (clients %s)\n", numbers.size(), reason.c_str(),
                    ranges(numbers).c_str());
    }
    return failures.empty();
}

// Every client holds an authentication, a control and a data connection and two open
// files; the service about as many. Use whatever the hard limit allows.
void raiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

std::string serviceBesideThisProgram() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? "zov-service" : (self.parent_path() / "zov-service").string();
}

int run(const Options& options) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each run shows as it ends, also in a log
    if (::access(options.service.c_str(), X_OK) != 0)
        throw std::runtime_error("no zov-service at " + options.service + " (use --service PATH)");
    raiseOpenFileLimit();
    const int most = *std::max_element(options.counts.begin(), options.counts.end());
    Scratch scratch(most);

    const std::string source = randomBytes(options.mebibytes << 20);
    writeFile(scratch.source(), source);
    std::string subscribers;
    for (int client = 1; client <= most; ++client)
        subscribers +=
            std::string(kDistributor) + " " + userName(client) + " pass" + userName(client) + "\n";
    writeFile(scratch.subscribers(), subscribers);
    writeFile(scratch.settings(), "ZOVAuthServer.URL=127.0.0.1\r\n");

    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    std::ifstream loadFile("/proc/loadavg");
    std::string load;
    loadFile >> load;
    std::printf("service_load: %lld MiB movie of random bytes, %s, files in %s\n",
                static_cast<long long>(options.mebibytes), options.service.c_str(),
                scratch.root.c_str());
    std::printf("open files allowed: %llu; load average %s\n",
                static_cast<unsigned long long>(files.rlim_cur), load.c_str());

    bool sound = true;
    for (int count : options.counts) {
        for (int client = 1; client <= count; ++client) {
            if (::mkdir(scratch.clientFolder(client).c_str(), 0700) != 0)
                throw std::runtime_error("cannot create " + scratch.clientFolder(client));
        }
        sound = runClients(count, options, scratch, source) && sound;
    }
    return sound ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    options.service = serviceBesideThisProgram();
    bool usable = true;
    for (int i = 1; i < argc && usable; ++i) {
        const std::string arg = argv[i];
        if (arg == "--mib" && i + 1 < argc) {
            options.mebibytes = std::atoll(argv[++i]);
        } else if (arg == "--service" && i + 1 < argc) {
            options.service = argv[++i];
        } else if (arg == "--idle" && i + 1 < argc) {
            options.idle = std::atoi(argv[++i]);
            usable = options.idle >= 0;
        } else if (arg == "--open-files" && i + 1 < argc) {
            const long long files = std::atoll(argv[++i]);
            usable = files >= 16;
            options.openFiles = static_cast<rlim_t>(files);
        } else if (arg == "--ramp" && i + 1 < argc) {
            options.rampMs = std::atoll(argv[++i]);
            usable = options.rampMs >= 0;
        } else {
            const int count = std::atoi(arg.c_str());
            usable = count >= 1 && count <= 999;  // three digits in the user names
            options.counts.push_back(count);
        }
    }
    if (options.counts.empty()) options.counts = {10, 50, 100};
    // The engine counts bytes in 32 bits.
    if (!usable || options.mebibytes < 1 || options.mebibytes > 2047) {
        std::fprintf(stderr,
                     "usage: service_load [N, 1-999, ...; default 10 50 100] [--mib M, 1-2047, "
                     "default 20] [--ramp MS, default 0: all clients at once] [--service PATH, "
                     "default the zov-service beside this program] [--idle COUNT] "
                     "[--open-files LIMIT]\n");
        return 2;
    }
    try {
        return run(options);
    } catch (const Error& e) {
        std::fprintf(stderr, "service_load: %s (%s)\n", e.description().c_str(),
                     e.source().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "service_load: %s\n", e.what());
    }
    return 1;
}
