#pragma once

#include <cstdint>

namespace quillguard {

// How long the transport waits, in milliseconds. Without limits of its own WinHTTP waits for ever
// on a name that does not resolve, and restarts its receive time-out with every piece, so a
// server that trickles a byte now and then would hold the launcher, and its splash, for ever.
struct NetworkLimits {
    // Per step: a name lookup, a connection, sending the request, and each wait for a piece of
    // the answer. Generous for a slow line, short enough that a dead server is reported while
    // the player still looks at the splash.
    std::uint32_t resolveMs = 15'000;
    std::uint32_t connectMs = 15'000;
    std::uint32_t sendMs = 30'000;
    std::uint32_t receiveMs = 30'000;
    // A manifest is a few hundred bytes: its whole answer, headers and body, must arrive within
    // this time, however the server spaces its bytes.
    std::uint32_t fetchDeadlineMs = 60'000;
    // A build may be large and the line slow, so its download has no overall limit; it fails only
    // when fewer than floorBytes arrive within a window (about 1 KiB/s, far below any line that
    // can bring a 64 MiB library in reasonable time, far above a trickle).
    std::uint32_t floorWindowMs = 60'000;
    std::uint64_t floorBytes = 64 * 1024;
};

// Bounds the reading of one answer: an overall deadline (0 for none) and a floor on progress
// (a window of 0 for none), counted from startMs on a clock in milliseconds.
class TransferClock {
  public:
    TransferClock(std::uint32_t receiveMs, std::uint32_t deadlineMs, std::uint32_t floorWindowMs,
                  std::uint64_t floorBytes, std::uint64_t startMs);

    // Counts bytes that had arrived by nowMs; false once the deadline has passed or a window has
    // closed with fewer than floorBytes in it.
    bool Arrived(std::uint64_t bytes, std::uint64_t nowMs);

    // How long the next wait for data may last at nowMs: the receive time-out, cut at the
    // deadline and at the end of the first window that still lacks bytes; 0 when no time is left.
    [[nodiscard]] std::uint32_t WaitMs(std::uint64_t nowMs) const;

  private:
    std::uint32_t receiveMs_;
    std::uint64_t deadline_;  // 0: none
    std::uint32_t windowMs_;  // 0: no floor
    std::uint64_t floorBytes_;
    std::uint64_t windowStart_;
    std::uint64_t windowBytes_ = 0;
};

}  // namespace quillguard
