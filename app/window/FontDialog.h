#pragma once

#include "window/Preferences.h"

#include <optional>

class QWidget;

namespace lantern {

/// The faces, size and margin the player chose.
struct TextLook {
    QtSurface::Fonts fonts;
    int margin = 0;
};

/// Asks for the proportional and fixed-pitch faces, their size and the margin around the text,
/// starting from the current ones; nothing when cancelled.
std::optional<TextLook> AskTextLook(QWidget* parent, const TextLook& current);

} // namespace lantern
