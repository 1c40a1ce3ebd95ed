// The Python module `lantern`: a story played by a program, over the core's Session. The
// interpreter lock is released while the machine runs, so that games in threads run at once.
#include "memory/StoryError.h"
#include "session/Session.h"

#include <mutex>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

namespace py = pybind11;
using namespace pybind11::literals;

namespace lantern {

namespace {

/// A game and the lock that keeps two threads from running it at once.
struct Story {
    explicit Story(Session game) : Game(std::move(game)) { Intro = Game.TakeText(); }
    Session Game;
    std::mutex Lock;
    std::string Intro; ///< the text printed before the first input
};

/// Runs work on the game without the interpreter lock.
template <typename Work> auto Unlocked(Story& story, Work work) {
    py::gil_scoped_release release;
    const std::lock_guard lock(story.Lock);
    return work(story.Game);
}

/// Reads the game with the interpreter lock held.
template <typename Work> auto Locked(Story& story, Work work) {
    const std::lock_guard lock(story.Lock);
    return work(story.Game);
}

PyObject* g_error = nullptr;

[[noreturn]] void Fail(const std::string& why) {
    PyErr_SetString(g_error, why.c_str());
    throw py::error_already_set();
}

std::unique_ptr<Story> Open(const std::string& path, std::optional<uint64_t> seed, bool standard) {
    SessionOptions options;
    options.Standard = standard;
    options.Seed = seed;
    py::gil_scoped_release release;
    return std::make_unique<Story>(Session(path, options));
}

// Any Python int is a seed: a negative one or one past 64 bits stands for its low 64 bits.
std::optional<uint64_t> SeedOf(const py::object& seed) {
    if (seed.is_none())
        return std::nullopt;
    if (!py::isinstance<py::int_>(seed))
        throw py::type_error("seed must be an int or None");
    return PyLong_AsUnsignedLongLongMask(seed.ptr());
}

std::string PathOf(const py::object& path) {
    return py::str(py::module_::import("os").attr("fsdecode")(path));
}

std::string Step(Story& story, const std::string& command, bool peek) {
    std::optional<std::string> error;
    std::string text = Unlocked(story, [&](Session& game) {
        if (peek)
            game.Mark();
        error = game.Input(command);
        std::string shown = error ? std::string() : game.TakeText();
        if (peek)
            game.Rewind();
        return shown;
    });
    if (error)
        Fail(*error);
    return text;
}

const char* WaitingName(zMachine::Awaiting waiting) {
    switch (waiting) {
    case zMachine::Awaiting::Line: return "line";
    case zMachine::Awaiting::Key: return "key";
    case zMachine::Awaiting::Nothing: break;
    }
    return nullptr;
}

} // namespace

} // namespace lantern

