#include "sound/StorySound.h"

#include <algorithm>
#include <chrono>
#include <optional>

namespace lantern {

namespace {

// SOUND_EFFECT's effects.
constexpr int kPrepare = 1;
constexpr int kStart = 2;
constexpr int kStop = 3;
constexpr int kFinish = 4;
// The loudest volume, and the repeats that mean "for ever" (the high byte of the volume word).
constexpr int kLoudest = 255;
constexpr int kMaxVolume = 8;
constexpr int kForever = 255;
// Routines of starts kept, and routines due that wait to be called: a story that starts and
// ends sounds faster than its routines run loses the oldest.
constexpr size_t kMaxRoutines = 64;
constexpr size_t kMaxDue = 16;
// Sounds decoded in one second at most: a story that makes the device decode sound after sound
// (starting and forgetting them in a loop) has the rest skipped.
constexpr int kMaxDecodesPerSecond = 50;

std::optional<SoundFormat> FormatOf(const SoundResources::Entry& entry) {
    if (entry.Id == "FORM" && entry.FormType == "AIFF")
        return SoundFormat::Aiff;
    if (entry.Id == "OGGV")
        return SoundFormat::Ogg;
    if (entry.Id == "MOD ")
        return SoundFormat::Mod;
    return std::nullopt;
}

std::string Named(int number) {
    return "sound " + std::to_string(number);
}

} // namespace

void StorySound::Begin(const std::string& storyPath, const ZCodeIdentity& identity, int version) {
    m_version = version;
    m_effectSinceInput = false;
    m_routines.clear();
    m_due.clear();
    m_undecodable.clear();
    m_resources = SoundResources::Find(storyPath, identity);
    if (!m_device || m_resources.Empty())
        return;
    if (!OpenDevice())
        return;
    for (const uint32_t number : m_resources.LoopsWithoutSound())
        Say("the Loop chunk names sound " + std::to_string(number) + ", which " +
            m_resources.Path() + " does not have");
}

void StorySound::End() {
    if (m_open)
        m_device->Unload(0);
    m_resources = SoundResources();
    m_routines.clear();
    m_due.clear();
}

bool StorySound::Effect(const Request& request) {
    // No operands at all is a mistake that bleeps as 1 does.
    const int number = request.OperandCount == 0 ? 1 : request.Number;
    if (number == 1 || number == 2) {
        if (!m_device || !OpenDevice())
            return true;
        m_device->Bleep(number);
        return false;
    }
    if (!Available())
        return false;
    if (request.OperandCount < 2) {
        Say(Named(number) + " without an effect: passed over");
        return false;
    }
    if (number == 0 && (request.Effect == kStop || request.Effect == kFinish)) {
        if (request.Effect == kStop)
            StopPlaying();
        else
            m_device->Unload(0);
        return false;
    }
    if (number < 3 || number > 0x7FFF) {
        Say(Named(number) + ": no such sound");
        return false;
    }
    switch (request.Effect) {
    case kPrepare: Prepare(number); break;
    case kStart: Start(request); break;
    case kStop: m_device->Stop(number); break;
    case kFinish: Forget(number); break;
    default:
        Say(Named(number) + ": effect " + std::to_string(request.Effect) +
            " is none of prepare, start, stop and finish: passed over");
        break;
    }
    return false;
}

void StorySound::Start(const Request& request) {
    const int number = request.Number;
    if (!Prepare(number))
        return;
    const SoundFormat format = *FormatOf(*m_resources.Get(number));
    SoundStart start;
    start.Number = number;
    start.Id = m_nextId++;
    // The volume is 1 to 8, or 255 for the loudest; a missing one is the loudest.
    int volume = request.OperandCount >= 3 ? request.Volume & 0xFF : kLoudest;
    if (volume != kLoudest && (volume < 1 || volume > kMaxVolume)) {
        const int clamped = std::clamp(volume, 1, kMaxVolume);
        Say(Named(number) + ": volume " + std::to_string(volume) + " taken as " +
            std::to_string(clamped));
        volume = clamped;
    }
    start.Volume = volume == kLoudest ? 1.0 : volume / static_cast<double>(kMaxVolume);
    if (m_version <= 3) {
        // Version 3 plays a sound as often as the Loop chunk says (0: for ever), else once.
        const auto loop = m_resources.LoopValue(number);
        start.Plays = loop ? static_cast<int>(std::min<uint32_t>(*loop, 0x7FFF)) : 1;
        if (format == SoundFormat::Aiff) {
            // A story written for a slow machine starts effects one after another within a
            // turn: each is heard once through before the next.
            start.AfterPass = m_effectSinceInput;
            m_effectSinceInput = true;
        }
    } else {
        const int repeats = request.OperandCount >= 3 ? (request.Volume >> 8) & 0xFF : 1;
        if (repeats == 0)
            Say(Named(number) + ": 0 repeats taken as 1");
        start.Plays = repeats == kForever ? 0 : std::max(repeats, 1);
        if (request.OperandCount >= 4 && request.Routine != 0) {
            if (!request.RoutineInStory) {
                Say(Named(number) + ": routine " + std::to_string(request.Routine) +
                    " lies outside the story: not called");
            } else {
                m_routines.emplace_back(start.Id, request.Routine);
                if (m_routines.size() > kMaxRoutines)
                    m_routines.pop_front();
            }
        }
    }
    m_device->Play(start);
}

bool StorySound::Prepare(int number) {
    if (m_device->IsLoaded(number))
        return true;
    const SoundResources::Entry* entry = m_resources.Get(number);
    if (!entry) {
        Say(Named(number) + ": no such sound");
        return false;
    }
    if (m_undecodable.count(number) != 0)
        return false;
    const auto format = FormatOf(*entry);
    if (!format) {
        Say(Named(number) + ": a sound of a kind that is not played (" + entry->Id + ")");
        m_undecodable[number] = true;
        return false;
    }
    if (!MayDecode()) {
        Say(Named(number) + ": skipped, too many sounds decoded in this second");
        return false;
    }
    std::string problem;
    auto bytes = m_resources.Read(number, problem);
    if (bytes && *format == SoundFormat::Aiff)
        bytes = CheckAiff(*bytes, problem);
    if (!problem.empty())
        Say(Named(number) + ": " + problem);
    if (!bytes || !m_device->Load(number, *format, *bytes)) {
        if (bytes)
            Say(Named(number) + ": does not decode");
        m_undecodable[number] = true;
        return false;
    }
    return true;
}

void StorySound::Forget(int number) {
    m_device->Unload(number);
}

void StorySound::StopPlaying() {
    if (m_open)
        m_device->Stop(0);
    m_effectSinceInput = false;
    m_routines.clear();
    m_due.clear();
}

bool StorySound::RoutineDue() {
    if (m_open) {
        for (const uint32_t id : m_device->TakeFinished()) {
            const auto found = std::find_if(m_routines.begin(), m_routines.end(),
                                            [id](const auto& entry) { return entry.first == id; });
            if (found == m_routines.end())
                continue;
            if (m_due.size() < kMaxDue)
                m_due.push_back(found->second);
            else
                Say("sound routine " + std::to_string(found->second) + " dropped: too many due");
            m_routines.erase(found);
        }
    }
    return !m_due.empty();
}

int32_t StorySound::TakeRoutine() {
    if (m_due.empty())
        return 0;
    const int32_t routine = m_due.front();
    m_due.pop_front();
    return routine;
}

bool StorySound::MayDecode() {
    const int64_t second = std::chrono::duration_cast<std::chrono::seconds>(
                               std::chrono::steady_clock::now().time_since_epoch())
                               .count();
    if (second != m_decodeSecond) {
        m_decodeSecond = second;
        m_decodes = 0;
    }
    return ++m_decodes <= kMaxDecodesPerSecond;
}

} // namespace lantern
