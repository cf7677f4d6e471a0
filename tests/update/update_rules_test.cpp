#include "update/update_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace quillguard {
namespace {

TEST(UpdateRulesTest, AcceptsTheSameOrANewerVersionAndRefusesAnOlderOne) {
    const struct {
        std::uint64_t version;
        std::optional<std::uint64_t> before;
        bool acceptable;
    } cases[] = {
        {0, std::nullopt, true},
        {5, 5, true},
        {6, 5, true},
        {4, 5, false},
        {UINT64_MAX, UINT64_MAX, true},
        {UINT64_MAX - 1, UINT64_MAX, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsVersionAcceptable(c.version, c.before), c.acceptable) << c.version;
    }
}

TEST(UpdateRulesTest, ReadsOnlyWholeValidUtcTimes) {
    const std::pair<std::string, std::optional<std::int64_t>> cases[] = {
        {"1970-01-01T00:00:00Z", 0},
        {"2024-02-29T23:59:59Z", 1709251199},
        {"2027-01-31T00:00:00Z", 1801353600},
        {"2023-02-29T00:00:00Z", std::nullopt},  // not a leap year
        {"2100-02-29T00:00:00Z", std::nullopt},
        {"2027-04-31T00:00:00Z", std::nullopt},
        {"2027-01-31T24:00:00Z", std::nullopt},
        {"2027-01-31T00:00:60Z", std::nullopt},
        {"2027-01-31T00:00:00", std::nullopt},
        {"+027-01-31T00:00:00Z", std::nullopt},
    };
    for (const auto& [text, seconds] : cases) {
        const auto parsed = ParseUtcTime(text);
        EXPECT_EQ(parsed ? std::optional(parsed->time_since_epoch().count()) : std::nullopt,
                  seconds)
            << text;
    }
}

// Launchers of two servers never share a record; the same server's launchers do.
TEST(UpdateRulesTest, NamesTheRecordAfterTheServerAndThePath) {
    const std::string path = "/launcher/manifest.json";
    EXPECT_EQ(AcceptedVersionName("https://a.example.com", path),
              L"UpdateVersion https://a.example.com/launcher/manifest.json");
    EXPECT_NE(AcceptedVersionName("https://a.example.com:8443", path),
              AcceptedVersionName("https://a.example.com", path));
}

TEST(UpdateRulesTest, ExpiresOnlyMoreThanADayPastExpires) {
    constexpr std::chrono::sys_seconds kAt{std::chrono::seconds(1801353600)};  // 2027-01-31
    const struct {
        std::optional<std::string> expires;
        std::chrono::sys_seconds now;
        bool expired;
    } cases[] = {
        {"2027-01-31T00:00:00Z", kAt + std::chrono::seconds(86400), false},
        {"2027-01-31T00:00:00Z", kAt + std::chrono::seconds(86401), true},
        {"2027-01-31", kAt - std::chrono::days(365), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HasExpired(c.expires, c.now), c.expired)
            << c.expires.value_or("-") << c.now.time_since_epoch().count();
    }
}

}  // namespace
}  // namespace quillguard
