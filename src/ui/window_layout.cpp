#include "ui/window_layout.h"

namespace quillguard {
namespace {

constexpr int kDefaultDpi = 96;

int ScaleForDpi(int length, int dpi) {
    return (length * dpi + kDefaultDpi / 2) / kDefaultDpi;
}

}  // namespace

WindowRect CentredOnScreen(int screenWidth, int screenHeight, int width, int height) {
    return {screenWidth / 2 - width / 2, screenHeight / 2 - height / 2, width, height};
}

WindowRect EulaWindowRect(int screenWidth, int screenHeight, int dpi) {
    return CentredOnScreen(screenWidth, screenHeight, ScaleForDpi(500, dpi), ScaleForDpi(400, dpi));
}

}  // namespace quillguard
