// The control panel: a second GLUT window whose Dear ImGui controls edit the scene's settings.
#include "desktop/panel/panel.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "core/scene_state.h"
#include "imgui.h"
#include "imgui_impl_glut.h"
#include "imgui_impl_opengl2.h"
#include "core/controls.h"
#include "desktop/panel/input_queue.h"
#include "desktop/panel/placement.h"
#include "gl/frame.h"
#include "gl/vase_draw.h"

namespace {

using PanelAction = void (*)();

struct Panel {
    int window = 0;
    std::vector<Control> controls;
    std::vector<std::string> editText;  // text of each spinner's field while it is being edited
    std::deque<PanelInput> pending;     // input not yet fed to ImGui
    int busyUntilMs = 0;   // keep redrawing until then after input, for hover and repeat
    int lastSampleMs = 0;  // frame-rate sampling of the scene window
    unsigned long lastSampleFrames = 0;
    float sceneFps = 0.0f;
    int lastRedrawMs = 0;
    bool fitted = false;       // the window has been sized to its contents
    float labelWidth = 0.0f;   // pixels, of the spinners' label column; 0 until measured
    bool pointerLeft = false;  // the pointer left the window: end any edit at the next frame
    int hovered = -1;          // control (or button, after the controls) under the pointer
    int hoveredSinceMs = 0;
    int hoveredNow = -1;  // what this frame found under the pointer
    std::string message;  // the line under the frame time
    bool messageChanged = false;
    PanelAction savePicture = nullptr;  // what the buttons call; null: nothing
    PanelAction exportVase = nullptr;
    int panelFrames = 0;       // frames the panel has drawn
    int placementFromMs = -1;  // when both windows had drawn a frame; -1 until then
    int placementChecks = 0;   // how many of kPlacementChecksMs have run
    FrameRect checkedScene;    // both frames as the last check found them
    FrameRect checkedPanel;
    void (*idle)() = nullptr;
};
Panel panel;

constexpr int kBusyAfterInputMs = 600;
constexpr int kStatusRefreshMs = 250;
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
    panel.busyUntilMs = glutGet(GLUT_ELAPSED_TIME) + kBusyAfterInputMs;
    glutPostWindowRedisplay(panel.window);
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

void onReshape(int width, int height)
{
    ImGui_ImplGLUT_ReshapeFunc(width, height);
    glutPostWindowRedisplay(panel.window);
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
    glutPostWindowRedisplay(scene.mainWindow);
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
    if (ImGui::IsItemDeactivatedAfterEdit())
        changed = commitTypedValue(c, text);
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

// The two action buttons side by side, sharing the width; what a click asks for runs after
// the frame, outside ImGui.
PanelAction drawActionButtons(int firstIndex)
{
    PanelAction clicked = nullptr;
    const ImGuiStyle& style = ImGui::GetStyle();
    const float minimum =
        std::max(ImGui::CalcTextSize(kSaveCaption).x, ImGui::CalcTextSize(kExportCaption).x) +
        2.0f * style.FramePadding.x;
    const float width =
        std::max(minimum, (ImGui::GetContentRegionAvail().x - style.ItemSpacing.x) / 2.0f);
    if (ImGui::Button(kSaveCaption, ImVec2(width, 0.0f)))
        clicked = panel.savePicture;
    noteHover(firstIndex);
    drawTooltip(firstIndex, kSaveTooltip);
    ImGui::SameLine();
    if (ImGui::Button(kExportCaption, ImVec2(width, 0.0f)))
        clicked = panel.exportVase;
    noteHover(firstIndex + 1);
    drawTooltip(firstIndex + 1, kExportTooltip);
    return clicked;
}

void drawStatusLine()
{
    const int now = glutGet(GLUT_ELAPSED_TIME);
    const unsigned long frames = framesDrawn();
    if (now - panel.lastSampleMs >= 1000) {
        if (panel.lastSampleMs > 0)
            panel.sceneFps = static_cast<float>(frames - panel.lastSampleFrames) * 1000.0f /
                             static_cast<float>(now - panel.lastSampleMs);
        panel.lastSampleMs = now;
        panel.lastSampleFrames = frames;
    }
    ImGui::Separator();
    if (panel.sceneFps > 0.0f)
        ImGui::Text("Scene: %.1f ms per frame (%.1f fps), vase %zu quads", 1000.0f / panel.sceneFps,
                    panel.sceneFps, lastVaseQuadCount());
    else
        ImGui::Text("Scene: measuring..., vase %zu quads", lastVaseQuadCount());
    // The message line is there even when empty, so the fitted window has room for it. It
    // wraps a little short of the edge: a wrapped line can measure a pixel wider than asked,
    // which would bring up the horizontal scroll bar.
    ImGui::PushTextWrapPos(ImGui::GetContentRegionMax().x - 4.0f);
    ImGui::TextUnformatted(panel.message.empty() ? " " : panel.message.c_str());
    ImGui::PopTextWrapPos();
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

void displayPanel()
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
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
    ImGui::SetNextWindowSize(io.DisplaySize);
    // Scroll bars, both ways, keep every control reachable in a window made smaller.
    ImGui::Begin("GLUI", nullptr,
                 ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_HorizontalScrollbar |
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus);

    const float labelWidth = labelColumnWidth();
    panel.hoveredNow = -1;
    bool changed = false;
    const int count = static_cast<int>(panel.controls.size());
    for (int i = 0; i < count; ++i) {
        const Control& c = panel.controls[i];
        changed |= c.kind == ControlKind::Checkbox
                       ? drawCheckbox(c, i)
                       : drawSpinner(c, i, panel.editText[i], labelWidth);
    }
    const PanelAction action = drawActionButtons(count);
    drawStatusLine();

    // Fit the window to its contents once, when the font's metrics are known; later, grow it
    // when a new message needs more lines than it has.
    const ImGuiStyle& style = ImGui::GetStyle();
    const int contentHeight = static_cast<int>(ImGui::GetCursorPosY() + style.WindowPadding.y);
    if (!panel.fitted) {
        panel.fitted = true;
        panel.messageChanged = false;
        glutReshapeWindow(static_cast<int>(labelWidth + 200.0f + style.WindowPadding.x),
                          contentHeight);
    } else if (panel.messageChanged) {
        panel.messageChanged = false;
        if (contentHeight > static_cast<int>(io.DisplaySize.y))
            glutReshapeWindow(static_cast<int>(io.DisplaySize.x), contentHeight);
    }
    ImGui::End();
    ImGui::Render();

    const int now = glutGet(GLUT_ELAPSED_TIME);
    if (panel.hoveredNow != panel.hovered) {
        panel.hovered = panel.hoveredNow;
        panel.hoveredSinceMs = now;
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
    if (!panel.pending.empty())
        glutPostWindowRedisplay(panel.window);
    if (action) {
        action();
        glutSetWindow(panel.window);
    }
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
    if (current > 0)
        glutSetWindow(current);
}

// Idle work of the panel, then the program's own idle handler.
void panelIdle()
{
    const int now = glutGet(GLUT_ELAPSED_TIME);
    // Redraw while input is recent or a control is held (arrow repeat needs frames), and
    // a few times a second for the status line and values changed by keys.
    if (now < panel.busyUntilMs || ImGui::IsAnyMouseDown() || ImGui::IsAnyItemActive() ||
        now - panel.lastRedrawMs >= kStatusRefreshMs)
        glutPostWindowRedisplay(panel.window);
    keepBesideScene();
    if (panel.idle)
        panel.idle();
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

    glutSetWindow(scene.mainWindow);
}

void setPanelIdleFunc(void (*idle)())
{
    panel.idle = idle;
    glutIdleFunc(panelIdle);
}

void setPanelActions(void (*savePicture)(), void (*exportVase)())
{
    panel.savePicture = savePicture;
    panel.exportVase = exportVase;
}

void setPanelMessage(const std::string& text)
{
    panel.message = text;
    panel.messageChanged = true;
    if (panel.window > 0)
        glutPostWindowRedisplay(panel.window);
}
