// The panel window's input: GLUT's callbacks queue it, each frame feeds ImGui what it may take.
#include <GL/freeglut.h>
#include <X11/extensions/XI2.h>

#include <algorithm>
#include <cfloat>
#include <cstdint>

#include "desktop/panel/panel.h"
#include "desktop/panel/panel_state.h"
#include "imgui.h"
#include "imgui_impl_glut.h"

namespace {

// ImGui 1.86's GLUT backend writes input straight into ImGuiIO, where a press and a
// release that land between two frames cancel out. Input is queued here instead, with the
// modifiers of its moment (GLUT reports them only inside input callbacks).
void queueInput(PanelInput e, bool inputCallback = true)
{
    // GLUT knows the modifiers only inside keyboard and mouse callbacks.
    const int mods = inputCallback ? glutGetModifiers() : 0;
    e.shift = (mods & GLUT_ACTIVE_SHIFT) != 0;
    e.ctrl = (mods & GLUT_ACTIVE_CTRL) != 0;
    e.alt = (mods & GLUT_ACTIVE_ALT) != 0;
    panel.pending.push_back(e);
    panel.lastInputMs = glutGet(GLUT_ELAPSED_TIME);
    postPanelRedisplay();
    wakeIdle();
}

void onMotion(int x, int y)
{
    queueInput({PanelInput::Motion, 0, 0, x, y});
}
// A press on a button that starts work, when it belongs to the burst of clicks that started a
// save or export (burstDropsPress), is dropped with its release; presses elsewhere are taken
// while the work runs.
void onMouse(int button, int state, int x, int y)
{
    const unsigned bit = 1u << (button & 31);
    if (state == GLUT_DOWN) {
        const bool onWorkButton =
            std::any_of(panel.workButtons.begin(), panel.workButtons.end(),
                        [&](const PanelBox& box) { return box.holds(x, y); });
        if (onWorkButton && burstDropsPress(panel.burst, panel.working, glutGet(GLUT_ELAPSED_TIME))) {
            panel.droppedButtons |= bit;
            return;
        }
    } else if (panel.droppedButtons & bit) {
        panel.droppedButtons &= ~bit;
        return;
    }
    queueInput({PanelInput::Mouse, button, state == GLUT_DOWN ? 1 : 0, x, y});
}
void onWheel(int wheel, int dir, int x, int y)
{
    queueInput({PanelInput::Wheel, wheel, dir, x, y});
}
void onKey(unsigned char c, int x, int y)
{
    queueInput({PanelInput::Key, c, 0, x, y});
}
void onKeyUp(unsigned char c, int x, int y)
{
    queueInput({PanelInput::KeyUp, c, 0, x, y});
}
void onSpecial(int k, int x, int y)
{
    queueInput({PanelInput::Special, k, 0, x, y});
}
void onSpecialUp(int k, int x, int y)
{
    queueInput({PanelInput::SpecialUp, k, 0, x, y});
}

// Leaving the window leaves the field being edited, as a click elsewhere in it would.
void onEntry(int state)
{
    if (state == GLUT_LEFT)
        queueInput({PanelInput::Leave, 0, 0, 0, 0}, false);
}

// An ASCII key as the GLUT backend maps it: letters in both cases, and Ctrl+A..Ctrl+Z
// (which GLUT delivers as 1..26) as their letters too.
void setAsciiKey(ImGuiIO& io, int c, bool down)
{
    if (c >= 1 && c <= 26)
        io.KeysDown[c] = io.KeysDown[c - 1 + 'a'] = io.KeysDown[c - 1 + 'A'] = down;
    else if (c >= 'a' && c <= 'z')
        io.KeysDown[c] = io.KeysDown[c - 'a' + 'A'] = down;
    else if (c >= 'A' && c <= 'Z')
        io.KeysDown[c] = io.KeysDown[c - 'A' + 'a'] = down;
    else
        io.KeysDown[c] = down;
}

void feedInput(const PanelInput& e)
{
    ImGuiIO& io = ImGui::GetIO();
    io.KeyShift = e.shift;
    io.KeyCtrl = e.ctrl;
    io.KeyAlt = e.alt;
    switch (e.kind) {
    case PanelInput::Motion: ImGui_ImplGLUT_MotionFunc(e.x, e.y); break;
    case PanelInput::Leave:
        io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);  // nothing is hovered any more
        panel.pointerLeft = true;
        break;
    case PanelInput::Mouse:
        ImGui_ImplGLUT_MouseFunc(e.code, e.state ? GLUT_DOWN : GLUT_UP, e.x, e.y);
        break;
    case PanelInput::Wheel: ImGui_ImplGLUT_MouseWheelFunc(e.code, e.state, e.x, e.y); break;
    case PanelInput::Key:
        if (e.code >= 32)
            io.AddInputCharacter(static_cast<unsigned int>(e.code));
        setAsciiKey(io, e.code, true);
        break;
    case PanelInput::KeyUp: setAsciiKey(io, e.code, false); break;
    case PanelInput::Special:
    case PanelInput::SpecialUp:
        if (e.code + 256 < IM_ARRAYSIZE(io.KeysDown))
            io.KeysDown[e.code + 256] = e.kind == PanelInput::Special;
        break;
    }
}

}  // namespace

