#include "net/transfer_clock.h"

#include <algorithm>

namespace quillguard {

TransferClock::TransferClock(std::uint32_t receiveMs, std::uint32_t deadlineMs,
                             std::uint32_t floorWindowMs, std::uint64_t floorBytes,
                             std::uint64_t startMs)
    : receiveMs_(receiveMs),
      deadline_(deadlineMs == 0 ? 0 : startMs + deadlineMs),
      windowMs_(floorWindowMs),
      floorBytes_(floorBytes),
      windowStart_(startMs) {}

bool TransferClock::Arrived(std::uint64_t bytes, std::uint64_t nowMs) {
    if (deadline_ != 0 && nowMs >= deadline_) {
        return false;
    }
    if (windowMs_ != 0) {
        // Every window that closed before these bytes arrived must have had its share.
        while (nowMs >= windowStart_ + windowMs_) {
            if (windowBytes_ < floorBytes_) {
                return false;
            }
            windowStart_ += windowMs_;
            windowBytes_ = 0;
        }
    }
    windowBytes_ += bytes;
    return true;
}

std::uint32_t TransferClock::WaitMs(std::uint64_t nowMs) const {
    std::uint64_t until = nowMs + receiveMs_;
    if (deadline_ != 0) {
        until = std::min(until, deadline_);
    }
    if (windowMs_ != 0) {
        // A window that has its share already can wait into the next one, which must then
        // have its own.
        const std::uint64_t windows = windowBytes_ < floorBytes_ ? 1 : 2;
        until = std::min(until, windowStart_ + windows * windowMs_);
    }
    return until > nowMs ? static_cast<std::uint32_t>(until - nowMs) : 0;
}

}  // namespace quillguard
