#include "platform/portable/user/wayland/wayland_frames.h"

#include <algorithm>

namespace portable::wayland {

bool empty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

RECT united(const RECT& a, const RECT& b) {
    if (empty(a)) return b;
    if (empty(b)) return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

RECT intersected(const RECT& a, const RECT& b) {
    const RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
    return empty(r) ? kNoArea : r;
}

FrameChain::Fill FrameChain::fill() {
    Fill f;
    if (filling_ >= 0) {
        f.buffer = filling_;
        return f;
    }
    int pick = -1;
    if (newest_ >= 0 && !slots_[newest_].held) {
        pick = newest_;
    }
    for (int i = 0; pick < 0 && i < count_; ++i) {
        if (!slots_[i].held) pick = i;
    }
    if (pick < 0) {
        if (count_ == kMaxBuffers) {
            return f;  // all held: the compositor has not let go of any yet
        }
        pick = count_++;
        f.make = true;
        slots_[pick] = Slot{};
        // A new buffer lacks the whole picture, unless there is none yet.
        slots_[pick].stale = newest_ >= 0 ? kEverything : kNoArea;
    }
    f.buffer = pick;
    if (newest_ >= 0 && newest_ != pick && !empty(slots_[pick].stale)) {
        f.repairFrom = newest_;
        f.repair = slots_[pick].stale;
    }
    slots_[pick].stale = kNoArea;
    filling_ = pick;
    damage_ = kNoArea;
    return f;
}

void FrameChain::damage(const RECT& r) {
    if (filling_ >= 0) damage_ = united(damage_, r);
}

FrameChain::HandOver FrameChain::hand_over() {
    HandOver h;
    if (filling_ < 0) {
        return h;
    }
    h.buffer = filling_;
    h.damage = damage_;
    for (int i = 0; i < count_; ++i) {
        if (i != filling_) slots_[i].stale = united(slots_[i].stale, damage_);
    }
    slots_[filling_].held = true;
    newest_ = filling_;
    filling_ = -1;
    damage_ = kNoArea;
    return h;
}

void FrameChain::released(int buffer) {
    if (buffer >= 0 && buffer < count_) slots_[buffer].held = false;
}

void FrameChain::reset() {
    *this = FrameChain{};
}

}  // namespace portable::wayland
