#include "input/Keyboard.h"

#include "screen/CellSurface.h"
#include "screen/Pager.h"
#include "screen/zScreen.h"
#include "support/TestHost.h"

#include <gtest/gtest.h>
#include <string>

namespace lantern::test {
namespace {

/// A keyboard over a real screen model, fed by a host that delivers scripted batches of keys
/// (several keys may arrive between two polls, as from a fast typist).
class KeyboardInput : public ::testing::Test {
  protected:
    struct BatchHost : TestHost {
        std::deque<std::string> batches;
        Keyboard* keyboard = nullptr;
        void DoEvents() override {
            ++waits;
            if (batches.empty())
                throw GameStopped{};
            const std::string batch = batches.front();
            batches.pop_front();
            for (char c : batch)
                keyboard->KeyPress(static_cast<unsigned char>(c));
        }
    };

    KeyboardInput() {
        screen.SetScreenWidth(40);
        screen.SetScreenHeight(10);
        screen.EraseWindow(-1);
        host.keyboard = &keyboard;
    }

    std::string ReadLine(size_t capacity = 100) {
        pager.StartInput(preload);
        return keyboard.ReadLine(capacity, preload, [this](std::string_view line, size_t caret) {
            echoed += pager.ShowInput(line, caret);
        });
    }

    CellSurface surface{40, 12};
    zScreen screen{surface};
    Pager pager{screen};
    BatchHost host;
    Keyboard keyboard{host};
    std::string echoed;
    std::string preload;
};

TEST_F(KeyboardInput, EveryTypedCharacterIsEchoedEvenWhenSeveralArriveTogether) {
    host.batches = {"lo", "ok", "\r"};
    EXPECT_EQ(ReadLine(), "look");
    EXPECT_EQ(echoed, "look");
    EXPECT_EQ(surface.RowTextTrimmed(0), "look");
    EXPECT_FALSE(keyboard.Waiting());
}

TEST_F(KeyboardInput, BackspaceRubsOutTheLastCharacter) {
    host.batches = {"l", "o", "k", "\b", "ok\r"};
    EXPECT_EQ(ReadLine(), "look");
    EXPECT_EQ(surface.RowTextTrimmed(0), "look");
}

TEST_F(KeyboardInput, BackspaceOfACharacterNotYetEchoedOnlyDropsIt) {
    host.batches = {"ab\b", "c\r"};
    EXPECT_EQ(ReadLine(), "ac");
    EXPECT_EQ(echoed, "ac");
    EXPECT_EQ(surface.RowTextTrimmed(0), "ac");
}

TEST_F(KeyboardInput, BackspaceOnAnEmptyLineDoesNothing) {
    host.batches = {"\b", "\b\bx\r"};
    EXPECT_EQ(ReadLine(), "x");
    EXPECT_EQ(echoed, "x");
}

TEST_F(KeyboardInput, TheLineStopsAtTheCapacityAndAtEnter) {
    host.batches = {"abcdef\rxyz"};
    EXPECT_EQ(ReadLine(4), "abcd");
    EXPECT_EQ(echoed, "abcd");
    EXPECT_TRUE(keyboard.InputStream().empty()); // what followed Enter is dropped
}

TEST_F(KeyboardInput, SingleKeyWaitsTakeTheFirstKeyBackspaceIncluded) {
    host.batches = {"ab"};
    EXPECT_EQ(keyboard.WaitForKey(), 'a');
    EXPECT_TRUE(keyboard.InputStream().empty()); // b was typed with it and is discarded
    host.batches = {"\b"};
    EXPECT_EQ(keyboard.WaitForKey(), 8);
}

TEST_F(KeyboardInput, KeysOutsideAWaitAreIgnored) {
    keyboard.KeyPress('x');
    EXPECT_TRUE(keyboard.InputStream().empty());
    host.batches = {"y"};
    EXPECT_EQ(keyboard.WaitForKey(), 'y');
    keyboard.KeyPress('z');
    EXPECT_TRUE(keyboard.InputStream().empty());
}

TEST_F(KeyboardInput, AStoppedWaitLeavesNoWaitBehind) {
    EXPECT_THROW(ReadLine(), GameStopped);
    EXPECT_FALSE(keyboard.Waiting());
    keyboard.KeyPress('x');
    EXPECT_TRUE(keyboard.InputStream().empty());
}

} // namespace
} // namespace lantern::test
