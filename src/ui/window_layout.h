#pragma once

#include <array>
#include <cstdint>

namespace quillguard {

struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const WindowRect&) const = default;
};

// The DPI at which the launcher's window sizes are given.
inline constexpr int kDefaultDpi = 96;

// A length given at 96 DPI, at this DPI, rounded to the nearest pixel.
int ScaleForDpi(int length, int dpi);

// A window of this size centred on a screen: half the screen less half the window on each axis,
// both halves cut toward zero. A window larger than the screen gets a negative position.
WindowRect CentredOnScreen(int screenWidth, int screenHeight, int width, int height);

// The EULA window, frame included, centred on the screen at this DPI.
WindowRect EulaWindowRect(int screenWidth, int screenHeight, int dpi);

// One control of the EULA window, in the order of creation.
struct EulaControl {
    const wchar_t* className;
    const wchar_t* text;
    std::uint32_t exStyle;
    std::uint32_t style;
    WindowRect rect;  // in client coordinates at 96 DPI
};

inline constexpr std::size_t kEulaControlCount = 4;
inline constexpr std::size_t kAcceptControl = 2;
inline constexpr std::size_t kCancelControl = 3;

// The prompt, the agreement's text box and the two buttons.
const std::array<EulaControl, kEulaControlCount>& EulaControls();

// A control's rectangle at this DPI.
WindowRect ScaledRect(const WindowRect& rect, int dpi);

}  // namespace quillguard
