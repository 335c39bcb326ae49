#pragma once

// One button of the shell's bottom bar (the Pocket PC command bar, or a Smartphone soft key).
// The menu manager gives each window its list; the shell shows the list of the active window.

#include "os/geometry.h"
#include "os/surface.h"

#include <functional>
#include <memory>
#include <string>

namespace os {

struct BarItem {
    std::u16string text;
    bool enabled = true;
    // Runs on the UI thread from the loop when the user taps the item or presses its soft key
    // (F1 the first item, F2 the second). Gets the item's rectangle on the screen, so that a
    // popup menu can open above it. Disabled items are never chosen.
    std::function<void(const Rect& item)> on_choose;
    // A Pocket PC command bar button with a picture shows the picture, centred, instead of the
    // text (opaque pixels; the menu manager draws it on the bar's colour).
    std::shared_ptr<const Surface> image;
};

} // namespace os
