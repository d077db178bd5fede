#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.hpp"
#include "platform/error.hpp"
#include "platform/poll_loop.hpp"
#include "platform/unix_window_messages.hpp"
#include "support/temporary_drive.hpp"

using namespace zov::platform;
using zov::test::TemporaryDrive;
using namespace std::chrono_literals;

namespace {

// Two windows' worth of message endpoints in a private folder of their own, as two
// processes would have them: one adapter receives, another posts.
struct UnixMessagesTest : ::testing::Test {
    ManualClock clock;
    PollLoop loop{clock};
    TemporaryDrive drive{"zov-wm"};
    const std::string& folder = drive.root();

    // Receives on hWnd into got.
    static WindowMessages::Receiver into(std::vector<WindowMessage>& got) {
        return [&got](const WindowMessage& record) { got.push_back(record); };
    }
    bool waitFor(const std::vector<WindowMessage>& got, std::size_t count) {
        return loop.runUntil([&] { return got.size() >= count; }, 10s);
    }
    // A socket of a stranger to our record format at handle hWnd's endpoint: connected to it,
    // or bound there as a process that died without cleaning up leaves it.
    int stranger(std::int64_t hWnd, bool bind) {
        const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, (folder + "/" + std::to_string(hWnd)).c_str());
        const auto* at = reinterpret_cast<sockaddr*>(&address);
        EXPECT_EQ(bind ? ::bind(fd, at, sizeof address) : ::connect(fd, at, sizeof address), 0);
        return fd;
    }
};

}  // namespace

TEST_F(UnixMessagesTest,
       OnlyWholeRecordsArriveInOrderAtNegativeAndWideHandlesUntilTheWindowCloses) {
    UnixWindowMessages mainWindow(loop, folder), player(loop, folder);
    std::vector<WindowMessage> atMain, atPlayer;
    mainWindow.listen(-5, [&](const WindowMessage& record) {
        atMain.push_back(record);
        if (record.message == 2) mainWindow.unlisten(-5);  // closes while its messages are read
    });
    player.listen(0x123456789ab, into(atPlayer));
    for (std::size_t size : {10, 40}) {  // too short, too long: not records of ours
        const int fd = stranger(-5, false);
        const char packet[40] = {1, 2, 3};
        ASSERT_EQ(::send(fd, packet, size, MSG_NOSIGNAL), static_cast<ssize_t>(size));
        ::close(fd);
    }
    EXPECT_TRUE(player.post(-5, 0x464, 0x123456789ab, -1));
    EXPECT_TRUE(player.post(-5, 0x536, INT64_MIN, INT64_MAX));
    EXPECT_TRUE(player.post(-5, 2, 0, 0));
    player.post(-5, 3, 0, 0);  // already on its way when the window closes
    EXPECT_TRUE(mainWindow.post(0x123456789ab, 0x404, 300, 0));
    ASSERT_TRUE(waitFor(atMain, 3));
    ASSERT_TRUE(waitFor(atPlayer, 1));
    loop.processPending();

    EXPECT_EQ(atMain, (std::vector<WindowMessage>{
                          {0x464, 0x123456789ab, -1}, {0x536, INT64_MIN, INT64_MAX}, {2, 0, 0}}));
    EXPECT_EQ(atPlayer, (std::vector<WindowMessage>{{0x404, 300, 0}}));
    EXPECT_FALSE(player.post(-5, 4, 0, 0));
}

TEST_F(UnixMessagesTest, AnEndpointLeftByACrashIsTakenOverALiveOneIsNotAndAGoneOneLosesPosts) {
    ::close(stranger(77, true));  // what a process that died without cleaning up leaves
    UnixWindowMessages sender(loop, folder), rival(loop, folder);
    std::vector<WindowMessage> got;
    EXPECT_FALSE(sender.post(77, 0x407, 0, 0));  // nobody behind it
    {
        UnixWindowMessages first(loop, folder);
        first.listen(77, into(got));
        EXPECT_THROW(rival.listen(77, into(got)), zov::Error);  // a live endpoint is kept
        EXPECT_TRUE(sender.post(77, 0x405, 1, 0));
        ASSERT_TRUE(waitFor(got, 1));
    }  // the receiving process ends with its endpoint
    EXPECT_FALSE(sender.post(77, 0x406, 2, 0));
    EXPECT_FALSE(std::filesystem::exists(folder + "/77"));

    // A new receiver under the same handle is reached again, not through the dead connection.
    UnixWindowMessages second(loop, folder);
    second.listen(77, into(got));
    EXPECT_TRUE(sender.post(77, 0x407, 3, 0));
    ASSERT_TRUE(waitFor(got, 2));
    EXPECT_EQ(got.back(), (WindowMessage{0x407, 3, 0}));
    second.unlisten(77);
    EXPECT_FALSE(sender.post(77, 0x407, 4, 0));
}

TEST_F(UnixMessagesTest, AFullQueueLosesPostsWithoutEverWaiting) {
    UnixWindowMessages receiver(loop, folder), sender(loop, folder);
    std::vector<WindowMessage> got;
    receiver.listen(3, into(got));

    // Nobody reads while the sender floods: the queue fills, and posts start to fail at once.
    std::int64_t delivered = 0;
    while (sender.post(3, 0x536, delivered, 0)) {
        ++delivered;
        ASSERT_LT(delivered, 1'000'000) << "the queue never filled";
    }
    EXPECT_GT(delivered, 100);  // room for far more than a player ever has in flight

    ASSERT_TRUE(waitFor(got, static_cast<std::size_t>(delivered)));
    loop.processPending();
    ASSERT_EQ(got.size(), static_cast<std::size_t>(delivered));
    EXPECT_EQ(got.back().wParam, delivered - 1);       // all of them, in order
    EXPECT_TRUE(sender.post(3, 0x536, delivered, 0));  // room again once read
}

TEST_F(UnixMessagesTest, AFolderOthersMayEnterIsRefused) {
    ::chmod(folder.c_str(), 0755);
    EXPECT_THROW(UnixWindowMessages(loop, folder), zov::Error);
    const std::string link = folder + "-link";
    ::chmod(folder.c_str(), 0700);
    std::filesystem::create_directory_symlink(folder, link);
    EXPECT_THROW(UnixWindowMessages(loop, link), zov::Error);
    std::filesystem::remove(link);

    UnixWindowMessages made(loop, folder + "/inner");  // a missing folder is made private
    struct stat info {};
    ASSERT_EQ(::stat((folder + "/inner").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}
