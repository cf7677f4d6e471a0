// The transport's logic that needs no network: reading Content-Range, how long each wait for
// data may last, and which way a session finds its proxy.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "net/content_range.h"
#include "net/proxy_choice.h"
#include "net/transfer_clock.h"

namespace quillguard {
namespace {

TEST(ProxyChoiceTest, FollowsThePlayersSettingsWhereTheSystemDoesNot) {
    const UserProxySettings none;
    UserProxySettings named;
    named.proxy = L"proxy.school:3128";
    UserProxySettings detect = named;
    detect.autoDetect = true;
    UserProxySettings script;
    script.autoConfigUrl = L"http://wpad/proxy.pac";
    const std::tuple<bool, std::optional<UserProxySettings>, ProxyMode> cases[] = {
        {true, std::nullopt, ProxyMode::Automatic}, {false, std::nullopt, ProxyMode::Default},
        {false, none, ProxyMode::Default},          {false, named, ProxyMode::Named},
        {false, detect, ProxyMode::PerRequest},     {false, script, ProxyMode::PerRequest},
    };
    for (const auto& [automatic, user, mode] : cases) {
        EXPECT_EQ(ChooseProxyMode(automatic, user), mode) << automatic;
    }
}

TEST(ContentRangeTest, ReadsOnlyASatisfiedRangeOfBytes) {
    // first-last/length as read ("*" as 0), or "none".
    const std::pair<std::wstring, std::string> cases[] = {
        {L"bytes 600-999/1000", "600-999/1000"},
        {L"bytes 5-9/*", "5-9/0"},
        {L"bytes 0-18446744073709551614/18446744073709551615",
         "0-18446744073709551614/18446744073709551615"},
        {L"bytes 0-1/18446744073709551616", "none"},
        {L"bytes */1000", "none"},
        {L"bytes 9-5/1000", "none"},
        {L"bytes 0-1000/1000", "none"},
        {L"items 600-999/1000", "none"},
        {L"bytes 600-999/1000 ", "none"},
    };
    for (const auto& [header, read] : cases) {
        const auto range = ParseContentRange(header);
        EXPECT_EQ(range ? std::to_string(range->first) + "-" + std::to_string(range->last) + "/" +
                              std::to_string(range->length.value_or(0))
                        : "none",
                  read);
    }
}

TEST(TransferClockTest, CutsEachWaitAtTheDeadlineAndAtAWindowThatLacksBytes) {
    // Receive 10 s, a deadline of 25 s or a floor of 100 bytes per 20 s window, from 1 s on;
    // bytes arrive at the given times, then the next wait is asked for (0: the transfer fails).
    using Arrivals = std::vector<std::pair<std::uint64_t, std::uint64_t>>;
    const std::tuple<const char*, std::uint32_t, std::uint32_t, Arrivals, std::uint64_t,
                     std::uint32_t>
        cases[] = {
            {"no limit but the receive time-out", 0, 0, {{500'000, 1}}, 500'000, 10'000},
            {"before the deadline", 25'000, 0, {{21'000, 1}}, 21'000, 5'000},
            {"at the deadline", 25'000, 0, {{26'000, 1}}, 26'000, 0},
            {"a window short of bytes", 0, 20'000, {{1'000, 99}}, 15'000, 6'000},
            {"a full window waits into the next", 0, 20'000, {{2'000, 100}}, 35'000, 6'000},
            {"a window closed short", 0, 20'000, {{2'000, 99}, {21'000, 1}}, 21'000, 0},
            {"an empty window", 0, 20'000, {{5'000, 100}, {45'000, 100}}, 45'000, 0},
            {"a steady trickle of enough",
             0,
             20'000,
             {{5'000, 60}, {15'000, 60}, {25'000, 60}, {35'000, 60}, {45'000, 60}},
             45'000,
             10'000},
        };
    for (const auto& [what, deadlineMs, windowMs, arrivals, at, waitMs] : cases) {
        TransferClock clock(10'000, deadlineMs, windowMs, 100, 1'000);
        bool goesOn = true;
        for (const auto& [time, bytes] : arrivals) {
            goesOn = clock.Arrived(bytes, time);
        }
        EXPECT_EQ(goesOn ? clock.WaitMs(at) : 0, waitMs) << what;
    }
}

}  // namespace
}  // namespace quillguard
