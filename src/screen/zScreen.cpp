#include "screen/zScreen.h"

namespace lantern {

// Placeholder until the screen model lands.
void zScreen::SetupScreen() {}
void zScreen::SetColor(int, int) {}
void zScreen::SplitWindow(int) {}
void zScreen::SetWindow(int) {}
void zScreen::EraseWindow(int) {}
void zScreen::EraseLine(int, int) {}
void zScreen::SetCursor(int, int, int, int) {}
std::pair<int, int> zScreen::GetCursor() const { return {1, 1}; }
int zScreen::GetTextStyle() const { return 0; }
void zScreen::SetTextStyle(int) {}
void zScreen::BufferMode(int) {}
int zScreen::CurrentWindow() const { return 0; }
std::string zScreen::OutPut(std::string_view, bool) { return {}; }
void zScreen::UpdateDisplay() {}
void zScreen::DeleteChar(std::string_view) {}

} // namespace lantern
