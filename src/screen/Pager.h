#pragma once

#include "screen/zScreen.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lantern {

/// The one owner of paging: writes text to the screen with the "[**MORE**]" wait when the lower
/// window fills, and shows line input (the echo of the line as it is typed and edited, and its
/// caret), which never waits, since the player has just seen what they typed. The prompt stands on
/// the line that the next text goes to, inside the window, so every line of the screen is the
/// story's and both front-ends show it in the same place.
class Pager {
  public:
    explicit Pager(zScreen& screen) : m_screen(screen) {}

    /// How a "[**MORE**]" wait takes its key; none (scripted input) means no wait.
    void SetWaitForKey(std::function<void()> wait) { m_waitForKey = std::move(wait); }

    /// ZSCII text for the current window, waiting at "[**MORE**]" whenever the lower window
    /// fills with text the player has not seen yet.
    void Write(std::string_view text);
    /// A line read starts: everything on the screen has been seen, the count restarts, and
    /// `preload` (text the story printed for the player to go on from) stands just left of the
    /// cursor.
    void StartInput(std::string_view preload);
    /// Shows the line being typed with the caret before character `caret`, drawing only what
    /// differs from what it showed last; output never waits here, since the player has just
    /// seen what they typed. Returns the text it drew after what was left standing.
    std::string ShowInput(std::string_view line, size_t caret);
    /// The line read is over: its caret goes.
    void EndInput();
    /// The screen is about to be laid out again (a new size or font) while a line is read: the
    /// line is taken off it, and ShowInputAgain draws it again from the cursor afterwards, so
    /// that its places are the new ones.
    void HideInput();
    void ShowInputAgain();

  private:
    /// Goes on past a prompt without waiting.
    void Continue(std::string rest);

    /// Moves the places of the line being typed up by the lines the screen scrolled since.
    void FollowScrolls();

    zScreen& m_screen;
    std::function<void()> m_waitForKey;
    std::string m_shown;              ///< the line being typed, as it stands on the screen
    std::vector<PixelPoint> m_places; ///< where each of its characters starts, and its end
    uint64_t m_scrolls = 0;           ///< the screen's scroll count that m_places knows of
    size_t m_caret = 0;               ///< where the caret stands in the line shown
    bool m_inputShown = false;        ///< a line read is in progress
    std::string m_hidden;             ///< the line taken off the screen by HideInput
    bool m_hiding = false;
};

} // namespace lantern
