// Plays an editing script (app/EditScript.h) against the host: it is the host's
// interaction provider while it lives, so the plug-in's requests for a location,
// for one of several objects and for the editor's next events are answered from
// the script's lines in order.
//
// The script is read once, front to back. At the top, selections, dialog answers,
// the Shift and Control keys and cursor moves are applied and commands are run.
// While a command waits for a location, those same settings are applied and the
// next "pick" answers it ("escape", a command or the end of the script answers
// cancel, which ends the editing mode). While an edit runs, each line is one
// event: cursor moves, keys, the editor's events, and commands, which arrive
// while the edit runs as the feature commands do. A line that cannot happen where
// it stands (an event with no edit running, a pick while an edit runs) stops the
// script: every later request is answered with cancel and Failure() says why.
//
// It holds no plug-in code: it runs commands through the runner it is given, so
// the application and tests of the plug-in can both use it. Its lines come from a
// source: a script read in advance, or a live one (the browser view) that waits
// for the person's next action; with a live source a line that cannot happen is
// reported and skipped instead of stopping the session. Each top-level command
// is one step of the undo history ("undo", "redo").
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/EditHistory.h"
#include "app/EditScript.h"
#include "hostpcb/Interaction.h"

namespace hostpcb {
class Board;
}

namespace sdk {
class ICommandLauncher;
}

namespace app {

struct ScriptFailure {
    int line = 0;  // 0: not tied to a line
    std::string text;
    int status = 0;  // the exit status it stands for
};

// Runs a plug-in command; nested is true when it arrives while an edit runs.
// Answers nothing when it went well, otherwise why not.
using ScriptCommandRunner =
    std::function<std::optional<ScriptFailure>(const std::string& command, const std::string& parameters, bool nested)>;
// Queues a dialog answer; answers the problem, empty when taken.
using ScriptAnswerSink = std::function<std::string(const std::string& answer)>;

// A runner for a launcher at hand (tests of the plug-in): each command gets a
// parameter buffer of at least 1024 bytes; an error code is a failure.
ScriptCommandRunner LauncherRunner(sdk::ICommandLauncher& launcher);

// Where the player's lines come from.
class ScriptSource {
public:
    // What the player waits for when it asks for a line.
    enum class Waiting { Top, Location, Edit };
    virtual ~ScriptSource() = default;
    // The next line (the same one until Take), nullptr when there are no more.
    // A live source may wait for it.
    virtual const ScriptLine* Peek(Waiting waiting) = 0;
    virtual void Take() = 0;
};

// A line that cannot happen where it stands, with a live source.
using ScriptProblemSink = std::function<void(const ScriptLine& line, const std::string& problem)>;

class ScriptPlayer final : public hostpcb::InteractionProvider {
public:
    ScriptPlayer(const EditScript& script, hostpcb::Board& board, ScriptCommandRunner run, ScriptAnswerSink answer,
                 std::ostream& notices);
    // Plays a live source; problems are reported to problems and the line skipped.
    ScriptPlayer(ScriptSource& source, hostpcb::Board& board, ScriptCommandRunner run, ScriptAnswerSink answer,
                 std::ostream& notices, ScriptProblemSink problems);
    // Puts back the host's quiet provider.
    ~ScriptPlayer() override;
    ScriptPlayer(const ScriptPlayer&) = delete;
    ScriptPlayer& operator=(const ScriptPlayer&) = delete;

    // The first line that names a component the board does not have.
    std::optional<ScriptError> CheckReferences() const;
    // Plays every line; false when one could not be carried out (see Failure()).
    bool Play();
    const std::optional<ScriptFailure>& Failure() const { return Failed; }

    // hostpcb::InteractionProvider
    bool ChooseLocation(const std::string& prompt, hostpcb::Point& location) override;
    int32_t ChooseObject(const std::vector<PcbHandle>& candidates) override;
    bool NextEvent(hostpcb::EventHandlerSession& session) override;
    bool ShiftDown() override { return Shift; }
    bool ControlDown() override { return Control; }

    // The prompts of the location requests, in order (for tests).
    const std::vector<std::string>& Prompts() const { return PromptsSeen; }
    const EditHistory& History() const { return Steps; }

private:
    // The lines of a script read in advance.
    class FixedSource final : public ScriptSource {
    public:
        explicit FixedSource(const std::vector<ScriptLine>& lines) : Lines(lines) {}
        const ScriptLine* Peek(Waiting) override { return Next < Lines.size() ? &Lines[Next] : nullptr; }
        void Take() override { ++Next; }

    private:
        const std::vector<ScriptLine>& Lines;
        std::size_t Next = 0;
    };

    // The next line, taken.
    const ScriptLine* TakeLine(ScriptSource::Waiting waiting);
    // Applies a line that only changes the host's state; false when it is none.
    bool ApplySetting(const ScriptLine& line);
    void RunCommand(const ScriptLine& line, bool nested);
    // Answers true when the problem stops the script (a script read in advance).
    bool Fail(const ScriptLine& line, const std::string& text);
    void SetSelected(const ScriptLine& line, bool selected);

    const std::string Name;
    const std::vector<ScriptLine>* Lines = nullptr;  // a script read in advance
    std::unique_ptr<FixedSource> OwnSource;
    ScriptSource& Source;
    ScriptProblemSink Problems;
    EditHistory Steps;
    hostpcb::Board& Board;
    ScriptCommandRunner Run;
    ScriptAnswerSink Answer;
    std::ostream& Notices;
    bool Shift = false;
    bool Control = false;
    int EditDepth = 0;
    std::optional<ScriptLine> LastPick;  // a copy: a live source lets go of its lines
    std::optional<ScriptFailure> Failed;
    std::vector<std::string> PromptsSeen;
};

}  // namespace app
