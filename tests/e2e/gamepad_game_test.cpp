// The real game on the real SDL backend under Xvfb, played with SDL's
// virtual joystick: A starts a game, the D-pad moves the ship, Back quits, a
// pad pulled out while it holds a direction stops the ship, and a focus
// change while a key is held does the same. The game runs in a child of the
// test (forked, so it ends, globals and all, while the X server still runs);
// the test's steps run there between two frames, on the game's own thread,
// from the event pump, so they read the ship's position without racing the
// frame. The child reports what it saw in a file.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/win_main.h"
#include "e2e_harness.h"
#include "platform/api/backend.h"
#include "platform/sdl/sdl_backend.h"
#include "platform/sdl/sdl_virtual_pad.h"
#include "sdl_window.h"

namespace {

using platform::PadButton;
using Clock = std::chrono::steady_clock;

// Passes everything to the real backend; before each event pump it runs
// the test's next step.
class ScriptedBackend : public platform::Backend {
public:
    ScriptedBackend(std::shared_ptr<platform::Backend> real, std::function<void()> beforePump)
        : real_(std::move(real)), beforePump_(std::move(beforePump)) {}
    bool OpenWindow(const char* title, int width, int height, bool visible) override {
        return real_->OpenWindow(title, width, height, visible);
    }
    void CloseWindow() override { real_->CloseWindow(); }
    bool IsWindowOpen() const override { return real_->IsWindowOpen(); }
    void PumpEvents(std::vector<platform::NativeEvent>* events) override {
        if (real_->IsWindowOpen()) beforePump_();
        real_->PumpEvents(events);
    }
    SHORT QueryKeyState(int virtualKey) override { return real_->QueryKeyState(virtualKey); }
    void SetCursorVisible(bool visible) override { real_->SetCursorVisible(visible); }
    std::unique_ptr<platform::Presenter> CreatePresenter(bool windowed, int width, int height) override {
        return real_->CreatePresenter(windowed, width, height);
    }
    void ShowMessageBox(const char* caption, const char* text) override { real_->ShowMessageBox(caption, text); }
    int64_t CounterNanoseconds() override { return real_->CounterNanoseconds(); }
    DWORD Milliseconds() override { return real_->Milliseconds(); }

private:
    std::shared_ptr<platform::Backend> real_;
    std::function<void()> beforePump_;
};

// Steps run one after another, each once its condition holds; a step that
// waits too long ends the game and names itself as the failure.
class Script {
public:
    // Adds a step: when ready() holds, action() runs and the next step waits.
    Script& Then(std::string name, std::function<bool()> ready, std::function<void()> action) {
        steps_.push_back({std::move(name), std::move(ready), std::move(action)});
        return *this;
    }
    // Runs from the event pump.
    void Pump() {
        ++pumps_;
        if (next_ >= steps_.size() || !failure_.empty()) return;
        if (next_ == 0 && stepStart_ == Clock::time_point{}) stepStart_ = Clock::now();
        Step& step = steps_[next_];
        if (step.ready()) {
            step.action();
            ++next_;
            stepStart_ = Clock::now();
            stepPumps_ = pumps_;
        } else if (Clock::now() - stepStart_ > std::chrono::seconds(30)) {
            Fail("timed out waiting to " + step.name);
        }
    }
    // Ends the game with a failure.
    void Fail(const std::string& why) {
        if (failure_.empty()) failure_ = why;
        PostQuitMessage(1);
    }
    // Event pumps (about frames) since the previous step ran.
    int PumpsSinceStep() const { return pumps_ - stepPumps_; }
    double SecondsSinceStep() const { return std::chrono::duration<double>(Clock::now() - stepStart_).count(); }
    bool Finished() const { return next_ == steps_.size(); }
    const std::string& Failure() const { return failure_; }

private:
    struct Step {
        std::string name;
        std::function<bool()> ready;
        std::function<void()> action;
    };
    std::vector<Step> steps_;
    size_t next_ = 0;
    int pumps_ = 0;
    int stepPumps_ = 0;
    Clock::time_point stepStart_{};
    std::string failure_;
};

class GamepadGame : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(xvfb.Ok()); }

    // Runs the game with the script in a child process; returns its exit
    // status and fills report with what the steps noted.
    int Play() {
        const std::string reportFile = dir.Root() + "/report";
        const pid_t pid = fork();
        if (pid == 0) {
            testsdl::UseDisplay(xvfb.Display().c_str());
            if (chdir(dir.Bin().c_str()) != 0) _exit(126);
            platform::InstallBackend(
                std::make_shared<ScriptedBackend>(platform::CreateSdlBackend(), [this] { script.Pump(); }));
            const int result = WinMain(nullptr, nullptr, nullptr, 0);
            pad.Unplug();
            Note("finished", script.Finished() ? 1 : 0);
            Note("right held at the end", (GetAsyncKeyState(VK_RIGHT) & 0x8000) != 0 ? 1 : 0);
            std::ofstream out(reportFile);
            out << "failure " << script.Failure() << "\n";
            for (const auto& [name, value] : notes) out << name << "=" << value << "\n";
            out.close();
            // The game's own end: globals destroyed, SDL shut down, while Xvfb runs.
            std::exit(result);
        }
        const int status = e2e::WaitForExit(pid, 120000);
        std::istringstream in(e2e::ReadFile(reportFile));
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind("failure ", 0) == 0) {
                failure = line.substr(8);
            } else if (const size_t eq = line.find('='); eq != std::string::npos) {
                report[line.substr(0, eq)] = std::stod(line.substr(eq + 1));
            }
        }
        return status;
    }
    void Note(const std::string& name, double value) { notes[name] = value; }
    double Reported(const std::string& name) const {
        auto it = report.find(name);
        return it == report.end() ? -1e9 : it->second;
    }

    // Gives the game's window the keyboard focus, which SDL wants before it
    // hands over pad input.
    void FocusGame() { e2e::XdoTool(xvfb.Display(), {"search", "--name", "^Vantora3$", "windowfocus", "--sync"}); }
    static float ShipX() { return player.GetPosition().x; }
    bool LogHas(const std::string& line) const {
        return e2e::ReadFile(dir.LogFile()).find(line + "\n") != std::string::npos;
    }
    // Steps that start a game with A once the start screen runs, and wait
    // until the frame rate is latched (after a second), so the ship moves
    // by its real per-frame step.
    void StartWithA() {
        script
            .Then(
                "show the start screen", [&] { return script.PumpsSinceStep() >= 5; },
                [&] {
                    FocusGame();
                    if (!pad.PlugIn("Virtual pad")) script.Fail("no virtual pad");
                })
            .Then(
                "see the pad", [&] { return script.PumpsSinceStep() >= 5; },
                [&] {
                    if (game.IsGameOver() == 0) script.Fail("a game runs before A");
                    pad.SetButton(PadButton::A, true);
                })
            .Then(
                "start a game", [&] { return game.IsGameOver() == 0; }, [&] { pad.SetButton(PadButton::A, false); })
            .Then(
                "latch the frame rate", [&] { return script.SecondsSinceStep() >= 1.3; }, [] {});
    }

    e2e::Xvfb xvfb;
    e2e::RunDirectory dir;
    Script script;
    platform::TEST_VirtualPad pad;
    std::map<std::string, double> notes;   // the child's
    std::map<std::string, double> report;  // as the test reads it back
    std::string failure;
};

