#include "app/ScriptPlayer.h"

#include <algorithm>
#include <cstring>
#include <ostream>

#include "app/DialogCommands.h"
#include "app/ExitStatus.h"
#include "hostpcb/Host.h"
#include "io/Units.h"
#include "sdk/plugin.h"

namespace app {

namespace {

hostpcb::Point HostPoint(const ScriptLine& line) { return io::ToHost(io::KPoint{line.x, line.y}); }

std::string Where(const ScriptLine& line) { return "(" + line.source.substr(line.source.find_first_not_of(" \t")) + ")"; }

bool NamesComponent(const hostpcb::Component& component, const std::string& reference) {
    return SameTextIgnoringCase(component.Designator(), reference);
}

// The component an object is or belongs to.
const hostpcb::Component* ComponentOf(const hostpcb::Object* object) {
    if (object == nullptr) {
        return nullptr;
    }
    if (const auto* component = dynamic_cast<const hostpcb::Component*>(object)) {
        return component;
    }
    return object->ParentComponent();
}

}  // namespace

ScriptCommandRunner LauncherRunner(sdk::ICommandLauncher& launcher) {
    return [&launcher](const std::string& command, const std::string& parameters,
                       bool) -> std::optional<ScriptFailure> {
        std::vector<char> buffer(std::max<std::size_t>(1024, parameters.size() + 1), '\0');
        std::memcpy(buffer.data(), parameters.data(), parameters.size());
        const int32_t result =
            launcher.LaunchCommand(command.c_str(), buffer.data(), static_cast<int32_t>(buffer.size()), nullptr);
        if (result != sdk::kResultOk) {
            return ScriptFailure{0, "the command " + command + " failed (result " + std::to_string(result) + ")",
                                 kExitFailed};
        }
        return std::nullopt;
    };
}

ScriptPlayer::ScriptPlayer(const EditScript& script, hostpcb::Board& board, ScriptCommandRunner run,
                           ScriptAnswerSink answer, std::ostream& notices)
    : Name(script.name), Lines(&script.lines), OwnSource(std::make_unique<FixedSource>(script.lines)),
      Source(*OwnSource), Steps(board),
      Board(board), Run(std::move(run)), Answer(std::move(answer)), Notices(notices) {
    hostpcb::Host::Instance().SetInteraction(this);
}

ScriptPlayer::ScriptPlayer(ScriptSource& source, hostpcb::Board& board, ScriptCommandRunner run,
                           ScriptAnswerSink answer, std::ostream& notices, ScriptProblemSink problems)
    : Source(source), Problems(std::move(problems)), Steps(board), Board(board), Run(std::move(run)),
      Answer(std::move(answer)), Notices(notices) {
    hostpcb::Host::Instance().SetInteraction(this);
}

const ScriptLine* ScriptPlayer::TakeLine(ScriptSource::Waiting waiting) {
    const ScriptLine* line = Source.Peek(waiting);
    if (line != nullptr) {
        Source.Take();
    }
    return line;
}

ScriptPlayer::~ScriptPlayer() {
    if (&hostpcb::Host::Instance().Interaction() == this) {
        hostpcb::Host::Instance().SetInteraction(nullptr);
    }
}

std::optional<ScriptError> ScriptPlayer::CheckReferences() const {
    const std::vector<hostpcb::Component*> components = Board.Components();
    const auto known = [&components](const std::string& reference) {
        for (const hostpcb::Component* component : components) {
            if (NamesComponent(*component, reference)) {
                return true;
            }
        }
        return false;
    };
    if (Lines == nullptr) {
        return std::nullopt;  // a live source checks each line as it comes
    }
    for (const ScriptLine& line : *Lines) {
        std::vector<std::string> references = line.words;
        if (line.kind == ScriptLine::Kind::Pick && !line.text.empty()) {
            references = {line.text};
        } else if (line.kind != ScriptLine::Kind::Select && line.kind != ScriptLine::Kind::Deselect) {
            continue;
        }
        for (const std::string& reference : references) {
            if (!known(reference)) {
                return ScriptError{line.number, "the board has no footprint " + reference};
            }
        }
    }
    return std::nullopt;
}

bool ScriptPlayer::Play() {
    while (!Failed) {
        const ScriptLine* line = TakeLine(ScriptSource::Waiting::Top);
        if (line == nullptr) {
            break;
        }
        if (ApplySetting(*line)) {
            continue;
        }
        switch (line->kind) {
            case ScriptLine::Kind::Run:
                Steps.Begin();
                RunCommand(*line, false);
                Steps.End();
                break;
            case ScriptLine::Kind::Undo:
                if (!Steps.Undo()) {
                    Fail(*line, "there is nothing to undo");
                }
                break;
            case ScriptLine::Kind::Redo:
                if (!Steps.Redo()) {
                    Fail(*line, "there is nothing to redo");
                }
                break;
            case ScriptLine::Kind::Pick:
            case ScriptLine::Kind::Escape:
                Fail(*line, "no command is waiting for a location here");
                break;
            default:
                Fail(*line, "no edit is running here");
                break;
        }
    }
    return !Failed;
}

bool ScriptPlayer::ApplySetting(const ScriptLine& line) {
    switch (line.kind) {
        case ScriptLine::Kind::Select:
            SetSelected(line, true);
            return true;
        case ScriptLine::Kind::Deselect:
            SetSelected(line, false);
            return true;
        case ScriptLine::Kind::Answer:
            if (const std::string problem = Answer ? Answer(line.text) : "dialog answers are not taken here";
                !problem.empty()) {
                Fail(line, problem);
            }
            return true;
        case ScriptLine::Kind::Shift:
            Shift = line.value != 0;
            return true;
        case ScriptLine::Kind::Control:
            Control = line.value != 0;
            return true;
        case ScriptLine::Kind::Move:
            Board.cursor = HostPoint(line);
            return true;
        default:
            return false;
    }
}

void ScriptPlayer::SetSelected(const ScriptLine& line, bool selected) {
    for (hostpcb::Component* component : Board.Components()) {
        bool named = line.words.empty();
        for (const std::string& reference : line.words) {
            named = named || NamesComponent(*component, reference);
        }
        if (named) {
            component->flags = selected ? uint16_t(component->flags | PCB_FLAG_SELECTED)
                                        : uint16_t(component->flags & ~uint16_t(PCB_FLAG_SELECTED));
        }
    }
}

void ScriptPlayer::RunCommand(const ScriptLine& line, bool nested) {
    if (std::optional<ScriptFailure> problem = Run(line.text, RunParameters(line), nested)) {
        if (!Failed) {
            problem->line = line.number;
            Failed = std::move(problem);
        }
    }
}

bool ScriptPlayer::Fail(const ScriptLine& line, const std::string& text) {
    if (Problems) {
        Problems(line, text + " " + Where(line));
        return false;
    }
    if (!Failed) {
        Failed = ScriptFailure{line.number, text + " " + Where(line), kExitUsage};
    }
    return true;
}

bool ScriptPlayer::ChooseLocation(const std::string& prompt, hostpcb::Point& location) {
    PromptsSeen.push_back(prompt);
    while (!Failed) {
        const ScriptLine* line = Source.Peek(ScriptSource::Waiting::Location);
        if (line == nullptr || line->kind == ScriptLine::Kind::Run) {
            return false;  // as Escape: the command line runs once the waiting command is done
        }
        Source.Take();
        if (ApplySetting(*line)) {
            continue;
        }
        if (line->kind == ScriptLine::Kind::Pick) {
            location = HostPoint(*line);
            LastPick = *line;
            return true;
        }
        if (line->kind == ScriptLine::Kind::Escape) {
            return false;
        }
        Fail(*line, "no edit is running here: \"" + prompt + "\" waits for a pick or escape");
    }
    return false;
}

int32_t ScriptPlayer::ChooseObject(const std::vector<PcbHandle>& candidates) {
    if (Failed || !LastPick) {
        return -1;
    }
    const hostpcb::Host& host = hostpcb::Host::Instance();
    std::string names;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const hostpcb::Component* component = ComponentOf(host.Resolve(candidates[i]));
        const std::string name = component != nullptr ? component->Designator() : "an object without footprint";
        if (!LastPick->text.empty() && component != nullptr && NamesComponent(*component, LastPick->text)) {
            return static_cast<int32_t>(i);
        }
        names += (names.empty() ? "" : ", ") + name;
    }
    Fail(*LastPick, (LastPick->text.empty() ? "several objects are there (" + names + "); name one after the point"
                                            : LastPick->text + " is not among the objects there (" + names + ")"));
    return -1;
}

