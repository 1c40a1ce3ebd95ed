#pragma once

#include "screen/zScreen.h"

#include <functional>
#include <string_view>

namespace lantern {

/// The one owner of paging: writes text to the screen with the "[**MORE**]" wait when the lower
/// window fills, and shows line input (the echo of typed characters and their rubbing out),
/// which never waits, since the player has just seen what they typed. The prompt stands on the
/// line that the next text goes to, inside the window, so every line of the screen is the
/// story's and both front-ends show it in the same place.
class Pager {
  public:
    explicit Pager(zScreen& screen) : m_screen(screen) {}

    /// How a "[**MORE**]" wait takes its key; none (scripted input) means no wait.
    void SetWaitForKey(std::function<void()> wait) { m_waitForKey = std::move(wait); }

    /// ZSCII text for the current window, waiting at "[**MORE**]" whenever the lower window
    /// fills with text the player has not seen yet.
    void Write(std::string_view text);
    /// Input starts: everything on the screen has been seen, and the count restarts.
    void BeginInput();
    /// Typed characters of line input, shown at the cursor; output never waits here.
    void Echo(std::string_view text);
    /// Rubs typed characters out (backspace).
    void RubOut(std::string_view text);

  private:
    /// Goes on past a prompt without waiting.
    void Continue(std::string rest);

    zScreen& m_screen;
    std::function<void()> m_waitForKey;
};

} // namespace lantern
