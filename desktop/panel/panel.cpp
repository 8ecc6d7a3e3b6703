// The control panel: a second GLUT window whose Dear ImGui controls edit the scene's settings.
#include "desktop/panel/panel.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/extensions/XI2.h>

#include <algorithm>
#include <cfloat>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "core/scene_state.h"
#include "imgui.h"
#include "imgui_impl_glut.h"
#include "imgui_impl_opengl2.h"
#include "core/controls.h"
#include "core/keys.h"
#include "core/redraw.h"
#include "desktop/handlers.h"
#include "desktop/panel/input_queue.h"
#include "desktop/panel/placement.h"
#include "gl/frame.h"
#include "gl/vase_draw.h"

namespace {

struct Panel {
    int window = 0;
    bool shown = true;            // mapped and not wholly covered: only then is it drawn
    Display* xDisplay = nullptr;  // the X connection and window, to drop clicks made while busy
    GLXDrawable xWindow = 0;
    std::vector<Control> controls;
    std::vector<std::string> editText;  // text of each spinner's field while it is being edited
    std::deque<PanelInput> pending;     // input not yet fed to ImGui
    int lastInputMs = -(1 << 30);       // GLUT time of the last input
    int lastRedrawMs = 0;
    double lastSceneFrameMs = -1.0;  // how long the last scene frame took; negative before one
    bool fitted = false;             // the window has been sized to its contents
    float labelWidth = 0.0f;         // pixels, of the spinners' label column; 0 until measured
    bool pointerLeft = false;        // the pointer left the window: end any edit at the next frame
    int hovered = -1;                // control (or button, after the controls) under the pointer
    int hoveredSinceMs = 0;
    int hoveredNow = -1;  // what this frame found under the pointer
    std::string message;  // the line under the frame time
    bool messageChanged = false;
    int messageSerial = 0;              // tells a message's expiry timer whether it is still shown
    PanelAction savePicture = nullptr;  // what the buttons call; null: nothing
    PanelAction exportVase = nullptr;
    void (*resetView)() = nullptr;
    bool working = false;       // a save or export runs: its buttons are off, clicks are dropped
    bool showKeys = false;      // the key list shows under the buttons
    float footerHeight = 0.0f;  // pixels of the buttons and status lines, from the last frame
    void (*sceneChanged)() = nullptr;
    int panelFrames = 0;       // frames the panel has drawn
    int placementFromMs = -1;  // when both windows had drawn a frame; -1 until then
    int placementChecks = 0;   // how many of kPlacementChecksMs have run
    FrameRect checkedScene;    // both frames as the last check found them
    FrameRect checkedPanel;
    // After the first second the panel follows the scene window when the window manager moves
    // or resizes it, until the user moves the panel away from where it was put.
    bool following = false;
    FrameRect expectedPanel;   // where the panel was put, or found after a move
    bool (*idle)() = nullptr;  // the program's idle handler: whether it has more to do
};
Panel panel;

constexpr int kRefusalShownMs = 4000;    // a refused value's explanation stays this long
constexpr int kTooltipDelayMs = 500;     // the pointer rests this long before a tooltip shows
constexpr float kMinFieldWidth = 80.0f;  // pixels: a spinner's field never gets narrower
constexpr int kWindowGap = 8;            // pixels between the scene's frame and the panel's

// Window managers place the windows themselves and report where only after mapping, and may
// move the scene window a little later: the panel checks its place this many ms after both
// windows have drawn their first frame, then leaves it to the user.
constexpr int kPlacementChecksMs[] = {100, 300, 600, 1000};

const char* const kSaveCaption = "Save picture";
const char* const kSaveTooltip = "Saves the scene as it is now to a picture file.";
const char* const kExportCaption = "Export vase";
const char* const kExportTooltip = "Writes the vase as it is now to a 3D model file.";
const char* const kResetCaption = "Reset view";
const char* const kResetTooltip =
    "Turns and zooms the scene back to the view it started with (key r); stops the y turn.";

void panelIdle();

void postPanelRedisplay()
{
    if (panel.window > 0 && panel.shown)
        glutPostWindowRedisplay(panel.window);
}

// Idle calls run only while something needs them; see panelIdle.
void wakeIdle()
{
    glutIdleFunc(panelIdle);
}

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
void onMouse(int button, int state, int x, int y)
{
    queueInput({PanelInput::Mouse, button, state == GLUT_DOWN ? 1 : 0, x, y});
}
void onWheel(int wheel, int dir, int x, int y)
{
    queueInput({PanelInput::Wheel, wheel, dir, x, y});
}
void onKey(unsigned char c, int x, int y)
{
    // h shows the key list, unless it is being typed into a field.
    if (c == 'h' && !ImGui::GetIO().WantTextInput) {
        togglePanelKeyList();
        return;
    }
    queueInput({PanelInput::Key, c, 0, x, y});
}
void onKeyUp(unsigned char c, int x, int y)
{
    queueInput({PanelInput::KeyUp, c, 0, x, y});
}
void onSpecial(int k, int x, int y)
{
    if (k == GLUT_KEY_F1) {
        togglePanelKeyList();
        return;
    }
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

void onReshape(int width, int height)
{
    ImGui_ImplGLUT_ReshapeFunc(width, height);
    postPanelRedisplay();
}

// A minimised or wholly covered panel is not drawn; shown again, it draws once.
void onWindowStatus(int state)
{
    panel.shown = state != GLUT_HIDDEN && state != GLUT_FULLY_COVERED;
    postPanelRedisplay();
}

// Shows `text` for kRefusalShownMs, unless another message replaces it first.
void onMessageExpiry(int serial)
{
    if (serial == panel.messageSerial)
        setPanelMessage(std::string());
}

void showBriefMessage(const std::string& text)
{
    setPanelMessage(text);
    glutTimerFunc(kRefusalShownMs, onMessageExpiry, panel.messageSerial);
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

// Feeds ImGui the events this frame may take; the rest wait for the next frame.
void feedPendingInput()
{
    for (std::size_t n = nextInputBatch(panel.pending); n > 0; --n) {
        feedInput(panel.pending.front());
        panel.pending.pop_front();
    }
}

void sceneChanged()
{
    if (panel.sceneChanged)
        panel.sceneChanged();
    wakeIdle();
}

// Notes whether the item just drawn is under the pointer; `index` names its control.
void noteHover(int index)
{
    if (ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled))
        panel.hoveredNow = index;
}

// The control's tooltip, once the pointer has rested on it for a moment. Wrapped so that it
// stays inside a narrow panel.
void drawTooltip(int index, const char* text)
{
    if (panel.hoveredNow != index || panel.hovered != index ||
        glutGet(GLUT_ELAPSED_TIME) - panel.hoveredSinceMs < kTooltipDelayMs)
        return;
    const ImGuiIO& io = ImGui::GetIO();
    const float wrap =
        std::max(120.0f, std::min(ImGui::GetFontSize() * 40.0f,
                                  io.DisplaySize.x - 4.0f * ImGui::GetStyle().WindowPadding.x));
    ImGui::BeginTooltip();
    ImGui::PushTextWrapPos(wrap);
    ImGui::TextUnformatted(text);
    ImGui::PopTextWrapPos();
    ImGui::EndTooltip();
}

bool drawCheckbox(const Control& c, int index)
{
    bool ticked = *c.intField != 0;  // the field is read back every frame: the box shows it live
    const bool clicked = ImGui::Checkbox(c.label, &ticked);
    noteHover(index);
    drawTooltip(index, c.tooltip);
    if (!clicked)
        return false;
    *c.intField = ticked ? 1 : 0;
    return true;
}

// A spinner: the label, a text field written when it is confirmed or left, and arrow
// buttons that repeat while held. The field keeps a minimum width; a narrower window
// scrolls sideways instead.
bool drawSpinner(const Control& c, int index, std::string& edit, float labelWidth)
{
    bool changed = false;
    ImGui::PushID(c.label);
    ImGui::BeginDisabled(!c.enabled);
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted(c.label);
    noteHover(index);
    ImGui::SameLine(labelWidth);

    const float button = ImGui::GetFrameHeight();
    const float spacing = ImGui::GetStyle().ItemInnerSpacing.x;
    ImGui::SetNextItemWidth(
        std::max(kMinFieldWidth, ImGui::GetContentRegionAvail().x - 2.0f * (button + spacing)));

    // No character filter: whatever is typed is read as a whole or refused, never trimmed
    // into another number.
    char text[64];
    const std::string shown = edit.empty() ? formatControlValue(c) : edit;
    std::snprintf(text, sizeof text, "%s", shown.c_str());
    ImGui::InputText("##value", text, sizeof text, ImGuiInputTextFlags_AutoSelectAll);
    noteHover(index);
    if (ImGui::IsItemActive())
        edit = text;
    if (ImGui::IsItemDeactivatedAfterEdit()) {
        changed = commitTypedValue(c, text);
        const std::string why = typedValueRefusal(c, text);
        if (!why.empty())
            showBriefMessage(std::string(c.label) + ": \"" + text + "\" refused, " + why);
    }
    if (!ImGui::IsItemActive())
        edit.clear();

    const bool fast = ImGui::GetIO().KeyCtrl;
    ImGui::PushButtonRepeat(true);
    ImGui::SameLine(0.0f, spacing);
    if (ImGui::Button("-", ImVec2(button, button)))
        changed |= stepByArrow(c, -1, fast);
    noteHover(index);
    ImGui::SameLine(0.0f, spacing);
    if (ImGui::Button("+", ImVec2(button, button)))
        changed |= stepByArrow(c, 1, fast);
    noteHover(index);
    ImGui::PopButtonRepeat();

    ImGui::EndDisabled();
    drawTooltip(index, c.tooltip);
    ImGui::PopID();
    return changed;
}

// The three buttons side by side, sharing the width; what a click asks for runs after the
// frame, outside ImGui. Save and export are off while one of them runs.
struct ButtonClick {
    PanelAction work = nullptr;
    void (*plain)() = nullptr;
};

ButtonClick drawActionButtons(int firstIndex)
{
    ButtonClick clicked;
    const ImGuiStyle& style = ImGui::GetStyle();
    const char* const captions[3] = {kSaveCaption, kExportCaption, kResetCaption};
    float minimum = 0.0f;
    for (const char* caption : captions)
        minimum = std::max(minimum, ImGui::CalcTextSize(caption).x + 2.0f * style.FramePadding.x);
    const float width =
        std::max(minimum, (ImGui::GetContentRegionAvail().x - 2.0f * style.ItemSpacing.x) / 3.0f);
    ImGui::BeginDisabled(panel.working);
    if (ImGui::Button(kSaveCaption, ImVec2(width, 0.0f)))
        clicked.work = panel.savePicture;
    noteHover(firstIndex);
    drawTooltip(firstIndex, kSaveTooltip);
    ImGui::SameLine();
    if (ImGui::Button(kExportCaption, ImVec2(width, 0.0f)))
        clicked.work = panel.exportVase;
    noteHover(firstIndex + 1);
    drawTooltip(firstIndex + 1, kExportTooltip);
    ImGui::EndDisabled();
    ImGui::SameLine();
    if (ImGui::Button(kResetCaption, ImVec2(width, 0.0f)))
        clicked.plain = panel.resetView;
    noteHover(firstIndex + 2);
    drawTooltip(firstIndex + 2, kResetTooltip);
    return clicked;
}

void drawStatusLine()
{
    ImGui::Separator();
    ImGui::TextUnformatted(
        sceneStatusText(panel.lastSceneFrameMs, !sceneAnimating(scene) && !sceneInMotion(),
                        lastVaseQuadCount())
            .c_str());
    // The message line is there even when empty, so the fitted window has room for it. It
    // wraps a little short of the edge: a wrapped line can measure a pixel wider than asked,
    // which would bring up the horizontal scroll bar.
    ImGui::PushTextWrapPos(ImGui::GetContentRegionMax().x - 4.0f);
    ImGui::TextUnformatted(panel.message.empty() ? " " : panel.message.c_str());
    ImGui::PopTextWrapPos();
    if (panel.showKeys) {
        ImGui::Separator();
        ImGui::TextUnformatted(kKeyList);
    }
}

// Width of the label column: the widest spinner label plus a gap. Measured once, at the
// first frame, when the font is known.
float labelColumnWidth()
{
    if (panel.labelWidth > 0.0f)
        return panel.labelWidth;
    float widest = 0.0f;
    for (const Control& c : panel.controls)
        if (c.kind != ControlKind::Checkbox)
            widest = std::max(widest, ImGui::CalcTextSize(c.label).x);
    panel.labelWidth =
        widest + ImGui::GetStyle().ItemSpacing.x * 2.0f + ImGui::GetStyle().WindowPadding.x;
    return panel.labelWidth;
}

// One panel frame: input, controls in a scrolling region, then the buttons and status lines,
// which stay in view however short the window is.
ButtonClick drawPanelFrame()
{
    feedPendingInput();
    ImGui_ImplOpenGL2_NewFrame();
    ImGui_ImplGLUT_NewFrame();  // calls ImGui::NewFrame()
    // Removing focus deactivates the field being edited, so it commits its text below.
    if (panel.pointerLeft) {
        ImGui::SetWindowFocus(nullptr);
        panel.pointerLeft = false;
    }

    const ImGuiIO& io = ImGui::GetIO();
    const ImGuiStyle& style = ImGui::GetStyle();
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
    ImGui::SetNextWindowSize(io.DisplaySize);
    ImGui::Begin("GLUI", nullptr,
                 ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoScrollbar |
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus);

    const float labelWidth = labelColumnWidth();
    panel.hoveredNow = -1;
    bool changed = false;
    // Scroll bars, both ways, keep every control reachable in a window made smaller.
    ImGui::BeginChild("controls", ImVec2(0.0f, -panel.footerHeight), false,
                      ImGuiWindowFlags_HorizontalScrollbar);
    const int count = static_cast<int>(panel.controls.size());
    for (int i = 0; i < count; ++i) {
        const Control& c = panel.controls[i];
        changed |= c.kind == ControlKind::Checkbox
                       ? drawCheckbox(c, i)
                       : drawSpinner(c, i, panel.editText[i], labelWidth);
    }
    const float controlsHeight = ImGui::GetCursorPosY();
    ImGui::EndChild();

    const float footerTop = ImGui::GetCursorPosY();
    const ButtonClick click = drawActionButtons(count);
    drawStatusLine();
    const float footerHeight = ImGui::GetCursorPosY() - footerTop;
    const bool footerChanged = footerHeight != panel.footerHeight;
    panel.footerHeight = footerHeight;

    // Fit the window to its contents once, when the font's metrics are known; later, grow it
    // when the lines under the buttons need more room than it has.
    const int contentHeight =
        static_cast<int>(style.WindowPadding.y + controlsHeight + style.ItemSpacing.y +
                         footerHeight + style.WindowPadding.y);
    if (!panel.fitted) {
        panel.fitted = true;
        panel.messageChanged = false;
        glutReshapeWindow(static_cast<int>(labelWidth + 200.0f + style.WindowPadding.x),
                          contentHeight);
    } else if (panel.messageChanged || footerChanged) {
        panel.messageChanged = false;
        if (contentHeight > static_cast<int>(io.DisplaySize.y) &&
            contentHeight <= glutGet(GLUT_SCREEN_HEIGHT))
            glutReshapeWindow(static_cast<int>(io.DisplaySize.x), contentHeight);
    }
    ImGui::End();
    ImGui::Render();

    const int now = glutGet(GLUT_ELAPSED_TIME);
    if (panel.hoveredNow != panel.hovered) {
        panel.hovered = panel.hoveredNow;
        panel.hoveredSinceMs = now;
        // The tooltip shows once the pointer has rested; a timer brings the frame that shows it.
        if (panel.hovered >= 0)
            glutTimerFunc(
                kTooltipDelayMs + 20, [](int) { postPanelRedisplay(); }, 0);
    }

    glViewport(0, 0, static_cast<GLsizei>(io.DisplaySize.x),
               static_cast<GLsizei>(io.DisplaySize.y));
    glClearColor(0.16f, 0.17f, 0.19f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
    glutSwapBuffers();
    panel.lastRedrawMs = now;
    ++panel.panelFrames;

    if (changed)
        sceneChanged();
    // The scroll region is sized by the footer's height of the frame before.
    if (!panel.pending.empty() || footerChanged)
        postPanelRedisplay();
    return click;
}

void displayPanel()
{
    const ButtonClick click = drawPanelFrame();
    if (click.plain)
        click.plain();
    if (click.work && !panel.working) {
        const std::string busy = click.work();
        if (!busy.empty()) {
            panel.working = true;
            setPanelMessage(busy);
            // Shown before the work starts: the buttons off, the status line saying so.
            drawPanelFrame();
        }
    }
    glutSetWindow(panel.window);
}

// A window's outer frame from what freeglut reports; a frame size that makes no sense (as
// freeglut's fallback can give without a window manager) counts as no frame.
FrameRect outerFrameOf(int window)
{
    glutSetWindow(window);
    auto frameSize = [](int pixels) { return pixels >= 0 && pixels <= 200 ? pixels : 0; };
    const int border = frameSize(glutGet(GLUT_WINDOW_BORDER_WIDTH));
    const int header = frameSize(glutGet(GLUT_WINDOW_HEADER_HEIGHT));
    // The bottom edge is taken to be as wide as the sides.
    return FrameRect{glutGet(GLUT_WINDOW_X) - border, glutGet(GLUT_WINDOW_Y) - header,
                     glutGet(GLUT_WINDOW_WIDTH) + 2 * border,
                     glutGet(GLUT_WINDOW_HEIGHT) + header + border};
}

// Notes where the panel now is, as the place to follow the scene from.
void settleFollowing(int)
{
    const int current = glutGetWindow();
    panel.expectedPanel = outerFrameOf(panel.window);
    panel.following = true;
    if (current > 0)
        glutSetWindow(current);
}

// Puts the panel beside the scene window again, unless the user has moved it since it was put.
void followScene(int)
{
    if (!panel.following)
        return;
    const int current = glutGetWindow();
    const FrameRect panelFrame = outerFrameOf(panel.window);
    if (panelFrame.x != panel.expectedPanel.x || panelFrame.y != panel.expectedPanel.y) {
        panel.following = false;
    } else {
        const FrameRect sceneFrame = outerFrameOf(scene.mainWindow);
        const PanelPlacement place =
            placePanelBesideScene(sceneFrame, panelFrame, glutGet(GLUT_SCREEN_WIDTH),
                                  glutGet(GLUT_SCREEN_HEIGHT), kWindowGap);
        if (place.panel.x != panelFrame.x || place.panel.y != panelFrame.y) {
            glutSetWindow(panel.window);
            glutPositionWindow(place.panel.x, place.panel.y);
            panel.following = false;  // until the move has settled
            glutTimerFunc(300, settleFollowing, 0);
        }
    }
    if (current > 0)
        glutSetWindow(current);
}

void onScenePosition(int, int)
{
    panelFollowScene();
}

// Moves the panel beside the scene window where the window manager put it, during the first
// second after both windows are on screen. A position asked of the window manager is that of
// the frame's top-left corner (the windows' default north-west gravity).
void keepBesideScene()
{
    constexpr int checks = sizeof kPlacementChecksMs / sizeof kPlacementChecksMs[0];
    if (panel.placementChecks >= checks)
        return;
    const int now = glutGet(GLUT_ELAPSED_TIME);
    if (panel.placementFromMs < 0) {
        if (framesDrawn() == 0 || panel.panelFrames == 0)
            return;
        panel.placementFromMs = now;
    }
    if (now - panel.placementFromMs < kPlacementChecksMs[panel.placementChecks])
        return;
    ++panel.placementChecks;

    const int current = glutGetWindow();
    const FrameRect sceneFrame = outerFrameOf(scene.mainWindow);
    const FrameRect panelFrame = outerFrameOf(panel.window);
    // After the first check, only a scene window put elsewhere or a panel that has fitted
    // itself since calls for a new place: a panel the user has moved stays where it is.
    const bool first = panel.placementChecks == 1;
    const bool sceneMoved =
        sceneFrame.x != panel.checkedScene.x || sceneFrame.y != panel.checkedScene.y;
    const bool panelResized = panelFrame.width != panel.checkedPanel.width ||
                              panelFrame.height != panel.checkedPanel.height;
    panel.checkedScene = sceneFrame;
    panel.checkedPanel = panelFrame;
    if (first || sceneMoved || panelResized) {
        const PanelPlacement place =
            placePanelBesideScene(sceneFrame, panelFrame, glutGet(GLUT_SCREEN_WIDTH),
                                  glutGet(GLUT_SCREEN_HEIGHT), kWindowGap);
        if (place.scene.x != sceneFrame.x || place.scene.y != sceneFrame.y) {
            glutSetWindow(scene.mainWindow);
            glutPositionWindow(place.scene.x, place.scene.y);
        }
        if (place.panel.x != panelFrame.x || place.panel.y != panelFrame.y) {
            glutSetWindow(panel.window);
            glutPositionWindow(place.panel.x, place.panel.y);
        }
    }
    if (panel.placementChecks == checks)
        glutTimerFunc(300, settleFollowing, 0);
    if (current > 0)
        glutSetWindow(current);
}

// Idle work of the panel, then the program's own idle handler. Runs only while one of them
// has work; otherwise the idle callback is removed and the process sleeps until an event.
void panelIdle()
{
    const int now = glutGet(GLUT_ELAPSED_TIME);
    PanelActivity activity;
    activity.inputPending = !panel.pending.empty();
    activity.buttonHeld = ImGui::IsAnyMouseDown();
    activity.msSinceInput = now - panel.lastInputMs;
    activity.msSinceRedraw = now - panel.lastRedrawMs;
    activity.sceneAnimating = sceneAnimating(scene) || sceneInMotion();
    // A hidden panel draws nothing, so waiting for its frames would never end.
    const bool panelBusy = panel.shown && panelWantsFrame(activity);
    if (panelBusy)
        postPanelRedisplay();
    keepBesideScene();
    const bool placing = panel.placementChecks <
                         static_cast<int>(sizeof kPlacementChecksMs / sizeof kPlacementChecksMs[0]);
    const bool sceneBusy = panel.idle && panel.idle();
    if (!panelBusy && !placing && !sceneBusy)
        glutIdleFunc(nullptr);
}

}  // namespace

void buildControlPanel(int textureCount)
{
    panel.controls = buildControlTable(scene, textureCount);
    panel.editText.assign(panel.controls.size(), std::string());
    applyLimitsOnBuild(panel.controls);

    // Beside the scene window, top edges aligned (GLUT ignores negative positions). Where a
    // window manager puts either window is known only later; keepBesideScene corrects it.
    const int sceneX = std::max(0, glutGet(GLUT_WINDOW_X));
    const int sceneY = std::max(0, glutGet(GLUT_WINDOW_Y));
    glutInitWindowPosition(sceneX + glutGet(GLUT_WINDOW_WIDTH) + kWindowGap, sceneY);
    glutInitWindowSize(640, 700);
    panel.window = glutCreateWindow("GLUI");

    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // nothing is persisted
    io.DisplaySize = ImVec2(640.0f, 700.0f);
    ImGui::StyleColorsDark();
    ImGui_ImplGLUT_Init();
    ImGui_ImplOpenGL2_Init();

    // Callbacks of the panel window only; the scene window keeps its own.
    glutDisplayFunc(displayPanel);
    glutReshapeFunc(onReshape);
    glutMotionFunc(onMotion);
    glutPassiveMotionFunc(onMotion);
    glutMouseFunc(onMouse);
    glutMouseWheelFunc(onWheel);
    glutKeyboardFunc(onKey);
    glutKeyboardUpFunc(onKeyUp);
    glutSpecialFunc(onSpecial);
    glutSpecialUpFunc(onSpecialUp);
    glutEntryFunc(onEntry);
    glutWindowStatusFunc(onWindowStatus);
    panel.xDisplay = glXGetCurrentDisplay();
    panel.xWindow = glXGetCurrentDrawable();

    glutSetWindow(scene.mainWindow);
    glutPositionFunc(onScenePosition);
}

void panelFollowScene()
{
    // Window managers report a move in several steps; the last one counts.
    if (panel.following)
        glutTimerFunc(150, followScene, 0);
}

void setPanelIdleFunc(bool (*idle)())
{
    panel.idle = idle;
    wakeIdle();
}

void wakePanelIdle()
{
    wakeIdle();
}

void setPanelActions(PanelAction savePicture, PanelAction exportVase, void (*resetView)(),
                     void (*sceneChanged)())
{
    panel.savePicture = savePicture;
    panel.exportVase = exportVase;
    panel.resetView = resetView;
    panel.sceneChanged = sceneChanged;
}

void setPanelMessage(const std::string& text)
{
    panel.message = text;
    panel.messageChanged = true;
    ++panel.messageSerial;
    postPanelRedisplay();
}

void finishPanelWork(const std::string& message)
{
    panel.working = false;
    // Clicks made on the panel while it worked are dropped, queued or not yet read, so that
    // impatient clicks on a button do not repeat the work.
    panel.pending.erase(
        std::remove_if(panel.pending.begin(), panel.pending.end(),
                       [](const PanelInput& e) { return e.kind == PanelInput::Mouse; }),
        panel.pending.end());
    if (panel.xDisplay && panel.xWindow) {
        XSync(panel.xDisplay, False);
        XEvent event;
        while (XCheckWindowEvent(panel.xDisplay, panel.xWindow, ButtonPressMask | ButtonReleaseMask,
                                 &event)) {
        }
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
                                 reinterpret_cast<XPointer>(static_cast<intptr_t>(opcode)))) {
            }
        }
    }
    setPanelMessage(message);
}

void notePanelSceneFrame(double milliseconds)
{
    panel.lastSceneFrameMs = milliseconds;
    // While frames come one after another (animation, a drag) the status line is refreshed a
    // few times a second; a single frame is shown at once.
    const bool frameAfterFrame = sceneAnimating(scene) || sceneInMotion();
    if (!frameAfterFrame || glutGet(GLUT_ELAPSED_TIME) - panel.lastRedrawMs >= kStatusRefreshMs)
        postPanelRedisplay();
}

void togglePanelKeyList()
{
    panel.showKeys = !panel.showKeys;
    postPanelRedisplay();
}

bool panelWorking()
{
    return panel.working;
}
