// The process-wide state of the host stand-in: the object table behind every handle,
// the loaded boards and the current one, system options, the interaction provider,
// progress, and the PCB server that the application hands to the plug-in.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostpcb/Board.h"
#include "hostpcb/Interaction.h"
#include "sdk/plugin.h"

namespace hostpcb {

class ObjectTable;
class PcbServer;
class HandlerRegistry;

class Host {
public:
    static Host& Instance();

    // Boards. The first board made becomes the current board.
    Board& CreateBoard(std::string fileName = {});
    void DestroyBoard(Board& board);
    const std::vector<Board*>& Boards() const { return boards_; }
    Board* CurrentBoard() const { return current_; }
    void SetCurrentBoard(Board* board);

    // Objects. A handle stays valid and unique for the object's life; afterwards it
    // resolves to nullptr.
    Object* Resolve(PcbHandle handle) const;
    template <class T>
    T* ResolveAs(PcbHandle handle) const { return dynamic_cast<T*>(Resolve(handle)); }
    // A new free object of a creatable kind (nullptr otherwise), on TopLayer unless the kind
    // has its own layer (connections: ConnectLayer, vias: MultiLayer).
    Object* CreateObject(ObjectKind kind);
    // Destroys an object; a component takes its primitives with it, a board everything on it.
    void DestroyObject(Object& object);
    std::size_t LiveObjectCount() const;

    // Internal: every Object is registered here when made.
    template <class T>
    T& Make() {
        auto owned = std::make_unique<T>();
        T& ref = *owned;
        Register(std::move(owned));
        return ref;
    }

    // System options: miscellaneous flag bytes ([3] = highlight component-clearance conflicts).
    std::array<uint8_t, PCB_SYSTEM_MISC_FLAG_COUNT> systemMiscFlags{};

    // nullptr restores the quiet default provider. The host does not own the provider.
    void SetInteraction(InteractionProvider* provider);
    InteractionProvider& Interaction() const { return *interaction_; }
    // Where progress goes, apart from the interaction provider; nullptr restores the
    // quiet default. The host does not own the sink.
    void SetProgressSink(ProgressSink* sink);
    ProgressSink& ProgressShown() const { return *progressSink_; }
    ProgressRecord& Progress() { return progress_; }

    // The PCB server registered as "PCB": board message interfaces per board.
    sdk::IPcbServer& Server();

    HandlerRegistry& Handlers() { return *handlers_; }

    // Destroys every board and object and restores defaults (tests, application exit).
    void Reset();

private:
    Host();
    ~Host();
    void Register(std::unique_ptr<Object> object);

    std::unique_ptr<ObjectTable> objects_;
    std::unique_ptr<PcbServer> server_;
    std::unique_ptr<HandlerRegistry> handlers_;
    std::vector<Board*> boards_;
    Board* current_ = nullptr;
    InteractionProvider defaultInteraction_;
    InteractionProvider* interaction_ = &defaultInteraction_;
    ProgressSink defaultProgressSink_;
    ProgressSink* progressSink_ = &defaultProgressSink_;
    ProgressRecord progress_;
};

inline void SetCurrentBoard(Board* board) { Host::Instance().SetCurrentBoard(board); }

}  // namespace hostpcb
