#pragma once

#include "memory/StoryError.h"
#include "platform/Host.h"
#include "platform/Surface.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lantern::test {

/// A host that records what the game showed and feeds scripted keys while the game waits.
/// When the script runs out during a wait, the game is stopped. Its clock moves only through
/// the pauses in the script, which timed waits see pass and other waits skip.
class TestHost : public Host {
  public:
    struct Message {
        std::string text;
        MessageIcon icon;
    };

    /// Called with each key to deliver (the test wires it to the machine's keyboard).
    std::function<void(int)> deliverKey;
    std::deque<int> keys;
    std::vector<Message> messages;
    std::vector<std::string> questions;
    bool answerYes = true;
    /// The answers to file-name questions, in order; nothing once they run out.
    std::deque<std::string> fileNames;
    int beeps = 0;
    int waits = 0;
    /// Where the story's sounds play (none: no sound).
    SoundDevice* sound = nullptr;
    int64_t clock = 0; ///< milliseconds

    /// Milliseconds that pass before the next key.
    void Pause(int ms) { keys.push_back(-ms); }

    void Type(const std::string& text) {
        for (char c : text)
            keys.push_back(static_cast<unsigned char>(c));
    }

    void DoEvents() override {
        ++waits;
        while (!keys.empty() && keys.front() < 0)
            keys.pop_front();
        if (keys.empty())
            throw GameStopped{};
        const int key = keys.front();
        keys.pop_front();
        if (deliverKey)
            deliverKey(key);
    }
    void DoEventsFor(int timeoutMs) override {
        if (keys.empty() || keys.front() >= 0) {
            DoEvents();
            return;
        }
        ++waits;
        const int pause = -keys.front();
        const int passed = std::min(pause, std::max(timeoutMs, 1));
        clock += passed;
        keys.pop_front();
        if (passed < pause)
            keys.push_front(passed - pause);
    }
    int64_t Milliseconds() override { return clock; }
    void ShowMessage(const std::string& text, MessageIcon icon) override {
        messages.push_back({text, icon});
    }
    bool AskYesNo(const std::string& text) override {
        questions.push_back(text);
        return answerYes;
    }
    std::optional<std::string> AskFileName(FileUse, const std::string&) override {
        if (fileNames.empty())
            return std::nullopt;
        std::string name = fileNames.front();
        fileNames.pop_front();
        return name;
    }
    void Beep() override { ++beeps; }
    SoundDevice* Sound() override { return sound; }
};

/// A surface that draws nothing: for tests of the machine that do not look at the screen.
class NullSurface : public Surface {
  public:
    int Width() const override { return 640; }
    int Height() const override { return 480; }
    void SelectFont(bool, bool, bool) override {}
    TextExtent MeasureText(std::string_view text) override {
        return {static_cast<int>(text.size()) * 8, 16};
    }
    void DrawText(int, int, std::string_view) override {}
    void SetTextColour(Colour c) override { m_text = c; }
    Colour TextColour() const override { return m_text; }
    void SetBackColour(Colour c) override { m_back = c; }
    Colour BackColour() const override { return m_back; }
    void FillRect(int, int, int, int, Colour) override {}
    void CopyBlock(int, int, int, int, int, int) override {}
    void Invalidate(int, int, int, int) override {}
    void Resize(int, int, Colour) override {}

  private:
    Colour m_text = 0;
    Colour m_back = Rgb(255, 255, 255);
};

} // namespace lantern::test
