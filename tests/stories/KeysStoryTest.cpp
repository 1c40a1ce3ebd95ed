// Plays our own story "keys" with keys that type no character: under --standard they reach the
// story with the Z-machine's codes and end lines as its terminating characters say; by default
// they never reach it and only edit and recall lines.
#include "input/Keys.h"
#include "machine/zMachine.h"
#include "screen/CellSurface.h"
#include "support/TestHost.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <string>

namespace lantern::test {
namespace {

/// Plays the story with the keys pressed and returns what it printed, with "\n" line breaks.
std::string Play(bool standard, std::initializer_list<int> keys) {
    TestHost host;
    CellSurface surface{60, 30};
    zMachine machine(host, surface, 1);
    machine.SetStandard(standard);
    host.deliverKey = [&](int key) { machine.Keys().KeyPress(key); };
    host.keys.assign(keys);
    machine.SetPagingWait(false);
    std::string printed;
    machine.SetTranscript([&](std::string_view text) {
        for (const char c : text)
            if (c != '\r')
                printed.push_back(c);
    });
    machine.PrepareScreen(60, 30);
    EXPECT_EQ(machine.RunGame(LANTERN_STORY_KEYS).kind, GameOutcome::Kind::Quit);
    EXPECT_TRUE(host.keys.empty());
    return printed;
}

TEST(KeysStory, UnderStandardEveryKeyHasItsCodeAndFunctionKeysEndLines) {
    EXPECT_EQ(Play(true, {kKeyUp, kKeyLeft, FunctionKey(1), FunctionKey(12), KeypadKey(5),
                          kKeyEscape, kKeyHome, kKeyDelete, kKeyEnter, 'g', 'o', kKeyDown, 'l', 'o',
                          'o', 'k', kKeyEnter}),
              "Keys\n"
              "key 129\nkey 131\nkey 133\nkey 144\nkey 150\nkey 27\nkey 8\nkey 13\n"
              // A cursor key of the table ends the line and goes to the story; the line stays
              // open on the screen.
              ">go[go] ended by 130\n"
              ">look\n[look] ended by 13\n");
}

TEST(KeysStory, ByDefaultKeysWithoutACharacterNeverReachTheStory) {
    EXPECT_EQ(Play(false, {kKeyUp, kKeyLeft, FunctionKey(1), KeypadKey(5), kKeyEscape, kKeyHome,
                           kKeyDelete, kKeyBackspace, kKeyEnter, 'a', 'b', 'c', 'd', 'g', 'o',
                           kKeyDown, kKeyEnter, kKeyUp, kKeyEnter}),
              "Keys\n"
              "key 53\nkey 27\nkey 8\nkey 13\nkey 97\nkey 98\nkey 99\nkey 100\n"
              // The cursor keys recall lines instead.
              ">go\n[go] ended by 13\n"
              ">go\n[go] ended by 13\n");
}

} // namespace
} // namespace lantern::test
