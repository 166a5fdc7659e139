// The table behind every object handle: a slot per object with a generation count, so
// a handle of a destroyed object (or of a reused slot) resolves to nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "hostpcb/Board.h"

namespace hostpcb {

// Handle layout: bits 0..31 slot + 1, bits 32..55 generation, bits 56..63 tag.
enum class HandleTag : uint8_t { Object = 1, Iterator = 2, SpatialIterator = 3, EventHandler = 4 };

inline PcbHandle MakeHandle(HandleTag tag, uint32_t slot, uint32_t generation) {
    const uint64_t bits = (uint64_t(tag) << 56) | (uint64_t(generation & 0xFFFFFFu) << 32) | (uint64_t(slot) + 1);
    return reinterpret_cast<PcbHandle>(static_cast<uintptr_t>(bits));
}

// A generic slot table of owned values of type T.
template <class T, HandleTag Tag>
class SlotTable {
public:
    PcbHandle Add(std::unique_ptr<T> value) {
        uint32_t slot;
        if (!free_.empty()) {
            slot = free_.back();
            free_.pop_back();
        } else {
            slot = uint32_t(slots_.size());
            slots_.push_back({});
        }
        slots_[slot].value = std::move(value);
        ++live_;
        return MakeHandle(Tag, slot, slots_[slot].generation);
    }
    T* Get(PcbHandle handle) const {
        const uint64_t bits = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(handle));
        if ((bits >> 56) != uint64_t(Tag)) return nullptr;
        const uint64_t slot = (bits & 0xFFFFFFFFu);
        if (slot == 0 || slot > slots_.size()) return nullptr;
        const Slot& s = slots_[slot - 1];
        if ((s.generation & 0xFFFFFFu) != ((bits >> 32) & 0xFFFFFFu)) return nullptr;
        return s.value.get();
    }
    // Frees the value; its handle no longer resolves.
    std::unique_ptr<T> Take(PcbHandle handle) {
        if (Get(handle) == nullptr) return nullptr;
        const uint32_t slot = uint32_t((reinterpret_cast<uintptr_t>(handle) & 0xFFFFFFFFu) - 1);
        std::unique_ptr<T> out = std::move(slots_[slot].value);
        ++slots_[slot].generation;
        free_.push_back(slot);
        --live_;
        return out;
    }
    std::size_t Live() const { return live_; }
    template <class F>
    void ForEach(F&& f) const {
        for (const Slot& s : slots_)
            if (s.value) f(*s.value);
    }
    void Clear() {
        for (Slot& s : slots_) {
            if (s.value) ++s.generation;
            s.value.reset();
        }
        free_.clear();
        for (uint32_t i = uint32_t(slots_.size()); i-- > 0;) free_.push_back(i);
        live_ = 0;
    }

private:
    struct Slot {
        std::unique_ptr<T> value;
        uint32_t generation = 1;
    };
    std::vector<Slot> slots_;
    std::vector<uint32_t> free_;
    std::size_t live_ = 0;
};

class ObjectTable {
public:
    void Register(std::unique_ptr<Object> object) {
        Object& ref = *object;
        ref.handle_ = table_.Add(std::move(object));
    }
    Object* Get(PcbHandle handle) const { return table_.Get(handle); }
    std::unique_ptr<Object> Take(Object& object) { return table_.Take(object.handle_); }
    std::size_t Live() const { return table_.Live(); }
    template <class F>
    void ForEach(F&& f) const {
        table_.ForEach(f);
    }

private:
    SlotTable<Object, HandleTag::Object> table_;
};

}  // namespace hostpcb
