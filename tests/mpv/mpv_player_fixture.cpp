#include "mpv_player_fixture.hpp"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace zov::test {

namespace fs = std::filesystem;

void MpvPlayerFixture::makeFolder() {
    folder_ = fs::temp_directory_path() / ("zov-mpv-test-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
}

void MpvPlayerFixture::removeFolder() {
    fs::remove_all(folder_);
}

void MpvPlayerFixture::makeMovie(const std::string& name, int seconds) {
    const std::string length = std::to_string(seconds);
    const std::string command =
        "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=duration=" + length +
        ":size=160x120:rate=10 -f lavfi -i sine=frequency=440:duration=" + length +
        " -c:v mpeg4 -c:a aac -shortest -movflags +faststart '" + (folder_ / name).string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << "ffmpeg is needed: scripts/setup installs it";
}

void MpvPlayerFixture::copyStart(const std::string& from, const std::string& to,
                                 std::uintmax_t bytes) {
    std::ifstream in(folder_ / from, std::ios::binary);
    std::string data(bytes, '\0');
    in.read(data.data(), static_cast<std::streamsize>(bytes));
    ASSERT_EQ(static_cast<std::uintmax_t>(in.gcount()), bytes);
    std::ofstream(folder_ / to, std::ios::binary | std::ios::trunc) << data;
}

void MpvPlayerFixture::SetUp() {
    player_ = ui::mpv::MpvMediaPlayer::create(ui::ControlName{}, loop_, files_);
    player_->PlayStateChange.connect([this](int state) { states_.push_back(state); });
    player_->Error.connect([this] { ++errors_; });
}

std::string MpvPlayerFixture::clientPath(const std::string& name) const {
    return files_.windowsPath((folder_ / name).string());
}

bool MpvPlayerFixture::waitFor(int state) {
    return loop_.runUntil([&] { return player_->playState() == state; }, kPatience);
}

}  // namespace zov::test
