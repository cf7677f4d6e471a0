#include "update/update_rules.h"

namespace quillguard {
namespace {

// Reads exactly count decimal digits at text[at].
std::optional<unsigned> Digits(std::string_view text, std::size_t at, std::size_t count) {
    unsigned value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    return value;
}

}  // namespace

bool IsVersionAcceptable(std::uint64_t version, std::optional<std::uint64_t> acceptedBefore) {
    return !acceptedBefore || version >= *acceptedBefore;
}

std::wstring AcceptedVersionName(std::string_view server, std::string_view path) {
    std::wstring name = L"UpdateVersion ";
    for (const std::string_view part : {server, path}) {
        for (const char c : part) {
            name.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        }
    }
    return name;
}

std::optional<std::chrono::sys_seconds> ParseUtcTime(std::string_view text) {
    using namespace std::chrono;
    constexpr std::string_view kShape = "0000-00-00T00:00:00Z";
    if (text.size() != kShape.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        if (kShape[i] != '0' && text[i] != kShape[i]) {
            return std::nullopt;
        }
    }
    const auto yearDigits = Digits(text, 0, 4);
    const auto monthDigits = Digits(text, 5, 2);
    const auto dayDigits = Digits(text, 8, 2);
    const auto hour = Digits(text, 11, 2);
    const auto minute = Digits(text, 14, 2);
    const auto second = Digits(text, 17, 2);
    if (!yearDigits || !monthDigits || !dayDigits || !hour || !minute || !second || *hour > 23 ||
        *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    const year_month_day date{year{static_cast<int>(*yearDigits)}, month{*monthDigits},
                              day{*dayDigits}};
    if (!date.ok()) {
        return std::nullopt;
    }
    return sys_days{date} + hours{*hour} + minutes{*minute} + seconds{*second};
}

bool HasExpired(const std::optional<std::string>& expires, std::chrono::sys_seconds now) {
    if (!expires) {
        return false;
    }
    const auto at = ParseUtcTime(*expires);
    return !at || now - *at > kExpiryClockSlack;
}

}  // namespace quillguard
