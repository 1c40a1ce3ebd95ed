// A story played by a program: the game runs to each input and stops there, and is kept and put
// back whole.
#include "session/Session.h"

#include "files/StoryFile.h"
#include "memory/StoryError.h"
#include "screen/CellSurface.h"
#include "text/CharMap.h"

#include <algorithm>
#include <array>

namespace lantern {

namespace {

// A typed line longer than this is cut: no story's text buffer holds more than 255 characters.
constexpr size_t kMaxTypedCharacters = 1024;

/// The host of a game a program plays: nothing waits, time stands still, messages are kept for
/// the program and questions are answered Yes, as a script's are.
class SessionHost : public Host {
  public:
    std::vector<std::string> Messages;
    std::function<void()> Breath;

    // A program's game stops for input instead of waiting (zMachine::SetProgramDriven); a wait
    // that is reached all the same ends the game rather than hanging it.
    void DoEvents() override { throw GameStopped{}; }
    void DoEventsFor(int) override { throw GameStopped{}; }
    int64_t Milliseconds() override { return 0; }
    void ProcessPendingEvents() override {
        if (Breath)
            Breath();
    }
    void ShowMessage(const std::string& text, MessageIcon) override { Messages.push_back(text); }
    bool AskYesNo(const std::string& text) override {
        Messages.push_back(text + " Yes");
        return true;
    }
    void Beep() override {}
};

// The keys a single-key wait may be given by name.
struct NamedKey {
    std::string_view Name;
    int Code;
};
constexpr std::array<NamedKey, 7> kNamedKeys = {{{"enter", kKeyEnter},
                                                 {"escape", kKeyEscape},
                                                 {"backspace", kKeyBackspace},
                                                 {"up", kKeyUp},
                                                 {"down", kKeyDown},
                                                 {"left", kKeyLeft},
                                                 {"right", kKeyRight}}};

// The key that text names for a single-key wait: one character, a key's name, "" for Enter.
std::optional<int> KeyCode(std::string_view text, const CharMap& chars) {
    const std::u32string characters = DecodeUtf8(text);
    if (characters.empty())
        return kKeyEnter;
    if (characters.size() == 1) {
        const char32_t c = characters.front();
        if (c == U'\n' || c == U'\r')
            return kKeyEnter;
        if (c == U'\b' || c == kKeyEscape)
            return static_cast<int>(c);
        if (const auto code = chars.FromUnicode(c))
            return *code;
        return std::nullopt;
    }
    std::string name(text);
    for (char& c : name)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    for (const NamedKey& key : kNamedKeys)
        if (name == key.Name)
            return key.Code;
    auto number = [&name](std::string_view prefix, int first, int last) -> std::optional<int> {
        if (!name.starts_with(prefix) || name.size() == prefix.size() ||
            name.size() > prefix.size() + 2)
            return std::nullopt;
        int value = 0;
        for (const char c : std::string_view(name).substr(prefix.size())) {
            if (c < '0' || c > '9')
                return std::nullopt;
            value = value * 10 + (c - '0');
        }
        if (value < first || value > last)
            return std::nullopt;
        return value;
    };
    if (const auto f = number("f", 1, 12))
        return FunctionKey(*f);
    if (const auto digit = number("keypad", 0, 9))
        return KeypadKey(*digit);
    return std::nullopt;
}

} // namespace

struct Session::Game {
    SessionHost Host;
    CellSurface Surface;
    zMachine Machine;
    std::string Text; ///< printed to the lower window since it was last taken

