#include "runtime/c_timeout.hpp"

#include "platform/event_loop.hpp"
#include "runtime/m_time_out_support.hpp"

namespace zov::runtime {

std::shared_ptr<CTimeout> CTimeout::create(platform::EventLoop& loop, std::int32_t timeOutValue) {
    return std::shared_ptr<CTimeout>(new CTimeout(loop, timeOutValue));
}

CTimeout::CTimeout(platform::EventLoop& loop, std::int32_t timeOutValue)
    : loop_(loop), timeOutValue_(timeOutValue) {}

CTimeout::~CTimeout() {
    if (identifier_ != 0) MTimeOutSupport::UnregisterTimer(loop_, identifier_);
}

void CTimeout::StartTimer() {
    if (timeOutValue_ <= 0) return;
    if (identifier_ == 0) {
        identifier_ = MTimeOutSupport::RegisterTimer(loop_, timeOutValue_, weak_from_this());
    } else {
        MTimeOutSupport::ResetTimer(loop_, identifier_, timeOutValue_, weak_from_this());
    }
}

void CTimeout::StopTimer() {
    if (identifier_ != 0) MTimeOutSupport::UnregisterTimer(loop_, identifier_);
}

void CTimeout::Reset() {
    // A timer that was never started has nothing to re-arm; it simply starts.
    if (identifier_ == 0) {
        StartTimer();
        return;
    }
    MTimeOutSupport::ResetTimer(loop_, identifier_, timeOutValue_, weak_from_this());
}

bool CTimeout::running() const {
    return identifier_ != 0 && loop_.hasTimer(identifier_);
}

void CTimeout::RaiseTimeOut() {
    auto self = shared_from_this();  // the handler may drop the last other reference
    TimeOut();
}

}  // namespace zov::runtime
