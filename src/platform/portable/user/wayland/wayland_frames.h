// The buffers one Wayland surface shows its frames in: at most three, made
// once for a size and then reused, never one per frame. A frame is drawn into
// a buffer the compositor does not hold and then handed over; the compositor
// gives the buffer back (release) once it no longer reads it. Blocks presented
// before the hand-over gather in the same buffer, with their damage.
//
// A buffer taken up again lacks what was drawn into the others since it was
// last handed over; that part (its repair) is copied from the newest frame
// first, so that presenting only the changed blocks of a frame stays correct.
// This is plain bookkeeping over buffer numbers; the caller owns the memory.
#pragma once

#include "platform/portable/windows.h"

namespace portable::wayland {

// A rectangle with no area; union() with it gives the other one.
constexpr RECT kNoArea{0, 0, 0, 0};
// Everything, whatever the buffer's size (the caller clips it).
constexpr RECT kEverything{0, 0, 0x7FFFFFFF, 0x7FFFFFFF};

bool empty(const RECT& r);
RECT united(const RECT& a, const RECT& b);
RECT intersected(const RECT& a, const RECT& b);

class FrameChain {
public:
    static constexpr int kMaxBuffers = 3;

    struct Fill {
        int buffer = -1;      // -1: the compositor holds every buffer
        bool make = false;    // the buffer is to be made (zero-filled) first
        int repairFrom = -1;  // copy `repair` from this buffer first; -1: none
        RECT repair = kNoArea;
    };
    struct HandOver {
        int buffer = -1;  // -1: nothing was drawn since the last hand-over
        RECT damage = kNoArea;
    };

    // The buffer that takes the blocks of the next frame: the one already
    // being filled, else a free one (the newest frame's first, as it needs no
    // repair), else a new one while there are fewer than three.
    Fill fill();
    // A block was drawn into the buffer being filled.
    void damage(const RECT& r);
    bool filling() const { return filling_ >= 0; }
    // The buffer being filled goes to the compositor, with its damage.
    HandOver hand_over();
    // The compositor gave a buffer back.
    void released(int buffer);
    // Forgets every buffer (the surface changed size); the caller destroys
    // its buffers, and the next fill makes new ones.
    void reset();
    int count() const { return count_; }
    bool held(int buffer) const { return buffer >= 0 && buffer < count_ && slots_[buffer].held; }

private:
    struct Slot {
        bool held = false;
        RECT stale = kNoArea;  // drawn elsewhere since this one was handed over
    };
    Slot slots_[kMaxBuffers];
    int count_ = 0;
    int filling_ = -1;
    int newest_ = -1;
    RECT damage_ = kNoArea;
};

}  // namespace portable::wayland
