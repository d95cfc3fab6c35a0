#pragma once
// A tiny typed notification: core code publishes, views subscribe. Single-threaded by design.
#include <functional>
#include <utility>
#include <vector>

namespace zerka {

template <typename... Args> class Signal {
public:
    using Slot = std::function<void(Args...)>;
    using Connection = size_t;

    Connection connect(Slot slot) {
        slots_.push_back({++lastId_, std::move(slot)});
        return lastId_;
    }
    void disconnect(Connection id) {
        std::erase_if(slots_, [id](const Entry& e) { return e.id == id; });
    }
    // Slots connected while emitting are not called by this emission.
    void emit(Args... args) const {
        const auto snapshot = slots_;
        for (const Entry& e : snapshot) e.slot(args...);
    }
    size_t size() const { return slots_.size(); }

private:
    struct Entry {
        Connection id;
        Slot slot;
    };
    std::vector<Entry> slots_;
    Connection lastId_ = 0;
};

} // namespace zerka
