"""The Python module's calls, on stories of our own (see tests/CMakeLists.txt)."""
import copy
import os
import pickle
from concurrent.futures import ThreadPoolExecutor

import pytest

import lantern

GARDEN_V3 = os.environ["LANTERN_STORY_GARDEN_V3"]
GARDEN_V5 = os.environ["LANTERN_STORY_GARDEN_V5"]
STATION = os.environ["LANTERN_STORY_STATION"]
BUNDLED = os.environ["LANTERN_BUNDLED_STORY"]


@pytest.fixture
def garden():
    return lantern.Story(GARDEN_V5, seed=7)


def test_a_walk_through_the_garden(garden):
    assert "Walled Garden" in garden.intro
    assert garden.waiting_for == "line"
    assert (garden.score, garden.moves, garden.location) == (0, 0, "Walled Garden")
    assert garden.step("take lamp") == "Taken.\n\n>"
    garden.step("light lamp")
    assert garden.step("down").startswith("Cellar\n")
    assert "score has gone up by 10" in garden.step("take coin")
    assert (garden.score, garden.moves, garden.location) == (10, 4, "Cellar")
    assert garden.status_line.startswith("Cellar")
    assert garden.upper_window[0].strip() == garden.status_line
    assert not garden.ended


def test_states_peeks_and_copies_leave_the_game_alone(garden):
    garden.step("take lamp")
    state = garden.state()
    assert state[:4] == b"FORM" and state[8:12] == b"IFZS"
    opened = garden.peek("open box")
    assert "revealing a small key" in opened
    assert garden.moves == 1
    assert garden.step("open box") == opened
    garden.set_state(state)
    assert (garden.moves, garden.step("open box")) == (1, opened)

    twin = garden.copy()
    assert twin.step("take key") == "Taken.\n\n>"
    assert (twin.moves, garden.moves) == (3, 2)
    assert "small key" not in garden.step("i")
    assert copy.copy(garden).moves == garden.moves


def test_pickled_games_travel_with_their_state(garden):
    garden.step("take lamp")
    garden.step("light lamp")
    garden.step("down")
    moved = pickle.loads(pickle.dumps(garden))
    assert (moved.location, moved.moves, moved.status_line) == ("Cellar", 3, garden.status_line)
    assert moved.step("take coin") == garden.step("take coin")
    garden.step("quit")
    garden.step("y")
    with pytest.raises(lantern.Error):
        pickle.dumps(garden)


def test_games_in_threads_run_at_once():
    def play(seed):
        game = lantern.Story(BUNDLED, seed=seed)
        for command in ["look", "x tobias", "s", "take coat", "wear coat", "i"] * 20:
            game.step(command)
        return game.location, game.moves

    with ThreadPoolExecutor(4) as pool:
        results = list(pool.map(play, range(8)))
    assert results == [play(0)] * 8 and results[0][0] == "Headland"


def test_objects_and_words_as_the_story_keeps_them(garden):
    objects = {o.name: o for o in garden.objects()}
    lamp, garden_room = objects["brass lantern"], objects["Walled Garden"]
    assert lamp.parent == garden_room.number
    garden.step("take lamp")
    assert {o.number: o for o in garden.objects()}[lamp.number].parent != garden_room.number
    assert isinstance(lamp.attributes, set)
    words = garden.dictionary()
    assert "lantern" in words and "box" in words


def test_keys_endings_and_restarts(garden):
    assert garden.step("quit").startswith("Are you sure")
    assert garden.waiting_for == "key"
    with pytest.raises(lantern.Error):
        garden.step("yes")
    garden.step("y")
    assert garden.ended and garden.waiting_for is None
    with pytest.raises(lantern.Error):
        garden.step("look")
    with pytest.raises(lantern.Error):
        garden.state()
    assert "Walled Garden" in garden.reset()
    assert not garden.ended and garden.moves == 0


def test_the_status_globals_of_versions_1_to_3():
    garden = lantern.Story(GARDEN_V3)
    garden.step("take lamp")
    assert (garden.score, garden.moves, garden.location) == (0, 1, "Walled Garden")
    station = lantern.Story(STATION)
    assert station.score is None and isinstance(station.time, tuple)


def test_bad_states_and_paths(garden, tmp_path):
    garden.step("take lamp")
    state = garden.state()
    for bad in (b"", b"junk", state[:40], state.replace(b"Stks", b"Stkz")):
        with pytest.raises(ValueError):
            garden.set_state(bad)
    assert garden.moves == 1
    other = lantern.Story(GARDEN_V3)
    with pytest.raises(ValueError, match="another story"):
        garden.set_state(other.state())
    with pytest.raises(lantern.LoadError):
        lantern.Story(tmp_path / "missing.z5")
    (tmp_path / "empty.z5").write_bytes(b"")
    with pytest.raises(lantern.LoadError):
        lantern.Story(str(tmp_path / "empty.z5"))
