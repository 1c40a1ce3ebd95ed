#pragma once

#include "dictionary/Keyboard.h"
#include "platform/Host.h"

#include <istream>
#include <ostream>
#include <string>

namespace lantern {

/// The host of a scripted console game: keys come from the lines of an input stream, message
/// boxes go to an error stream, questions are answered Yes, and the game stops when it waits for
/// a key after the input has ended.
class ScriptHost : public Host {
  public:
    ScriptHost(std::istream& input, std::ostream& errors) : m_input(input), m_errors(errors) {}

    /// The keyboard to type into; set once the machine exists.
    void SetKeyboard(Keyboard& keyboard) { m_keyboard = &keyboard; }

    void DoEvents() override;
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    bool AskYesNo(const std::string& text) override;
    void Beep() override {}

  private:
    std::istream& m_input;
    std::ostream& m_errors;
    Keyboard* m_keyboard = nullptr;
    std::u32string m_pending; ///< the rest of the current input line, its Enter included
};

/// Writes the story's text (UTF-8) as a terminal or file expects it: "\r\n" as "\n".
void WriteUtf8Text(std::ostream& out, std::string_view text);

} // namespace lantern
