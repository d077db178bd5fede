#include "runtime/kill_process.hpp"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <vector>

#include "platform/clock.hpp"
#include "platform/poll_loop.hpp"
#include "platform/proc_process_table.hpp"
#include "platform/spawn_process_launcher.hpp"
#include "support/temporary_drive.hpp"

using namespace zov::platform;
using zov::runtime::KillProcessById;
using zov::runtime::KillProcessByName;

namespace {

// Real children, started as the client starts its player: copies of sleep named after this
// test run ("zovtest<pid>player.exe"), so nothing but the test's own children can match.
struct KillProcessTest : ::testing::Test {
    zov::test::TemporaryDrive drive{"zov-kill"};
    const std::string& folder = drive.root();
    std::string player = "zovtest" + std::to_string(::getpid()) + "player.exe";
    std::vector<pid_t> started;
    ProcProcessTable table;
    ManualClock clock;
    PollLoop loop{clock};
    SpawnProcessLauncher launcher{loop};

    void TearDown() override {
        for (pid_t pid : started) {
            if (launcher.running(pid) && ::kill(pid, SIGKILL) == 0) ::waitpid(pid, nullptr, 0);
        }
    }

    pid_t start(const std::string& name) {
        const std::string path = folder + "/" + name;
        std::filesystem::copy_file("/bin/sleep", path,
                                   std::filesystem::copy_options::skip_existing);
        return started.emplace_back(launcher.start(path, {path, "60"}));
    }

    // Whether the child has ended (within a 10 s hang guard, never a delay: it would sleep
    // a minute), left for its parent to collect.
    static bool ended(pid_t pid) {
        pollfd ended{static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)), POLLIN, 0};
        const bool gone = ended.fd >= 0 && ::poll(&ended, 1, 10000) == 1;
        if (ended.fd >= 0) ::close(ended.fd);
        return gone;
    }
};

}  // namespace

TEST_F(KillProcessTest, ProcessesWhoseNameEndsWithTheNameOrWithTheIdAreEndedAndCollected) {
    const pid_t first = start(player);
    const pid_t second = start(player);
    const pid_t longer = start("xyz" + player);
    const pid_t bystander = start(player + ".bak");

    auto listed = table.process(longer);  // the program and owner, as the rules match them
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->uid, ::getuid());
    EXPECT_EQ(listed->executablePath, folder + "/xyz" + player);
    // A child's start-up name settles a moment after its program does; ours is settled.
    auto self = table.process(::getpid());
    ASSERT_TRUE(self);
    EXPECT_EQ(self->argv0, program_invocation_name);
    EXPECT_EQ(self->commandName, std::string(program_invocation_short_name).substr(0, 15));

    listed->startTime -= 1;  // as if the listed process ended and its pid was given again
    EXPECT_FALSE(table.terminate(*listed));
    listed->pid = 0;  // signals to 0 and -1 would reach whole groups of processes
    EXPECT_FALSE(table.terminate(*listed));
    listed->pid = -1;
    EXPECT_FALSE(table.terminate(*listed));
    EXPECT_TRUE(launcher.running(longer));

    EXPECT_TRUE(KillProcessByName(table, "ZOVTEST" + std::to_string(::getpid()) + "PLAYER.EXE"));
    EXPECT_TRUE(ended(first) && ended(second) && ended(longer));
    EXPECT_FALSE(KillProcessByName(table, ""));  // every name ends with nothing
    EXPECT_TRUE(launcher.running(bystander));

    EXPECT_FALSE(KillProcessById(table, ::getpid(), 0));
    EXPECT_TRUE(KillProcessById(table, bystander, 0));
    ASSERT_TRUE(ended(bystander));
    launcher.reap();
    EXPECT_EQ(launcher.outstanding(), 0u);
    EXPECT_EQ(::waitpid(bystander, nullptr, WNOHANG), -1);  // no zombie left behind
}

namespace {

// Processes of several owners; records what it is asked to end.
struct FakeProcessTable : ProcessTable {
    std::vector<ProcessInfo> list;
    std::vector<std::int32_t> terminated;

    std::vector<ProcessInfo> processes() const override { return list; }
    std::optional<ProcessInfo> process(std::int32_t pid) const override {
        const auto found =
            std::find_if(list.begin(), list.end(), [&](auto& p) { return p.pid == pid; });
        return found == list.end() ? std::nullopt : std::optional(*found);
    }
    bool terminate(const ProcessInfo& process) override {
        terminated.push_back(process.pid);
        return true;
    }
    std::int32_t currentProcessId() const override { return 100; }
    std::uint32_t currentUserId() const override { return 1000; }
};

}  // namespace

TEST(KillProcessRules, OnlyTheCallersOwnProcessesAreEverEnded) {
    FakeProcessTable fake;
    fake.list = {
        {100, 1000, 1, "/opt/zov/zovplayer1.exe", "", ""},  // the caller itself
        {200, 0, 1, "/opt/zov/zovplayer1.exe", "", ""},     // other users' copies
        {201, 1001, 1, "", "", "zovplayer1.exe"},
        {300, 1000, 1, "/usr/bin/wine-preloader", "C:\\zov\\ZOVPLAYER1.EXE", ""},
        {301, 1000, 1, "", "", "zovplayer1.exe"},
        {302, 1000, 1, "/home/ann/zov/zovplayer1.exe.old", "", ""},
    };
    EXPECT_TRUE(KillProcessByName(fake, "zovplayer1.exe"));
    EXPECT_EQ(fake.terminated, (std::vector<std::int32_t>{300, 301}));

    fake.terminated.clear();
    EXPECT_FALSE(KillProcessById(fake, 200, 0));
    fake.list = {fake.list[1]};  // only another user's copy is running
    EXPECT_FALSE(KillProcessByName(fake, "zovplayer1.exe"));
    EXPECT_TRUE(fake.terminated.empty());
}