    Game(int columns, int rows, std::optional<uint64_t> seed)
        : Surface(columns, rows), Machine(Host, Surface, seed) {}
};

/// The whole game as Mark found it.
struct Session::Kept {
    zMachine::Checkpoint Checkpoint;
    zScreen Screen;
    CellSurface Surface;
    std::string Text;
    std::vector<std::string> Messages;
    std::optional<GameOutcome> Ended;
};

Session::Session(const std::string& path, SessionOptions options)
    : m_path(path), m_options(options) {
    m_options.Columns = std::clamp(m_options.Columns, kMinimumColumns, 255);
    m_options.Rows = std::clamp(m_options.Rows, kMinimumRows, 255);
    m_zcode = std::make_shared<const std::vector<uint8_t>>(ReadStoryFile(path).ZCode);
    Restart();
}

Session::Session(const Session& other, bool)
    : m_path(other.m_path), m_options(other.m_options), m_zcode(other.m_zcode),
      m_ended(other.m_ended), m_breath(other.m_breath) {
    m_game = NewGame();
    zMachine& machine = m_game->Machine;
    const zMachine& source = other.m_game->Machine;
    // Started as a new game is, so that the screen and the streams are set up; then the other
    // game's state is put over it.
    try {
        machine.StartGame();
    } catch (const StoryError&) {
    }
    machine.PutCheckpoint(source.TakeCheckpoint());
    machine.Screen().ShowUpperRows(other.m_game->Machine.Screen().UpperRows());
}

Session::~Session() = default;
Session::Session(Session&&) noexcept = default;
Session& Session::operator=(Session&&) noexcept = default;

Session Session::Copy() const {
    return Session(*this, true);
}

zMachine& Session::Machine() const {
    return m_game->Machine;
}

int Session::Version() const {
    return m_game->Machine.Version();
}

std::unique_ptr<Session::Game> Session::NewGame() const {
    auto game = std::make_unique<Game>(m_options.Columns, m_options.Rows, m_options.Seed);
    zMachine& machine = game->Machine;
    machine.SetStandard(m_options.Standard);
    // A story stuck in a loop of messages ends as a fault instead of running on unseen.
    machine.SetMessageRepeatsLimited(true);
    machine.SetPagingWait(false);
    machine.SetProgramDriven(true);
    std::string& text = game->Text;
    machine.SetTranscript([&text](std::string_view shown) { text.append(shown); });
    machine.PrepareScreen(m_options.Columns, m_options.Rows);
    try {
        machine.LoadStory(StoryImage(std::vector<uint8_t>(*m_zcode)));
    } catch (const StoryError& e) {
        throw LoadError(std::string("The story file is damaged: ") + e.what() + ".");
    }
    game->Host.Breath = m_breath;
    return game;
}

void Session::SetBreath(std::function<void()> breath) {
    m_breath = std::move(breath);
    if (m_game)
        m_game->Host.Breath = m_breath;
}

void Session::Restart() {
    m_game = NewGame();
    m_mark.reset();
    m_ended.reset();
    try {
        m_game->Machine.StartGame();
    } catch (const StoryError& e) {
        m_ended = GameOutcome{GameOutcome::Kind::Fault,
                              std::string("Story fault at the start: ") + e.what() + "."};
        return;
    }
    Run();
}

void Session::Run() {
    const GameOutcome outcome = m_game->Machine.RunUntilInput();
    if (outcome.kind == GameOutcome::Kind::Waiting)
        m_ended.reset();
    else
        m_ended = outcome;
}

zMachine::Awaiting Session::Waiting() const {
    return m_ended ? zMachine::Awaiting::Nothing : m_game->Machine.AwaitedInput();
}

std::optional<std::string> Session::Input(std::string_view text) {
    if (m_ended)
        return "The game has ended: restart it or restore a snapshot.";
    zMachine& machine = m_game->Machine;
    Keyboard& keyboard = machine.Keys();
    std::string keys;
    switch (machine.AwaitedInput()) {
    case zMachine::Awaiting::Nothing: return "The story is not waiting for input.";
    case zMachine::Awaiting::Line:
        // Each character is typed, Enter after the last; one the story's character set lacks is
        // not taken, as from the keyboard.
        for (const char32_t c : DecodeUtf8(text)) {
            if (c == U'\n' || c == U'\r')
                return "A line of input holds no line break.";
            if (keys.size() < kMaxTypedCharacters)
                if (const auto code = machine.Chars().FromUnicode(c))
                    keys.push_back(static_cast<char>(*code));
        }
        keys.push_back(static_cast<char>(kKeyEnter));
        keyboard.TypeFirst(keys);
        break;
    case zMachine::Awaiting::Key: {
        const auto key = KeyCode(text, machine.Chars());
        if (!key)
            return "A key is one character or the name of a key (enter, escape, backspace, up, "
                   "down, left, right, f1 to f12, keypad0 to keypad9).";
        keyboard.TypeFirst(std::string(1, static_cast<char>(*key)));
        if (!keyboard.HoldsKey()) {
            keyboard.Reset();
            return "The story does not take that key here (the cursor, function and keypad keys "
                   "reach it only in the complete Z-machine).";
        }
        break;
    }
    }
    Run();
    return std::nullopt;
}

std::vector<uint8_t> Session::Snapshot() const {
    if (m_ended)
        return {};
    return m_game->Machine.SaveSnapshot();
}

std::optional<std::string> Session::Restore(const std::vector<uint8_t>& snapshot) {
    std::string error;
    if (!m_game->Machine.RestoreSnapshot(snapshot, error))
        return error;
    m_ended.reset();
    // A game kept at its SAVE runs on to its next input.
    if (m_game->Machine.AwaitedInput() == zMachine::Awaiting::Nothing)
        Run();
    return std::nullopt;
}

void Session::Mark() {
    const zMachine& machine = m_game->Machine;
    m_mark.reset(new Kept{machine.TakeCheckpoint(), m_game->Machine.Screen(), m_game->Surface,
                          m_game->Text, m_game->Host.Messages, m_ended});
}

void Session::Rewind() {
    if (!m_mark)
        return;
    Kept& kept = *m_mark;
    m_game->Machine.PutCheckpoint(kept.Checkpoint);
    m_game->Machine.Screen() = kept.Screen;
    m_game->Surface = kept.Surface;
    m_game->Text = std::move(kept.Text);
    m_game->Host.Messages = std::move(kept.Messages);
    m_ended = kept.Ended;
    m_mark.reset();
}

std::string Session::TakeText() {
    std::string text = std::move(m_game->Text);
    m_game->Text.clear();
    // The story's text as a program reads it: no control character but line feed and tab.
    StripControlCharacters(text);
    return text;
}

std::vector<std::string> Session::TakeMessages() {
    std::vector<std::string> messages = std::move(m_game->Host.Messages);
    m_game->Host.Messages.clear();
    return messages;
}

} // namespace lantern
