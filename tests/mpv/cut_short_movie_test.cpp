// A movie whose data stops before its length (a download still under way, a file cut short
// on disk) must not look watched: running out of data is an Error and the player pauses
// where it was, its length still the whole movie's, so the client asks the viewer to wait
// and keeps the bookmark. Play goes on from there once more has arrived.

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "mpv_player_fixture.hpp"

namespace zov {
namespace {

namespace fs = std::filesystem;
using test::kPatience;
using namespace ui;

constexpr double kLength = 12;

class CutShortMovieTest : public test::MpvPlayerFixture {
  protected:
    static void SetUpTestSuite() {
        makeFolder();
        makeMovie("movie.mp4", static_cast<int>(kLength));
        copyStart("movie.mp4", "half.mp4", fs::file_size(folder() / "movie.mp4") / 2);
    }
    static void TearDownTestSuite() { removeFolder(); }

    bool waitForErrorOrEnd(int errorsBefore) {
        return loop_.runUntil(
            [&] { return errors_ > errorsBefore || player_->playState() == wmppsMediaEnded; },
            kPatience);
    }
    // Plays the cut-short `name` into its missing part; the position where it stopped.
    double playUntilTheDataRunsOut(const std::string& name) {
        player_->setURL(clientPath(name));
        EXPECT_TRUE(waitFor(wmppsPlaying));
        player_->setCurrentPosition(kLength / 3);  // the data runs out about half way
        EXPECT_TRUE(waitForErrorOrEnd(0));
        return player_->currentPosition();
    }
};

TEST_F(CutShortMovieTest, PlayingOrSeekingIntoTheMissingPartRaisesErrorAndPausesThere) {
    const double stoppedAt = playUntilTheDataRunsOut("half.mp4");
    loop_.processPending();
    EXPECT_EQ(errors_, 1);
    EXPECT_EQ(states_, (std::vector<int>{wmppsTransitioning, wmppsPlaying, wmppsPaused}));
    EXPECT_GT(stoppedAt, kLength / 3);
    EXPECT_LT(stoppedAt, kLength * 3 / 4);
    EXPECT_NEAR(player_->duration(), kLength, 0.3);
    EXPECT_FALSE(player_->currentPositionString().empty());

    // The client's pause after the error changes nothing; there is no picture to enlarge.
    player_->pause();
    player_->setFullScreen(true);
    EXPECT_FALSE(player_->fullScreen());
    EXPECT_EQ(states_.size(), 3u);

    // Back to what is on disk, it plays.
    player_->setCurrentPosition(1.0);
    EXPECT_EQ(player_->currentPosition(), 1.0);
    player_->play();
    ASSERT_TRUE(waitFor(wmppsPlaying));
    EXPECT_LT(player_->currentPosition(), kLength / 3);

    // A seek past the data while playing, and playing on with nothing more arrived, fail
    // the same way, staying where the viewer asked to be.
    player_->setCurrentPosition(kLength * 3 / 4);
    ASSERT_TRUE(waitForErrorOrEnd(1));
    player_->play();
    ASSERT_TRUE(waitForErrorOrEnd(2));
    EXPECT_EQ(errors_, 3);
    EXPECT_EQ(player_->playState(), wmppsPaused);
    // On a busy machine libmpv may still be reopening the file when the error arrives, and
    // the position reads 0 until it has: wait for it (a hang guard, not a time).
    EXPECT_TRUE(loop_.runUntil(
        [&] { return std::abs(player_->currentPosition() - kLength * 3 / 4) <= 0.3; }, kPatience))
        << "stays at " << player_->currentPosition();
    EXPECT_NEAR(player_->duration(), kLength, 0.3);

    // Stopped, it forgets where it was: play starts from the beginning.
    player_->stop();
    EXPECT_EQ(player_->playState(), wmppsStopped);
    EXPECT_EQ(player_->currentPosition(), 0);
    EXPECT_EQ(player_->duration(), 0);
    player_->play();
    ASSERT_TRUE(waitFor(wmppsPlaying));
    EXPECT_LT(player_->currentPosition(), kLength / 3);
    EXPECT_EQ(errors_, 3);
    EXPECT_EQ(std::ranges::count(states_, wmppsMediaEnded), 0);
}

TEST_F(CutShortMovieTest, PlayGoesOnFromWhereItStoppedOnceTheRestHasArrived) {
    copyStart("movie.mp4", "arriving.mp4", fs::file_size(folder() / "movie.mp4") / 2);
    const double stoppedAt = playUntilTheDataRunsOut("arriving.mp4");
    ASSERT_EQ(errors_, 1);

    copyStart("movie.mp4", "arriving.mp4", fs::file_size(folder() / "movie.mp4"));
    player_->play();
    ASSERT_TRUE(waitFor(wmppsPlaying));
    EXPECT_NEAR(player_->currentPosition(), stoppedAt, 1.0);

    player_->setCurrentPosition(kLength - 1);
    ASSERT_TRUE(waitForErrorOrEnd(1));
    EXPECT_EQ(player_->playState(), wmppsMediaEnded);
    EXPECT_EQ(errors_, 1);
    EXPECT_NEAR(player_->currentPosition(), kLength, 0.3);
}

}  // namespace
}  // namespace zov
