#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace lantern {

/// The lines the player entered in this game, oldest first, for recalling with Up and Down.
class History {
  public:
    /// Lines kept; the oldest goes first when a new one comes.
    static constexpr size_t kMaxEntries = 100;

    /// Keeps an entered line, unless it is empty or repeats the newest one.
    void Add(std::string_view line);
    void Clear() { m_entries.clear(); }
    size_t Size() const { return m_entries.size(); }
    /// Entry 0 is the oldest.
    const std::string& Entry(size_t index) const { return m_entries[index]; }

  private:
    std::deque<std::string> m_entries;
};

} // namespace lantern