// Feeds ImGui the events this frame may take; the rest wait for the next frame. A key pressed
// while no field is being edited is the scene's: it is set aside for runSceneKeys. A key that
// follows a click waits for the next frame, when the click may have opened a field.
void feedPendingInput()
{
    bool clicked = false;
    for (std::size_t n = nextInputBatch(panel.pending); n > 0; --n) {
        const PanelInput e = panel.pending.front();
        const bool key = e.kind == PanelInput::Key || e.kind == PanelInput::Special;
        if (key && clicked)
            break;
        clicked = clicked || e.kind == PanelInput::Mouse;
        panel.pending.pop_front();
        if (key && !panel.editing)
            panel.sceneKeys.push_back(e);
        else
            feedInput(e);
    }
}

void runSceneKeys()
{
    std::vector<PanelInput> keys;
    keys.swap(panel.sceneKeys);
    for (const PanelInput& e : keys) {
        if (e.kind == PanelInput::Key && panel.sceneKey)
            panel.sceneKey(static_cast<unsigned char>(e.code), e.ctrl, e.shift);
        else if (e.kind == PanelInput::Special && panel.sceneSpecialKey)
            panel.sceneSpecialKey(e.code);
    }
}

void installPanelInput()
{
    glutMotionFunc(onMotion);
    glutPassiveMotionFunc(onMotion);
    glutMouseFunc(onMouse);
    glutMouseWheelFunc(onWheel);
    glutKeyboardFunc(onKey);
    glutKeyboardUpFunc(onKeyUp);
    glutSpecialFunc(onSpecial);
    glutSpecialUpFunc(onSpecialUp);
    glutEntryFunc(onEntry);
}

int dropPanelClicks()
{
    const std::size_t queued = panel.pending.size();
    // Clicks made on the panel while it worked are dropped, queued or not yet read, so that
    // impatient clicks on a button do not repeat the work.
    panel.pending.erase(
        std::remove_if(panel.pending.begin(), panel.pending.end(),
                       [](const PanelInput& e) { return e.kind == PanelInput::Mouse; }),
        panel.pending.end());
    int dropped = static_cast<int>(queued - panel.pending.size());
    if (panel.xDisplay && panel.xWindow) {
        XSync(panel.xDisplay, False);
        XEvent event;
        while (XCheckWindowEvent(panel.xDisplay, panel.xWindow, ButtonPressMask | ButtonReleaseMask,
                                 &event))
            ++dropped;
        // freeglut reads the pointer through XInput 2, whose button events name their window
        // only in data that cannot be read while the queue is searched: every window's go.
        int opcode = 0, firstEvent = 0, firstError = 0;
        if (XQueryExtension(panel.xDisplay, "XInputExtension", &opcode, &firstEvent, &firstError)) {
            auto isButton = [](Display*, XEvent* e, XPointer opcode) -> Bool {
                const XGenericEventCookie& c = e->xcookie;
                return c.type == GenericEvent &&
                       c.extension == static_cast<int>(reinterpret_cast<intptr_t>(opcode)) &&
                       (c.evtype == XI_ButtonPress || c.evtype == XI_ButtonRelease);
            };
            while (XCheckIfEvent(panel.xDisplay, &event, isButton,
                                 reinterpret_cast<XPointer>(static_cast<intptr_t>(opcode))))
                ++dropped;
        }
    }
    return dropped;
}
