#include "screen/Pager.h"

#include <string>

namespace lantern {

void Pager::Write(std::string_view text) {
    std::string rest = m_screen.OutPut(text, false);
    // A prompt with nothing left to draw still waits: otherwise the next text would scroll
    // the page away under a second prompt before the player has seen it.
    while (!rest.empty() || m_screen.PromptShown()) {
        m_screen.SetLinesPrinted(0);
        m_screen.UpdateDisplay();
        if (m_waitForKey)
            m_waitForKey();
        const size_t before = rest.size();
        rest = m_screen.OutPut(rest, true);
        if (!rest.empty() && rest.size() >= before)
            break; // a page that cannot make progress is dropped rather than waited on forever
    }
}

void Pager::BeginInput() {
    m_screen.SetLinesPrinted(0);
    m_screen.UpdateDisplay();
}

void Pager::Continue(std::string rest) {
    while (!rest.empty() || m_screen.PromptShown()) {
        m_screen.SetLinesPrinted(0);
        const size_t before = rest.size();
        rest = m_screen.OutPut(rest, true);
        if (!rest.empty() && rest.size() >= before)
            break;
    }
}

void Pager::Echo(std::string_view text) {
    m_screen.SetLinesPrinted(0);
    Continue(m_screen.OutPut(text, false));
    m_screen.SetLinesPrinted(0);
    m_screen.UpdateDisplay();
}

void Pager::RubOut(std::string_view text) {
    m_screen.DeleteChar(text);
    m_screen.SetLinesPrinted(0);
    m_screen.UpdateDisplay();
}

} // namespace lantern
