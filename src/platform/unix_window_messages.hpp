#pragma once
// Window messages between processes of one user over Unix domain sockets. Each handle that
// receives has a listening sequenced-packet socket named after the handle ("-5", "4242") in
// a private folder ($XDG_RUNTIME_DIR/zov, or a folder given for tests). A post is one
// fixed-size packet on a connection kept per target handle; packets keep their order and are
// never split. Nothing waits: a full queue or a missing endpoint loses the post.

#include <map>
#include <memory>
#include <string>

#include "platform/window_messages.hpp"

namespace zov::platform {

class EventLoop;

class UnixWindowMessages final : public WindowMessages {
  public:
    // An empty folder means the default one. The folder is created when missing and must be
    // a real folder of the calling user that nobody else may enter; otherwise zov::Error.
    explicit UnixWindowMessages(EventLoop& loop, std::string folder = {});
    ~UnixWindowMessages() override;
    UnixWindowMessages(const UnixWindowMessages&) = delete;
    UnixWindowMessages& operator=(const UnixWindowMessages&) = delete;

    // $XDG_RUNTIME_DIR/zov, or /tmp/zov-<uid> on a host without a runtime folder.
    static std::string defaultFolder();

    bool post(MessageTarget target, std::uint32_t message, std::int64_t wParam,
              std::int64_t lParam) override;
    void listen(MessageTarget target, Receiver receiver) override;
    void unlisten(MessageTarget target) override;

    const std::string& folder() const { return folder_; }

  private:
    struct Endpoint;

    std::string endpointPath(MessageTarget target) const;
    int connectTo(MessageTarget target);
    void dropConnection(MessageTarget target);
    void acceptWaiting(const std::shared_ptr<Endpoint>& endpoint);
    void readWaiting(const std::shared_ptr<Endpoint>& endpoint, int connection);
    void closeEndpoint(Endpoint& endpoint);

    EventLoop& loop_;
    std::string folder_;
    std::map<MessageTarget, std::shared_ptr<Endpoint>> endpoints_;
    std::map<MessageTarget, int> connections_;  // outgoing, one per target handle
};

}  // namespace zov::platform
