// The control panel: a second GLUT window whose Dear ImGui controls edit the scene's settings.
#include "panel/panel.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "app/scene_state.h"
#include "imgui.h"
#include "imgui_impl_glut.h"
#include "imgui_impl_opengl2.h"
#include "panel/controls.h"
#include "panel/input_queue.h"
#include "scene/frame.h"
#include "scene/vase_draw.h"

namespace {

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
    bool fitted = false;      // the window has been sized to its contents
    float labelWidth = 0.0f;  // pixels, of the spinners' label column; 0 until measured
    void (*idle)() = nullptr;
};
Panel panel;

constexpr int kBusyAfterInputMs = 600;
constexpr int kStatusRefreshMs = 250;
constexpr float kFloatStep = 0.1f;
constexpr float kFloatStepFast = 1.0f;  // with Ctrl held
constexpr int kIntStepFast = 10;

// ImGui 1.86's GLUT backend writes input straight into ImGuiIO, where a press and a
// release that land between two frames cancel out. Input is queued here instead, with the
// modifiers of its moment (GLUT reports them only inside input callbacks).
void queueInput(PanelInput e)
{
    const int mods = glutGetModifiers();
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

bool drawCheckbox(const Control& c)
{
    bool ticked = *c.intField != 0;  // the field is read back every frame: the box shows it live
    if (!ImGui::Checkbox(c.label, &ticked))
        return false;
    *c.intField = ticked ? 1 : 0;
    return true;
}

// A spinner: the label, a text field written when it is confirmed or left, and arrow
// buttons that repeat while held.
bool drawSpinner(const Control& c, std::string& edit, float labelWidth)
{
    bool changed = false;
    ImGui::PushID(c.label);
    ImGui::BeginDisabled(!c.enabled);
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted(c.label);
    ImGui::SameLine(labelWidth);

    const float button = ImGui::GetFrameHeight();
    const float spacing = ImGui::GetStyle().ItemInnerSpacing.x;
    ImGui::SetNextItemWidth(ImGui::GetContentRegionAvail().x - 2.0f * (button + spacing));

    char text[64];
    const std::string shown = edit.empty() ? formatControlValue(c) : edit;
    std::snprintf(text, sizeof text, "%s", shown.c_str());
    const ImGuiInputTextFlags flags =
        ImGuiInputTextFlags_AutoSelectAll |
        (c.kind == ControlKind::FloatSpinner ? ImGuiInputTextFlags_CharsScientific
                                             : ImGuiInputTextFlags_CharsDecimal);
    ImGui::InputText("##value", text, sizeof text, flags);
    if (ImGui::IsItemActive())
        edit = text;
    if (ImGui::IsItemDeactivatedAfterEdit())
        changed = commitTypedValue(c, text);
    if (!ImGui::IsItemActive())
        edit.clear();

    const bool fast = ImGui::GetIO().KeyCtrl;
    const int intStep = fast ? kIntStepFast : 1;
    const float floatStep = fast ? kFloatStepFast : kFloatStep;
    ImGui::PushButtonRepeat(true);
    ImGui::SameLine(0.0f, spacing);
    if (ImGui::Button("-", ImVec2(button, button)))
        changed |= stepSpinner(c, -intStep, floatStep);
    ImGui::SameLine(0.0f, spacing);
    if (ImGui::Button("+", ImVec2(button, button)))
        changed |= stepSpinner(c, intStep, floatStep);
    ImGui::PopButtonRepeat();

    ImGui::EndDisabled();
    ImGui::PopID();
    return changed;
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

    const ImGuiIO& io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
    ImGui::SetNextWindowSize(io.DisplaySize);
    ImGui::Begin("GLUI", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove |
                     ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus);

    const float labelWidth = labelColumnWidth();
    bool changed = false;
    for (size_t i = 0; i < panel.controls.size(); ++i) {
        const Control& c = panel.controls[i];
        changed |= c.kind == ControlKind::Checkbox ? drawCheckbox(c)
                                                   : drawSpinner(c, panel.editText[i], labelWidth);
    }
    drawStatusLine();

    // Fit the window to its contents once, when the font's metrics are known.
    if (!panel.fitted) {
        panel.fitted = true;
        const ImGuiStyle& style = ImGui::GetStyle();
        const int width = static_cast<int>(labelWidth + 200.0f + style.WindowPadding.x);
        const int height = static_cast<int>(ImGui::GetCursorPosY() + style.WindowPadding.y);
        glutReshapeWindow(width, height);
    }
    ImGui::End();
    ImGui::Render();

    glViewport(0, 0, static_cast<GLsizei>(io.DisplaySize.x),
               static_cast<GLsizei>(io.DisplaySize.y));
    glClearColor(0.16f, 0.17f, 0.19f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
    glutSwapBuffers();
    panel.lastRedrawMs = glutGet(GLUT_ELAPSED_TIME);

    if (changed)
        sceneChanged();
    if (!panel.pending.empty())
        glutPostWindowRedisplay(panel.window);
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
    if (panel.idle)
        panel.idle();
}

}  // namespace

void buildControlPanel(int textureCount)
{
    panel.controls = buildControlTable(scene, textureCount);
    panel.editText.assign(panel.controls.size(), std::string());
    applyLimitsOnBuild(panel.controls);

    // Beside the scene window, top edges aligned (GLUT ignores negative positions).
    const int sceneX = std::max(0, glutGet(GLUT_WINDOW_X));
    const int sceneY = std::max(0, glutGet(GLUT_WINDOW_Y));
    glutInitWindowPosition(sceneX + glutGet(GLUT_WINDOW_WIDTH) + 16, sceneY);
    glutInitWindowSize(640, 600);
    panel.window = glutCreateWindow("GLUI");

    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // nothing is persisted
    io.DisplaySize = ImVec2(640.0f, 600.0f);
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

    glutSetWindow(scene.mainWindow);
}

void setPanelIdleFunc(void (*idle)())
{
    panel.idle = idle;
    glutIdleFunc(panelIdle);
}
