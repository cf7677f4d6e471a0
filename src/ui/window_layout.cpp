#include "ui/window_layout.h"

#include "ui/eula_text.h"

namespace quillguard {
namespace {

constexpr int kEulaWidth = 500;
constexpr int kEulaHeight = 400;

// WS_CHILD | WS_VISIBLE: a plain static text (SS_LEFT) or push button (BS_PUSHBUTTON) adds 0.
constexpr std::uint32_t kVisibleChild = 0x50000000;
// WS_VSCROLL | ES_READONLY | ES_AUTOVSCROLL | ES_MULTILINE: no horizontal scrolling, so the long
// lines wrap at the box's width.
constexpr std::uint32_t kAgreementBox = kVisibleChild | 0x00200844;
constexpr std::uint32_t kClientEdge = 0x00000200;

}  // namespace

int ScaleForDpi(int length, int dpi) {
    const long long scaled = static_cast<long long>(length) * dpi;
    const long long half = kDefaultDpi / 2;
    return static_cast<int>((scaled >= 0 ? scaled + half : scaled - half) / kDefaultDpi);
}

WindowRect CentredOnScreen(int screenWidth, int screenHeight, int width, int height) {
    return {screenWidth / 2 - width / 2, screenHeight / 2 - height / 2, width, height};
}

WindowRect EulaWindowRect(int screenWidth, int screenHeight, int dpi) {
    return CentredOnScreen(screenWidth, screenHeight, ScaleForDpi(kEulaWidth, dpi),
                           ScaleForDpi(kEulaHeight, dpi));
}

const std::array<EulaControl, kEulaControlCount>& EulaControls() {
    static const std::array<EulaControl, kEulaControlCount> controls{{
        {L"STATIC",
         L"To install QuillGuard you must accept the terms of the EULA:",
         0,
         kVisibleChild,
         {10, 10, 460, 20}},
        {L"EDIT", EulaText().data(), kClientEdge, kAgreementBox, {10, 35, 460, 280}},
        {L"BUTTON", L"I Accept", 0, kVisibleChild, {280, 330, 90, 25}},
        {L"BUTTON", L"Cancel", 0, kVisibleChild, {380, 330, 90, 25}},
    }};
    return controls;
}

WindowRect ScaledRect(const WindowRect& rect, int dpi) {
    return {ScaleForDpi(rect.x, dpi), ScaleForDpi(rect.y, dpi), ScaleForDpi(rect.width, dpi),
            ScaleForDpi(rect.height, dpi)};
}

}  // namespace quillguard
