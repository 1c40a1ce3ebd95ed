#pragma once

#include "machine/zMachine.h"
#include "memory/StoryError.h"
#include "support/StoryBuilder.h"
#include "support/TestHost.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace lantern::test {

/// A machine over a recording host and a silent surface, with everything a story printed to
/// the lower window collected in `output`.
class MachineFixture : public ::testing::Test {
  protected:
    TestHost host;
    NullSurface surface;
    std::unique_ptr<zMachine> machine;
    std::string output;

    /// Loads the built story and starts it, as a new game does (the complete Z-machine when
    /// standard).
    void Start(const StoryBuilder& builder, bool standard = false) {
        machine = std::make_unique<zMachine>(host, surface, 12345);
        host.deliverKey = [this](int key) { machine->Keys().KeyPress(key); };
        machine->SetPagingWait(false);
        machine->SetTranscript([this](std::string_view text) { output += text; });
        machine->PrepareScreen(640, 480);
        machine->SetStandard(standard);
        machine->LoadStory(builder.Build());
        machine->StartGame();
    }

    /// Runs until the game stops; returns how it ended. A fault's message lands in `fault`.
    /// A story still running after maxSteps instructions fails the test.
    GameOutcome::Kind Run(long maxSteps = 10'000'000) {
        try {
            for (long i = 0; i < maxSteps; ++i)
                if (!machine->Step())
                    return machine->StopKind();
            ADD_FAILURE() << "the story did not stop within " << maxSteps << " instructions";
            return GameOutcome::Kind::Stopped;
        } catch (const StoryError& e) {
            fault = e.what();
            return GameOutcome::Kind::Fault;
        } catch (const GameStopped&) {
            return GameOutcome::Kind::Stopped;
        }
    }

    /// Runs n instructions.
    void Steps(int n) {
        for (int i = 0; i < n; ++i)
            machine->Step();
    }

    int32_t Global(int variable) { return machine->Global(variable); }

    std::string fault;
};

} // namespace lantern::test