TEST_F(GamepadGame, AStartsDpadLeftMovesBackQuits) {
    StartWithA();
    script
        .Then(
            "hold left", [&] { return true; },
            [&] {
                Note("before", ShipX());
                pad.SetButton(PadButton::DpadLeft, true);
            })
        .Then(
            "move", [&] { return script.PumpsSinceStep() >= 10; },
            [&] {
                Note("after", ShipX());
                pad.SetButton(PadButton::DpadLeft, false);
            })
        .Then(
            "quit with Back", [&] { return script.PumpsSinceStep() >= 3; },
            [&] { pad.SetButton(PadButton::Back, true); });
    EXPECT_EQ(Play(), 0);
    EXPECT_EQ(failure, "");
    EXPECT_EQ(Reported("finished"), 1);
    EXPECT_TRUE(LogHas("Spiel zur\374ckgesetzt"));
    EXPECT_LT(Reported("after"), Reported("before") - 20.0);
}

TEST_F(GamepadGame, PulledWhileHoldingRightTheShipStops) {
    StartWithA();
    script
        .Then(
            "hold right", [&] { return true; },
            [&] {
                Note("start", ShipX());
                pad.SetButton(PadButton::DpadRight, true);
            })
        .Then(
            "pull the pad", [&] { return script.PumpsSinceStep() >= 8; },
            [&] {
                Note("pulled", ShipX());
                pad.Unplug();
            })
        .Then(
            "wait", [&] { return script.PumpsSinceStep() >= 30; },
            [&] {
                Note("later", ShipX());
                DestroyWindow(mainWindow);
            });
    EXPECT_EQ(Play(), 0);
    EXPECT_EQ(failure, "");
    EXPECT_GT(Reported("pulled"), Reported("start") + 20.0);
    EXPECT_EQ(Reported("later"), Reported("pulled"));
    EXPECT_EQ(Reported("right held at the end"), 0);
}

TEST_F(GamepadGame, FocusTakenWhileRightHeldTheShipStops) {
    e2e::OtherWindow other(xvfb.Display());
    ASSERT_TRUE(other.Ok());
    StartWithA();
    script
        .Then(
            "hold right on the keyboard", [&] { return true; },
            [&] {
                Note("start", ShipX());
                e2e::XdoTool(xvfb.Display(), {"keydown", "Right"});
            })
        .Then(
            "take the focus away", [&] { return script.PumpsSinceStep() >= 8; }, [&] { other.TakeFocus(); })
        .Then(
            "let the focus change arrive", [&] { return script.PumpsSinceStep() >= 2; }, [&] { Note("away", ShipX()); })
        .Then(
            "wait", [&] { return script.PumpsSinceStep() >= 30; },
            [&] {
                Note("later", ShipX());
                e2e::XdoTool(xvfb.Display(), {"keyup", "Right"});
                DestroyWindow(mainWindow);
            });
    EXPECT_EQ(Play(), 0);
    EXPECT_EQ(failure, "");
    EXPECT_GT(Reported("away"), Reported("start") + 20.0);
    EXPECT_EQ(Reported("later"), Reported("away"));
}

}  // namespace
