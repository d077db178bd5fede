#pragma once
// Everything the guide window is built with; none of it is owned, all of it outlives the
// window.

namespace zov::platform {
class EventLoop;
class Resolver;
class FileSystem;
}  // namespace zov::platform
namespace zov::ui {
class UiFactory;
}
namespace zov::runtime {
class Dialogs;
}

namespace zov::guide {

class GuideHost;

struct GuideServices {
    platform::EventLoop& loop;
    platform::Resolver& resolver;
    platform::FileSystem& fileSystem;
    ui::UiFactory& ui;
    runtime::Dialogs& dialogs;
    GuideHost& host;
};

}  // namespace zov::guide