bool ScriptPlayer::NextEvent(hostpcb::EventHandlerSession& session) {
    while (!Failed) {
        const ScriptLine* line = TakeLine(ScriptSource::Waiting::Edit);
        if (line == nullptr) {
            Notices << "autoplacer: " << Name << ": the script ends while an edit runs; the edit is cancelled\n";
            return false;
        }
        switch (line->kind) {
            case ScriptLine::Kind::Move:
                session.MoveCursor(HostPoint(*line));
                return true;
            case ScriptLine::Kind::Key:
                session.Key(line->value);
                return true;
            case ScriptLine::Kind::Event:
                session.Fire(line->value);
                return true;
            case ScriptLine::Kind::Run:
                RunCommand(*line, true);
                return !Failed;
            case ScriptLine::Kind::Pick:
            case ScriptLine::Kind::Escape:
            case ScriptLine::Kind::Undo:
            case ScriptLine::Kind::Redo:
                if (Fail(*line, "an edit is still running here; end it with accept or cancel first")) {
                    return false;
                }
                break;
            default:
                ApplySetting(*line);
                if (line->kind == ScriptLine::Kind::Shift || line->kind == ScriptLine::Kind::Control) {
                    return true;
                }
                break;
        }
    }
    return false;
}

}  // namespace app