PYBIND11_MODULE(lantern, module) {
    using namespace lantern;
    module.doc() = "Z-machine stories played by programs: commands, states, peeks and the "
                   "game as the story keeps it.";
    // lantern.Error for what a game refuses, and lantern.LoadError, one of them, for a story
    // that cannot be loaded.
    const auto& error = py::register_exception<StoryError>(module, "Error");
    g_error = error.ptr();
    py::register_exception<LoadError>(module, "LoadError", error.ptr());

    py::class_<ObjectFacts>(module, "Object", "An object of the story's object table.")
        .def_readonly("number", &ObjectFacts::Number)
        .def_readonly("name", &ObjectFacts::Name)
        .def_readonly("parent", &ObjectFacts::Parent)
        .def_readonly("sibling", &ObjectFacts::Sibling)
        .def_readonly("child", &ObjectFacts::Child)
        .def_property_readonly("attributes",
                               [](const ObjectFacts& o) {
                                   py::set set;
                                   for (const int a : o.Attributes)
                                       set.add(a);
                                   return set;
                               })
        .def("__repr__", [](const ObjectFacts& o) {
            return "<lantern.Object " + std::to_string(o.Number) + " " +
                   py::repr(py::str(o.Name)).cast<std::string>() + ">";
        });

    py::class_<Story>(module, "Story",
                      "A story being played: step(command) types a command and gives the text "
                      "the story printed in answer.")
        .def(py::init([](const py::object& path, const py::object& seed, bool standard) {
                 return Open(PathOf(path), SeedOf(seed), standard);
             }),
             "path"_a, "seed"_a = py::none(), "standard"_a = true,
             "Loads the story (a Z-code file, bare or in a Blorb) and runs it to its first "
             "input. standard plays the complete Z-machine (undo and the rest); seed makes its "
             "random numbers reproducible.")
        .def(
            "step", [](Story& s, const std::string& command) { return Step(s, command, false); },
            "command"_a,
            "Types a command (a line, or a key when the story waits for one: one character or "
            "a key's name) and runs the story to its next input; returns the text it printed.")
        .def(
            "peek", [](Story& s, const std::string& command) { return Step(s, command, true); },
            "command"_a, "The text step(command) would give, with the game put back as it was.")
        .def(
            "reset",
            [](Story& s) {
                s.Intro = Unlocked(s, [](Session& game) {
                    game.Restart();
                    return game.TakeText();
                });
                return s.Intro;
            },
            "Starts the game afresh, as it started when it was opened; returns the text printed "
            "before the first input.")
        .def_readonly("intro", &Story::Intro,
                      "The text the story printed before its first input (at the last reset).")
        .def(
            "state",
            [](Story& s) {
                const std::vector<uint8_t> bytes =
                    Unlocked(s, [](Session& game) { return game.Snapshot(); });
                if (bytes.empty())
                    Fail("There is no state to keep: the game has ended, or is a version 6 game.");
                return py::bytes(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            },
            "The game as a Quetzal saved game (bytes), which set_state puts back.")
        .def(
            "set_state",
            [](Story& s, const py::bytes& state) {
                const std::string_view view = state;
                const std::vector<uint8_t> bytes(view.begin(), view.end());
                const auto error = Unlocked(s, [&bytes](Session& game) {
                    auto failed = game.Restore(bytes);
                    game.TakeText(); // what the story said as it went on from there
                    return failed;
                });
                if (error)
                    throw py::value_error(*error);
            },
            "state"_a,
            "Goes on from a state (or a saved game of the story); a bad one raises ValueError "
            "and leaves the game as it was.")
        .def(
            "copy",
            [](Story& s) {
                return Unlocked(s,
                                [](Session& game) { return std::make_unique<Story>(game.Copy()); });
            },
            "An independent game standing where this one stands.")
        .def("__copy__",
             [](Story& s) {
                 return Unlocked(
                     s, [](Session& game) { return std::make_unique<Story>(game.Copy()); });
             })
        .def("__deepcopy__",
             [](Story& s, const py::object&) {
                 return Unlocked(
                     s, [](Session& game) { return std::make_unique<Story>(game.Copy()); });
             })
        .def(
            "objects",
            [](Story& s) { return Locked(s, [](Session& game) { return game.Objects(); }); },
            "The objects of the story's object table, as the story keeps them now.")
        .def(
            "dictionary",
            [](Story& s) { return Locked(s, [](Session& game) { return game.Dictionary(); }); },
            "The words of the story's dictionary.")
        .def(
            "take_messages",
            [](Story& s) { return Locked(s, [](Session& game) { return game.TakeMessages(); }); },
            "The messages the story's faults and missing features brought up since the last "
            "call.")
        .def_property_readonly(
            "score", [](Story& s) { return Locked(s, [](Session& game) { return game.Score(); }); })
        .def_property_readonly(
            "moves", [](Story& s) { return Locked(s, [](Session& game) { return game.Moves(); }); })
        .def_property_readonly("time",
                               [](Story& s) -> std::optional<std::pair<int, int>> {
                                   const auto time =
                                       Locked(s, [](Session& game) { return game.Time(); });
                                   if (!time)
                                       return std::nullopt;
                                   return std::pair{time->Hours, time->Minutes};
                               })
        .def_property_readonly(
            "location",
            [](Story& s) { return Locked(s, [](Session& game) { return game.Location(); }); })
        .def_property_readonly("waiting_for",
                               [](Story& s) -> py::object {
                                   const char* name = WaitingName(
                                       Locked(s, [](Session& game) { return game.Waiting(); }));
                                   return name ? py::str(name) : py::object(py::none());
                               })
        .def_property_readonly(
            "status_line",
            [](Story& s) { return Locked(s, [](Session& game) { return game.StatusLine(); }); })
        .def_property_readonly(
            "upper_window",
            [](Story& s) { return Locked(s, [](Session& game) { return game.UpperWindow(); }); })
        .def_property_readonly(
            "ended", [](Story& s) { return Locked(s, [](Session& game) { return game.Ended(); }); })
        .def_property_readonly("fault",
                               [](Story& s) -> std::optional<std::string> {
                                   return Locked(
                                       s, [](Session& game) -> std::optional<std::string> {
                                           const auto& ending = game.Ending();
                                           if (!ending || ending->kind != GameOutcome::Kind::Fault)
                                               return std::nullopt;
                                           return ending->message;
                                       });
                               })
        .def_property_readonly(
            "version",
            [](Story& s) { return Locked(s, [](Session& game) { return game.Version(); }); })
        .def_property_readonly(
            "path", [](Story& s) { return Locked(s, [](Session& game) { return game.Path(); }); })
        .def(py::pickle(
            // A game travels as its story's path, its options and its state.
            [](Story& s) {
                return Locked(s, [](Session& game) {
                    const std::vector<uint8_t> state = game.Snapshot();
                    if (state.empty())
                        Fail("Only a game waiting for input is pickled (as its state): this one "
                             "has ended, or is a version 6 game.");
                    const SessionOptions& options = game.Options();
                    return py::make_tuple(
                        game.Path(),
                        options.Seed ? py::object(py::int_(*options.Seed)) : py::object(py::none()),
                        options.Standard,
                        state.empty()
                            ? py::object(py::none())
                            : py::object(py::bytes(reinterpret_cast<const char*>(state.data()),
                                                   state.size())));
                });
            },
            [](const py::tuple& t) {
                if (t.size() != 4)
                    throw py::value_error("not a pickled lantern.Story");
                auto story = Open(t[0].cast<std::string>(), SeedOf(t[1]), t[2].cast<bool>());
                const std::string_view view = t[3].cast<py::bytes>();
                const std::vector<uint8_t> bytes(view.begin(), view.end());
                const auto error = Unlocked(*story, [&bytes](Session& game) {
                    auto failed = game.Restore(bytes);
                    game.TakeText();
                    return failed;
                });
                if (error)
                    throw py::value_error(*error);
                return story;
            }))
        .def("__repr__", [](Story& s) {
            return Locked(s, [](Session& game) {
                return "<lantern.Story " + py::repr(py::str(game.Path())).cast<std::string>() +
                       (game.Ended() ? " ended>" : ">");
            });
        });
}
