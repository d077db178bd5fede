// zov-desktop: the whole client on the desktop front end (Qt windows, our pages in web
// views, the movie drawn by libmpv into the main window). "zov" starts it in its own place
// when no --headless is given; it takes the same options, plus --geometry.

#include <QApplication>
#include <QWidget>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "client_folders.hpp"
#include "client_run.hpp"
#include "desktop_options.hpp"
#include "platform/clock.hpp"
#include "platform/drive_map.hpp"
#include "platform/posix_file_system.hpp"
#include "ui/desktop/desktop_browser.hpp"
#include "ui/desktop/desktop_flash_movie.hpp"
#include "ui/desktop/desktop_media_player.hpp"
#include "ui/desktop/desktop_ui_factory.hpp"
#include "ui/desktop/qt_event_loop.hpp"
#include "ui/desktop/web_engine_setup.hpp"

namespace {

using namespace zov;

int runDesktopClient(const DesktopOptions& options, const ClientFolders& folders, int argc,
                     char** argv) {
    // The movie gets the GL: our pages are simple and draw in software, so WebEngine and
    // libmpv never both drive GL in this one process (with Mesa's software GL, as on a
    // machine without a GPU, that crashed libmpv's output). A setting already given wins.
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 0);
    setenv("QT_QUICK_BACKEND", "software", 0);
    // libmpv draws into an X11 window: under Wayland, Qt goes through XWayland when it can.
    if (std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "xcb", 0);
    ui::desktop::prepareWebEngine();
    // The video region is a native window of its own; its siblings (the skin's web view)
    // must stay in the window's own surface, where WebEngine draws.
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    // Qt reads none of our options: they are not its own.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication application(qtArgc, argv);
    application.setApplicationName("ZOV");

    platform::MonotonicClock clock;
    ui::desktop::QtEventLoop loop(clock);
    platform::PosixFileSystem fileSystem(platform::DriveMap::fromSystem(), folders.client);

    ui::desktop::DesktopUiFactory::Makers makers{
        .flashMovie = [&](QWidget* window,
                          ui::ControlName name) -> std::shared_ptr<ui::FlashMovie> {
            return ui::desktop::makeFlashMovie(window, std::move(name), loop, fileSystem);
        },
        // The guide's two browsers, the playlist's and the banner: pages drawn by WebEngine,
        // read through their mirrors.
        .browser = [&](QWidget* window, ui::ControlName name) -> std::shared_ptr<ui::Browser> {
            return ui::desktop::makeBrowser(window, std::move(name), loop, fileSystem);
        },
        .mediaPlayer = [&](QWidget* window,
                           ui::ControlName name) -> std::shared_ptr<ui::MediaPlayerControl> {
            return ui::desktop::makeMediaPlayer(window, std::move(name), loop, fileSystem);
        },
    };
    ui::desktop::DesktopUiFactory ui(loop, fileSystem, std::move(makers), options.screen);
    return runClient(loop, fileSystem, ui,
                     {folders.client, folders.programFiles, options.remote, options.versionServer,
                      options.authPort, "desktop", "zov"});
}

}  // namespace

int main(int argc, char** argv) {
    std::string problem;
    const auto options = zov::parseDesktopOptions({argv + 1, argv + argc}, problem);
    if (!options) {
        std::cerr << "zov: " << problem << "\n";
        return 2;
    }
    if (!zov::hasDisplay()) {
        std::cerr << "zov: no display to open the desktop client on; run zov --headless, or "
                     "the desktop client under xvfb-run\n";
        return 2;
    }
    // Made here rather than by zov, so that nothing is written without a display.
    const auto folders = zov::clientFoldersOfThisProcess(options->clientDir, problem);
    if (folders) problem = zov::prepareClientFolder(*folders);
    if (!problem.empty()) {
        std::cerr << "zov: " << problem << "\n";
        return 1;
    }
    return runDesktopClient(*options, *folders, argc, argv);
}
