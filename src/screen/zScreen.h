#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/Surface.h"

namespace lantern {

/// The screen model: a lower (scrolling) and an upper window on one drawing surface, with
/// cursors, styles and colours, and the text output with wrapping, scrolling and paging.
class zScreen {
public:
    explicit zScreen(Surface& surface) : m_surface(&surface) {}

    /// Hands over the surface to draw on (the display's device context).
    void SetSurface(Surface& surface) { m_surface = &surface; }

    int32_t LinesPrinted() const { return m_linesPrinted; }
    void SetLinesPrinted(int32_t lines) { m_linesPrinted = lines; }
    int CharWidth() const { return m_charWidth; }
    int CharHeight() const { return m_charHeight; }
    int ScreenWidth() const { return m_screenWidth; }
    int ScreenHeight() const { return m_screenHeight; }
    void SetScreenWidth(int width) { m_screenWidth = width; }
    void SetScreenHeight(int height) { m_screenHeight = height; }

    void SetupScreen();
    void SetColor(int foreColor, int backColor);
    void SplitWindow(int lines);
    void SetWindow(int windowNo);
    void EraseWindow(int windowNo);
    void EraseLine(int value, int version);
    void SetCursor(int line, int column, int version, int window);
    /// (line, column), 1-based, of the current window's cursor.
    std::pair<int, int> GetCursor() const;
    int GetTextStyle() const;
    void SetTextStyle(int style);
    void BufferMode(int flag);
    /// The story's number of the current window: 0 lower, 1 upper.
    int CurrentWindow() const;

    /// Draws text in the current window; returns what was not drawn because the lower window
    /// filled and needs a "[**MORE**]" pause (empty when everything was drawn).
    std::string OutPut(std::string_view outStr, bool eraseLastLine);
    /// Asks for the whole display to be shown again.
    void UpdateDisplay();
    /// Rubs out the given characters left of the cursor (backspace in line input).
    void DeleteChar(std::string_view chars);

private:
    Surface* m_surface;
    int32_t m_linesPrinted = 0;
    int m_charWidth = 1;
    int m_charHeight = 1;
    int m_screenWidth = 0;
    int m_screenHeight = 0;
};

} // namespace lantern
