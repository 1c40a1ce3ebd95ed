#pragma once

#include "input/History.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace lantern {

/// The line being typed: its ZSCII text, never longer than its capacity, the caret within it,
/// and the keys that edit it and recall earlier lines from the history.
class LineEditor {
  public:
    /// A new line holding `preload` (cut to capacity) with the caret at its end; Up and Down
    /// step through history (which must outlive the line), if there is one.
    void Start(std::string_view preload, size_t capacity, const History* history);

    /// Applies a key (see Keys.h): a character or keypad digit is typed at the caret, the
    /// editing keys edit, Up and Down recall. False when the key means nothing to a line.
    bool Apply(int key);

    const std::string& Text() const { return m_text; }
    /// The caret stands before character Caret() (at the end when it equals the length).
    size_t Caret() const { return m_caret; }

  private:
    void Insert(char character);
    void Erase(size_t from, size_t to);
    /// Shows history entry `entry`, or the line being typed when it is the history's size.
    void Recall(size_t entry);

    std::string m_text;
    size_t m_caret = 0;
    size_t m_capacity = 0;
    const History* m_history = nullptr;
    size_t m_entry = 0;  ///< the history entry shown; the history's size while typing anew
    std::string m_typed; ///< the line being typed, kept while history entries are shown
};

} // namespace lantern
