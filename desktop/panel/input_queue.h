// Panel input queued between panel frames, and how much of it one frame may take. No GL.
#pragma once

#include <cstddef>
#include <deque>

// One GLUT input event of the panel window, kept until a panel frame feeds it to ImGui.
struct PanelInput {
    enum Kind { Motion, Mouse, Wheel, Key, KeyUp, Special, SpecialUp, Leave } kind;
    int code = 0;      // mouse button, wheel number, ASCII key or GLUT special key
    int state = 0;     // mouse: pressed (1) or released (0); wheel: direction
    int x = 0, y = 0;  // pointer position in window pixels
    bool shift = false, ctrl = false, alt = false;  // modifiers when the event happened
};

// How many events from the front of `queue` one frame may take. ImGui sees key and button
// state only once per frame, so a batch stops before an event that would undo a press or
// release already in it (a quick click or key would otherwise vanish), and before pointer
// motion, or the pointer leaving the window, after a button event (the press must land where
// it happened).
std::size_t nextInputBatch(const std::deque<PanelInput>& queue);
