#pragma once

namespace quillguard {

struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const WindowRect&) const = default;
};

// A window of this size centred on a screen: half the screen less half the window on each axis,
// both halves cut toward zero. A window larger than the screen gets a negative position.
WindowRect CentredOnScreen(int screenWidth, int screenHeight, int width, int height);

// The EULA window, frame included, centred on the screen: 500 x 400 pixels at 96 DPI, grown with
// the DPI to the nearest pixel.
WindowRect EulaWindowRect(int screenWidth, int screenHeight, int dpi);

}  // namespace quillguard
