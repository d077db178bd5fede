#pragma once
// What the windows of the client work with: the event loop and the platform's ports, the
// front end's controls, the client folder and the program's own files. One set for the whole
// process.

#include <functional>
#include <string>

namespace zov::platform {
class EventLoop;
class Resolver;
class FileSystem;
class HttpClient;
class WindowMessages;
class ProcessLauncher;
class ProcessTable;
}  // namespace zov::platform
namespace zov::ui {
class UiFactory;
}

namespace zov::shell {

struct ClientServices {
    platform::EventLoop& loop;
    platform::Resolver& resolver;
    platform::FileSystem& fileSystem;
    platform::HttpClient& http;
    platform::WindowMessages& messages;
    platform::ProcessLauncher& launcher;
    platform::ProcessTable& processes;
    ui::UiFactory& ui;
    std::string clientFolder;  // host path of the program folder: zov.ini, written
    // Host path of the program's own files, only read: the skin, the login and playlist
    // pages, the external player. The client folder too, unless the program is installed.
    std::string programFiles;
    // Ends the process at once (the front end flushes what it must first).
    std::function<void()> endProcess;
};

}  // namespace zov::shell
