#include "app/BrowserSession.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iostream>

#include "app/BrowserMessages.h"
#include "app/BrowserServer.h"
#include "app/DialogCommands.h"
#include "app/DialogRouter.h"
#include "app/EditCommand.h"
#include "app/Interrupts.h"
#include "app/PluginSession.h"
#include "app/ScriptedDialogHost.h"
#include "hostpcb/Host.h"

namespace app {

namespace {

using nlohmann::json;
using Waiting = ScriptSource::Waiting;

constexpr auto kPoll = std::chrono::milliseconds(200);
constexpr int64_t kProgressEveryMs = 100;  // at most ten progress events a second
constexpr std::size_t kMinimumParameterBuffer = 1024;

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

const char* StateName(Waiting waiting) {
    switch (waiting) {
        case Waiting::Top: return "top";
        case Waiting::Location: return "location";
        case Waiting::Edit: return "edit";
    }
    return "top";
}

const char* KindName(sdk::ControlKind kind) {
    switch (kind) {
        case sdk::ControlKind::Label: return "label";
        case sdk::ControlKind::Button: return "button";
        case sdk::ControlKind::CheckBox: return "checkbox";
        case sdk::ControlKind::RadioButton: return "radio";
        case sdk::ControlKind::RadioGroup: return "radiogroup";
        case sdk::ControlKind::Edit: return "edit";
        case sdk::ControlKind::ListBox: return "listbox";
        case sdk::ControlKind::GroupBox: return "group";
        case sdk::ControlKind::Panel: return "panel";
        case sdk::ControlKind::PageControl: return "pages";
        case sdk::ControlKind::TabSheet: return "tab";
        case sdk::ControlKind::TrackBar: return "trackbar";
    }
    return "label";
}

std::string Text(const char* text) { return text != nullptr ? text : ""; }

// The form with its controls as the page draws them.
json FormJson(sdk::IDialogForm& form) {
    json controls = json::array();
    for (int32_t i = 0; i < form.GetControlCount(); ++i) {
        sdk::IDialogControl* c = form.GetControl(i);
        if (c == nullptr) continue;
        json control = {{"index", i},
                        {"name", Text(c->GetName())},
                        {"kind", KindName(c->GetKind())},
                        {"caption", StripAccelerator(Text(c->GetCaption()))},
                        {"parent", c->GetParentIndex()},
                        {"visible", c->IsVisible()},
                        {"enabled", c->IsEnabled()}};
        switch (c->GetKind()) {
            case sdk::ControlKind::Edit: control["text"] = Text(c->GetText()); break;
            case sdk::ControlKind::CheckBox:
            case sdk::ControlKind::RadioButton: control["checked"] = c->GetChecked(); break;
            case sdk::ControlKind::TrackBar:
                control["min"] = c->GetMin();
                control["max"] = c->GetMax();
                control["position"] = c->GetPosition();
                break;
            case sdk::ControlKind::RadioGroup:
            case sdk::ControlKind::ListBox:
            case sdk::ControlKind::PageControl: {
                json items = json::array();
                for (int32_t k = 0; k < c->GetItemCount(); ++k) items.push_back(StripAccelerator(Text(c->GetItem(k))));
                control["items"] = std::move(items);
                control["itemIndex"] = c->GetItemIndex();
                break;
            }
            default: break;
        }
        controls.push_back(std::move(control));
    }
    return {{"caption", StripAccelerator(Text(form.GetCaption()))}, {"name", Text(form.GetName())},
            {"controls", std::move(controls)}};
}

// How a journal answer names a form: its caption, unless that would not read back.
std::string FormKey(sdk::IDialogForm& form) {
    const std::string caption = Text(form.GetCaption());
    if (!caption.empty() && caption.find_first_of(".=:") == std::string::npos) return caption;
    return Text(form.GetName());
}

}  // namespace

BrowserSession::BrowserSession(BrowserServer& server, PluginSession& session, const EditOptions& options)
    : Server(server), Session(session), Options(options), Board(*session.Loaded()->board), Scene(Board),
      Saving(session, options) {
    // The editor marks clashes while a cluster is dragged, as a designer's host is set to.
    hostpcb::Host::Instance().systemMiscFlags[3] = 1;
    Player = std::make_unique<ScriptPlayer>(
        *this, Board,
        [this](const std::string& command, const std::string& parameters,
               bool nested) -> std::optional<ScriptFailure> {
            std::vector<char> buffer(std::max(kMinimumParameterBuffer, parameters.size() + 1), '\0');
            std::memcpy(buffer.data(), parameters.data(), parameters.size());
            int32_t result = 0;
            if (nested) {
                result = Session.Launcher()->LaunchCommand(command.c_str(), buffer.data(),
                                                          static_cast<int32_t>(buffer.size()), nullptr);
            } else {
                SendState(Waiting::Top, false, true);
                const std::size_t callsBefore = Session.Client().GetProcessCalls().size();
                result = Session.Launch(command, buffer);
                ShowAfterRedraw(callsBefore);
                // Ctrl-C keeps meaning "end the session" between commands.
                interrupts::SetCommandRunning(true);
                RunningLine.reset();
            }
            if (result != sdk::kResultOk) {
                Problem("the command " + command + " failed (result " + std::to_string(result) + ")");
            }
            return std::nullopt;
        },
        nullptr, std::cerr, [this](const ScriptLine&, const std::string& problem) { Problem(problem); });
    Session.Client().SetDialogHost(this);
    Session.Client().SetMessagePump([this] {
        PumpWhileBusy();
        Session.Pump().Deliver(Session.Client().GetCommandLauncher());
    });
    hostpcb::Host::Instance().SetProgressSink(this);
}

BrowserSession::~BrowserSession() {
    hostpcb::Host::Instance().SetProgressSink(nullptr);
    Session.Client().SetMessagePump(nullptr);
    Session.Client().SetDialogHost(&Session.Dialogs());
}

int BrowserSession::Run() {
    interrupts::SetCommandRunning(true);
    Player->Play();
    interrupts::SetCommandRunning(false);
    Server.Send("bye", json::object());
    if (!Options.JournalPath.empty()) {
        std::ofstream journal(Options.JournalPath);
        for (const JournalEntry& entry : Written) journal << entry.text << '\n';
        if (!journal) {
            std::cerr << "autoplacer: cannot write the journal " << Options.JournalPath << '\n';
            return kExitCannotWrite;
        }
    }
    return kExitOk;
}

void BrowserSession::Problem(const std::string& text, uint64_t seq) {
    Server.Send("problem", {{"text", text}, {"seq", seq}});
}

void BrowserSession::SendState(Waiting waiting, bool full, bool busy) {
    json state = {{"seq", LastSeq},
                  {"state", busy ? "busy" : StateName(waiting)},
                  {"dirty", Saving.Dirty()},
                  {"canUndo", Player->History().CanUndo()},
                  {"canRedo", Player->History().CanRedo()},
                  {"shift", Shift},
                  {"control", Control}};
    if (waiting == Waiting::Location && !Player->Prompts().empty()) state["prompt"] = Player->Prompts().back();
    if (full) {
        state["scene"] = Scene.Full();
        state["full"] = true;
    } else {
        state["scene"] = Scene.Changes(waiting == Waiting::Edit);
    }
    Server.Send("state", state);
}

void BrowserSession::ShowAfterRedraw(std::size_t callsBefore) {
    // The host's redraw draws every object again, those the placer hid for the run included.
    const std::vector<ProcessCall>& calls = Session.Client().GetProcessCalls();
    bool redrawn = false;
    for (std::size_t i = callsBefore; i < calls.size(); ++i) {
        redrawn = redrawn || (calls[i].Process == "PCB:Zoom" && calls[i].Parameters.find("Action=Redraw") != std::string::npos);
    }
    if (!redrawn) return;
    for (hostpcb::Object* object : Board.Objects()) {
        object->display.hidden = false;
        if (auto* component = dynamic_cast<hostpcb::Component*>(object)) {
            for (hostpcb::Primitive* child : component->Children()) child->display.hidden = false;
        }
    }
}


std::optional<json> BrowserSession::NextMessage() {
    if (!PutAside.empty()) {
        json message = std::move(PutAside.front());
        PutAside.pop_front();
        return message;
    }
    std::optional<json> message = Server.NextMessage(kPoll);
    if (!message && interrupts::TakeStopRequest()) {
        return json{{"type", "interrupt"}, {"seq", 0}};
    }
    return message;
}

void BrowserSession::PumpWhileBusy() {
    // Only what a running command can take; the rest waits for the session's next question.
    while (std::optional<json> message = Server.NextMessage(std::chrono::milliseconds(0))) {
        const std::string type = (*message)["type"];
        if (type == "stop") {
            Session.Pump().Post("StopAutoPlacer");
        } else if (type == "sync") {
            SendState(Waiting::Top, true);
        } else {
            PutAside.push_back(std::move(*message));
        }
    }
}

const ScriptLine* BrowserSession::Peek(Waiting waiting) {
    // The player reads a line after taking it: it goes only now.
    if (FrontTaken) {
        Lines.pop_front();
        FrontTaken = false;
    }
    PeekedFor = waiting;
    if (!Lines.empty()) return &Lines.front();
    if (Quitting) return nullptr;
    SendState(waiting, false);
    while (Lines.empty() && !Quitting) {
        std::optional<json> message = NextMessage();
        if (!message) continue;
        const std::string type = (*message)["type"];
        const uint64_t seq = (*message)["seq"];
        if (type == "interrupt") {
            // Ctrl-C: out of the edit and the editing mode, then the question about saving.
            if (waiting == Waiting::Edit) {
                AddLine("cancel");
            } else if (waiting == Waiting::Location) {
                AddLine("escape");
            } else {
                Saving.AskOnQuit();
                Quitting = true;
            }
            continue;
        }
        LastSeq = std::max(LastSeq, seq);
        if (type == "sync") {
            SendState(waiting, true);
        } else if (type == "save" || type == "quit") {
            if (waiting != Waiting::Top) {
                Problem("end the editing mode first (Escape)", seq);
            } else if (type == "save") {
                const auto [event, data] = Saving.Save(*message);
                Server.Send(event, data);
            } else if (Saving.Dirty() && !message->value("discard", false)) {
                Problem("the board has unsaved changes: save it, or quit without saving", seq);
                Server.Send("confirm", {{"kind", "quit"}});
            } else {
                Quitting = true;
            }
        } else if (type == "stop") {
            Problem("nothing is running that could be stopped", seq);
        } else if (type == "dialog" || type == "answer") {
            Problem("no dialog is open", seq);
        } else {
            Accept(*message, waiting);
        }
        if (Lines.empty() && !Quitting) SendState(waiting, false);
    }
    return Lines.empty() ? nullptr : &Lines.front();
}

void BrowserSession::Take() {
    if (Lines.empty() || FrontTaken) return;
    if (Lines.front().kind == ScriptLine::Kind::Run && PeekedFor == Waiting::Top) {
        RunningLine = Lines.front().number;
    }
    FrontTaken = true;
}

bool BrowserSession::AddLine(const std::string& text) {
    EditScript parsed;
    if (const std::optional<ScriptError> error = ParseEditScript(text, parsed); error || parsed.lines.size() != 1) {
        Problem("cannot carry out \"" + text + "\"" + (error ? ": " + error->message : ""));
        return false;
    }
    Written.push_back({++LastEntry, text});
    parsed.lines.front().number = LastEntry;
    Lines.push_back(std::move(parsed.lines.front()));
    return true;
}

std::string BrowserSession::ComponentRef(const std::string& id, std::string& problem) const {
    const auto handle = reinterpret_cast<PcbHandle>(static_cast<std::uintptr_t>(std::stoull(id)));
    const auto* component =
        Scene.Knows(handle) ? hostpcb::Host::Instance().ResolveAs<hostpcb::Component>(handle) : nullptr;
    if (component == nullptr) {
        problem = "footprint " + id + " no longer exists (reload the page)";
        return {};
    }
    const std::string ref = component->Designator();
    int named = 0;
    for (const hostpcb::Component* other : Board.Components()) named += SameTextIgnoringCase(other->Designator(), ref);
    if (ref.empty() || ref.find_first_of(" \t\"") != std::string::npos || named != 1) {
        problem = "footprint \"" + ref + "\" has no reference of its own and cannot be named";
        return {};
    }
    return ref;
}

bool BrowserSession::Accept(const json& message, Waiting waiting) {
    const std::string type = message["type"];
    const uint64_t seq = message["seq"];
    const bool top = waiting == Waiting::Top, location = waiting == Waiting::Location, edit = waiting == Waiting::Edit;
    const auto refuse = [&](const std::string& why) {
        Problem(why, seq);
        return false;
    };
    std::vector<std::string> lines;
    // Shift and Control as the page holds them, before the line they go with.
    const auto modifiers = [&] {
        if (message.contains("shift") && message["shift"].get<bool>() != Shift) {
            Shift = message["shift"];
            lines.push_back(Shift ? "shift down" : "shift up");
        }
        if (message.contains("control") && message["control"].get<bool>() != Control) {
            Control = message["control"];
            lines.push_back(Control ? "control down" : "control up");
        }
    };
    const auto point = [&] {
        return ScriptMillimetres(message["x"].get<double>()) + " " + ScriptMillimetres(message["y"].get<double>());
    };
    if (type == "select" || type == "deselect") {
        std::string refs;
        for (const json& id : message["ids"]) {
            std::string problem;
            const std::string ref = ComponentRef(id.get<std::string>(), problem);
            if (!problem.empty()) return refuse(problem);
            refs += " " + ref;
        }
        if (type == "select" && !message.value("add", false)) lines.push_back("deselect all");
        if (!refs.empty()) lines.push_back(type + refs);
    } else if (type == "run") {
        const std::string command = message["command"];
        const bool feature = command == "ExecuteInteractivePlacementFeature" || command == "LoseLastAutoSelectedComponent";
        if (edit && !feature) return refuse("an edit is running: accept or cancel it first");
        if (!edit && feature) return refuse("no edit is running for " + command);
        std::string line = "run " + command;
        if (message.contains("params")) {
            for (const auto& [name, value] : message["params"].items()) line += " " + name + "=" + value.get<std::string>();
        }
        lines.push_back(line);
    } else if (type == "pick") {
        if (!location) return refuse("nothing is waiting for a click on the board");
        modifiers();
        std::string line = "pick " + point();
        if (message.contains("id")) {
            std::string problem;
            const std::string ref = ComponentRef(message["id"], problem);
            if (!problem.empty()) return refuse(problem);
            line += " " + ref;
        }
        lines.push_back(line);
    } else if (type == "escape") {
        if (!location) return refuse("nothing is waiting for a click on the board");
        lines.push_back("escape");
    } else if (type == "move" || type == "key" || type == "event") {
        if (!edit) return refuse("no edit is running");
        modifiers();
        if (type == "move") lines.push_back("move " + point());
        if (type == "key") lines.push_back("key " + std::to_string(message["key"].get<int>()));
        if (type == "event") lines.push_back("event " + std::to_string(message["event"].get<int>()));
    } else if (type == "modifiers") {
        modifiers();
    } else if (type == "undo" || type == "redo") {
        if (!top) return refuse("end the editing mode first (Escape)");
        if (type == "undo" ? !Player->History().CanUndo() : !Player->History().CanRedo()) {
            return refuse("there is nothing to " + type);
        }
        lines.push_back(type);
    } else {
        return refuse("\"" + type + "\" cannot be done now");
    }
    for (const std::string& line : lines) {
        if (!AddLine(line)) return false;
    }
    return true;
}

void BrowserSession::WriteAnswer(const std::string& answer) {
    const std::string line = "answer " + answer;
    const auto command = std::find_if(Written.begin(), Written.end(),
                                      [this](const JournalEntry& entry) { return RunningLine == entry.id; });
    Written.insert(command, {++LastEntry, line});
}

int32_t BrowserSession::ShowModal(sdk::IDialogForm* form) {
    if (form == nullptr) return sdk::kModalCancel;
    interrupts::DialogScope scope;
    Server.Send("dialog", FormJson(*form));
    while (form->GetModalResult() == sdk::kModalNone) {
        if (scope.TakeInterrupt()) {
            AnswerDialogInterrupt(*form);
            break;
        }
        std::optional<json> message = Server.NextMessage(kPoll);
        if (!message) continue;
        const std::string type = (*message)["type"];
        const uint64_t seq = (*message)["seq"];
        if (type != "sync") LastSeq = std::max(LastSeq, seq);
        if (type == "sync") {
            SendState(Waiting::Top, true);
            Server.Send("dialog", FormJson(*form));
        } else if (type == "dialog") {
            const std::string action = (*message)["action"];
            if (const std::string problem = ApplyDialogAction(*form, action); !problem.empty()) {
                Problem(problem, seq);
                continue;
            }
            WriteAnswer(FormKey(*form) + ": " + action);
            if (form->GetModalResult() == sdk::kModalNone) {
                Server.Send("dialog", FormJson(*form));
                SendState(Waiting::Top, false, true);
            }
        } else if (type == "stop") {
            Problem("a dialog is open: answer it first", seq);
        } else {
            // Nothing else can happen while the dialog waits; the page gets it back later.
            PutAside.push_back(std::move(*message));
        }
    }
    Server.Send("dialog-closed", json::object());
    SendState(Waiting::Top, false, true);
    return form->GetModalResult();
}

int32_t BrowserSession::MessageBox(const char* text, const char* caption, sdk::MessageBoxKind kind) {
    const std::string title = Text(caption), body = Text(text);
    if (kind != sdk::MessageBoxKind::YesNoQuestion) {
        const char* name = kind == sdk::MessageBoxKind::Error     ? "error"
                           : kind == sdk::MessageBoxKind::Warning ? "warning"
                                                                  : "information";
        Server.Send("message", {{"kind", name}, {"caption", title}, {"text", body}});
        return sdk::kModalOk;
    }
    interrupts::DialogScope scope;
    Server.Send("question", {{"caption", title}, {"text", body}});
    for (;;) {
        if (scope.TakeInterrupt()) {
            Server.Send("dialog-closed", json::object());
            return sdk::kModalYes;
        }
        std::optional<json> message = Server.NextMessage(kPoll);
        if (!message) continue;
        const std::string type = (*message)["type"];
        if (type == "answer") {
            LastSeq = std::max(LastSeq, (*message)["seq"].get<uint64_t>());
            const bool yes = (*message)["yes"];
            WriteAnswer(title + "=" + (yes ? "yes" : "no"));
            Server.Send("dialog-closed", json::object());
            return yes ? sdk::kModalYes : sdk::kModalNo;
        }
        if (type == "sync") {
            SendState(Waiting::Top, true);
            Server.Send("question", {{"caption", title}, {"text", body}});
        } else {
            PutAside.push_back(std::move(*message));
        }
    }
}

void BrowserSession::PercentInit(const std::string& text, int32_t total) {
    ProgressText = text;
    ProgressTotal = total;
    ProgressDone = 0;
    ProgressSentAt = NowMs();
    Server.Send("progress", {{"text", text}, {"total", total}, {"done", 0}});
}

void BrowserSession::PercentUpdate() {
    ++ProgressDone;
    if (const int64_t now = NowMs(); now - ProgressSentAt >= kProgressEveryMs) {
        ProgressSentAt = now;
        Server.Send("progress", {{"text", ProgressText}, {"total", ProgressTotal}, {"done", ProgressDone}});
    }
}

void BrowserSession::PercentFinish() { Server.Send("progress", {{"finished", true}}); }

}  // namespace app
