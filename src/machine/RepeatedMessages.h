#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace lantern {

/// Keeps a story stuck in a loop from flooding the player with one message (console mode): the
/// same message is shown a few times between two inputs and then only counted, and a great many
/// messages with no input read between them mean the story is stuck, which ends the game.
/// Unlimited (every message shown, the game never stopped) until SetLimited.
class RepeatedMessages {
  public:
    /// Times one message is shown between two inputs.
    static constexpr int kShown = 3;
    /// Messages with no input between them that end the game.
    static constexpr int kStuck = 10000;

    void SetLimited(bool limited) { m_limited = limited; }

    /// Whether the message is to be shown now. Throws StoryError when it is the kStuck-th
    /// message since input was last read.
    bool Admit(const std::string& text);
    /// Input was read: the player is there, and each message may be shown again.
    void InputRead();
    /// One line for each message that was not shown every time, saying how often it was held
    /// back; the counts start again.
    std::vector<std::string> TakeSummary();

  private:
    struct Count {
        int ShownSinceInput = 0;
        uint64_t HeldBack = 0;
    };
    bool m_limited = false;
    int m_sinceInput = 0;
    std::map<std::string, Count> m_counts;
};

} // namespace lantern
