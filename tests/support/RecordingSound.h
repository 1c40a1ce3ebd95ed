#pragma once

#include "platform/SoundDevice.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace lantern::test {

/// A sound device that plays nothing and writes down what it is asked, one line a call
/// ("load 3 aiff", "play 3 volume 0.75 plays 2 after", "stop 0", "unload 8", "bleep 1"). A
/// sound played ends as soon as the game next asks (TakeFinished), unless it plays for ever,
/// was replaced on its channel or was stopped: the way a device reports ends, at once.
class RecordingSound : public SoundDevice {
  public:
    bool opens = true;
    std::vector<std::string> calls;
    int playerVolume = -1; ///< the last the front-end set

    bool Open() override {
        calls.emplace_back("open");
        return opens;
    }
    bool Load(int number, SoundFormat format, std::span<const uint8_t>) override {
        static const char* const kNames[] = {"aiff", "ogg", "mod"};
        calls.push_back("load " + std::to_string(number) + " " + kNames[static_cast<int>(format)]);
        m_formats[number] = format;
        return true;
    }
    bool IsLoaded(int number) const override { return m_formats.count(number) != 0; }
    void Play(const SoundStart& start) override {
        char volume[16];
        std::snprintf(volume, sizeof volume, "%.3g", start.Volume);
        calls.push_back("play " + std::to_string(start.Number) + " volume " + volume + " plays " +
                        std::to_string(start.Plays) + (start.AfterPass ? " after" : ""));
        Playing& channel = m_playing[static_cast<int>(ChannelOf(m_formats[start.Number]))];
        if (!start.AfterPass || channel.Id == 0)
            channel = {start.Number, start.Plays == 0 ? 0 : start.Id};
    }
    void Stop(int number) override {
        calls.push_back("stop " + std::to_string(number));
        for (Playing& channel : m_playing)
            if (number == 0 || channel.Number == number)
                channel = {};
    }
    void Unload(int number) override {
        calls.push_back("unload " + std::to_string(number));
        Stop(number);
        calls.pop_back();
        if (number == 0)
            m_formats.clear();
        else
            m_formats.erase(number);
    }
    void Bleep(int which) override { calls.push_back("bleep " + std::to_string(which)); }
    std::vector<uint32_t> TakeFinished() override {
        std::vector<uint32_t> ended;
        for (Playing& channel : m_playing) {
            if (channel.Id != 0)
                ended.push_back(channel.Id);
            channel = {};
        }
        return ended;
    }
    void SetWakeUp(std::function<void()>) override {}
    void SetPlayerVolume(int percent) override { playerVolume = percent; }

    /// The calls that start with prefix.
    std::vector<std::string> Calls(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& call : calls)
            if (call.rfind(prefix, 0) == 0)
                found.push_back(call);
        return found;
    }

  private:
    struct Playing {
        int Number = 0;
        uint32_t Id = 0; ///< 0: nothing that ends by itself
    };
    std::map<int, SoundFormat> m_formats;
    Playing m_playing[2];
};

} // namespace lantern::test
