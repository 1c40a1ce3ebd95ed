// A story played by a program: copies, keys, the clock of a time game, and what the story keeps
// in memory, on our own stories (the JSON protocol's transcript and the Python module's tests
// play the rest).
#include "session/Session.h"

#include "memory/StoryError.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace lantern {
namespace {

TEST(Session, ACopyGoesItsOwnWay) {
    SessionOptions seeded;
    seeded.Seed = 3;
    Session game(LANTERN_STORY_GARDEN_V5, seeded);
    EXPECT_NE(game.TakeText().find("Walled Garden"), std::string::npos);
    ASSERT_EQ(game.Input("take lamp"), std::nullopt);
    Session copy = game.Copy();
    ASSERT_EQ(copy.Input("open box"), std::nullopt);
    EXPECT_EQ(copy.TakeText(), "You open the wooden box, revealing a small key.\n\n>");
    EXPECT_EQ((std::pair{game.Moves(), copy.Moves()}),
              (std::pair{std::optional(1), std::optional(2)}));
    EXPECT_EQ(copy.StatusLine(),
              "Walled Garden                                             Score: 0  Moves: 2");
    game.TakeText();
    ASSERT_EQ(game.Input("open box"), std::nullopt);
    EXPECT_EQ(game.TakeText(), "You open the wooden box, revealing a small key.\n\n>");
}

TEST(Session, KeysLinesAndTheEnd) {
    SessionOptions options;
    options.Standard = false;
    Session game(LANTERN_STORY_GARDEN_V5, options);
    ASSERT_EQ(game.Input("quit"), std::nullopt);
    EXPECT_EQ(game.Waiting(), zMachine::Awaiting::Key);
    EXPECT_TRUE(game.Input("no")); // a key is one character or a name
    EXPECT_TRUE(game.Input("f1")); // the story is not given function keys here
    EXPECT_EQ(game.Input("escape"), std::nullopt);
    EXPECT_EQ(game.Waiting(), zMachine::Awaiting::Line);
    EXPECT_TRUE(game.Input("look\nlook"));
    ASSERT_EQ(game.Input("quit"), std::nullopt);
    ASSERT_EQ(game.Input("Y"), std::nullopt);
    EXPECT_TRUE(game.Ended());
    EXPECT_EQ(game.Ending()->kind, GameOutcome::Kind::Quit);
    EXPECT_TRUE(game.Input("look"));
    EXPECT_TRUE(game.Snapshot().empty());
    game.Restart();
    EXPECT_EQ(game.Waiting(), zMachine::Awaiting::Line);
    EXPECT_EQ(game.Moves(), 0);
}

TEST(Session, TheClockOfATimeGame) {
    Session station(LANTERN_STORY_STATION, {});
    EXPECT_EQ(station.Score(), std::nullopt);
    EXPECT_EQ(station.Moves(), std::nullopt);
    const auto before = station.Time();
    ASSERT_TRUE(before);
    ASSERT_EQ(station.Input("wait"), std::nullopt);
    const auto after = station.Time();
    ASSERT_TRUE(after);
    EXPECT_GT(after->Hours * 60 + after->Minutes, before->Hours * 60 + before->Minutes);
}

TEST(Session, ObjectsAndWordsAsTheStoryKeepsThem) {
    Session game(LANTERN_STORY_GARDEN_V3, {});
    const std::vector<ObjectFacts> objects = game.Objects();
    auto named = [&objects](const std::string& name) {
        return *std::find_if(objects.begin(), objects.end(),
                             [&name](const ObjectFacts& o) { return o.Name == name; });
    };
    const ObjectFacts garden = named("Walled Garden");
    const ObjectFacts lamp = named("brass lantern");
    EXPECT_EQ(lamp.Parent, garden.Number);
    EXPECT_EQ(game.Location(), "Walled Garden");
    const std::vector<std::string> words = game.Dictionary();
    // Version 3 keeps six letters of a word.
    EXPECT_NE(std::find(words.begin(), words.end(), "lanter"), words.end());
    EXPECT_NE(std::find(words.begin(), words.end(), "box"), words.end());
}

} // namespace
} // namespace lantern
