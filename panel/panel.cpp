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
#include "scene/frame.h"
#include "scene/vase_draw.h"

namespace {

// ImGui 1.86's GLUT backend writes input straight into ImGuiIO, so a press and release
// that both land between two frames would cancel out. Panel input is queued instead and
// fed to ImGui so that each frame sees a press before it sees the matching release.
struct InputEvent {
    enum Kind { Motion, Mouse, Wheel, Key, KeyUp, Special, SpecialUp } kind;
    int a = 0, b = 0, x = 0, y = 0;  // button/key, state/direction, pointer position
};

struct Panel {
    int window = 0;
    std::vector<Control> controls;
    std::vector<std::string> editText;  // text of each spinner's field while it is being edited
    std::deque<InputEvent> pending;
    int busyUntilMs = 0;       // keep redrawing until then after input, for hover and repeat
    int lastSampleMs = 0;      // frame-rate sampling of the scene window
    unsigned long lastSampleFrames = 0;
    float sceneFps = 0.0f;
    int lastRedrawMs = 0;
    bool fitted = false;       // the window has been sized to its contents
    void (*idle)() = nullptr;
};
Panel panel;

constexpr int kBusyAfterInputMs = 600;
constexpr int kStatusRefreshMs = 250;
constexpr float kFloatStep = 0.1f;
constexpr float kFloatStepFast = 1.0f;  // with Ctrl held
constexpr int kIntStepFast = 10;

void noteInput(const InputEvent& e)
{
    panel.pending.push_back(e);
    panel.busyUntilMs = glutGet(GLUT_ELAPSED_TIME) + kBusyAfterInputMs;
    glutPostWindowRedisplay(panel.window);
}

void onMotion(int x, int y) { noteInput({InputEvent::Motion, 0, 0, x, y}); }
void onMouse(int button, int state, int x, int y) { noteInput({InputEvent::Mouse, button, state, x, y}); }
void onWheel(int wheel, int dir, int x, int y) { noteInput({InputEvent::Wheel, wheel, dir, x, y}); }
void onKey(unsigned char c, int x, int y) { noteInput({InputEvent::Key, c, 0, x, y}); }
void onKeyUp(unsigned char c, int x, int y) { noteInput({InputEvent::KeyUp, c, 0, x, y}); }
void onSpecial(int k, int x, int y) { noteInput({InputEvent::Special, k, 0, x, y}); }
void onSpecialUp(int k, int x, int y) { noteInput({InputEvent::SpecialUp, k, 0, x, y}); }

void onReshape(int width, int height)
{
    ImGui_ImplGLUT_ReshapeFunc(width, height);
    glutPostWindowRedisplay(panel.window);
}

// Feeds queued events to ImGui up to the first one that would undo a press or release
// made earlier in this batch; the rest wait for the next frame.
void feedPendingInput()
{
    std::vector<int> downs, ups;  // keys and buttons (buttons offset by 1000) touched this batch
    auto seen = [](const std::vector<int>& v, int id) {
        for (int x : v)
            if (x == id)
                return true;
        return false;
    };
    while (!panel.pending.empty()) {
        const InputEvent e = panel.pending.front();
        int id = -1;
        bool down = false;
        switch (e.kind) {
        case InputEvent::Mouse: id = 1000 + e.a; down = e.b == GLUT_DOWN; break;
        case InputEvent::Key: id = e.a; down = true; break;
        case InputEvent::KeyUp: id = e.a; break;
        case InputEvent::Special: id = 256 + e.a; down = true; break;
        case InputEvent::SpecialUp: id = 256 + e.a; break;
        default: break;
        }
        if (id >= 0 && (down ? seen(downs, id) || seen(ups, id) : seen(downs, id)))
            break;
        if (id >= 0)
            (down ? downs : ups).push_back(id);
        panel.pending.pop_front();
        switch (e.kind) {
        case InputEvent::Motion: ImGui_ImplGLUT_MotionFunc(e.x, e.y); break;
        case InputEvent::Mouse: ImGui_ImplGLUT_MouseFunc(e.a, e.b, e.x, e.y); break;
        case InputEvent::Wheel: ImGui_ImplGLUT_MouseWheelFunc(e.a, e.b, e.x, e.y); break;
        case InputEvent::Key: ImGui_ImplGLUT_KeyboardFunc(static_cast<unsigned char>(e.a), e.x, e.y); break;
        case InputEvent::KeyUp: ImGui_ImplGLUT_KeyboardUpFunc(static_cast<unsigned char>(e.a), e.x, e.y); break;
        case InputEvent::Special: ImGui_ImplGLUT_SpecialFunc(e.a, e.x, e.y); break;
        case InputEvent::SpecialUp: ImGui_ImplGLUT_SpecialUpFunc(e.a, e.x, e.y); break;
        }
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
    const ImGuiInputTextFlags flags = ImGuiInputTextFlags_AutoSelectAll |
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
        ImGui::Text("Scene: %.1f ms per frame (%.1f fps), vase %zu quads",
                    1000.0f / panel.sceneFps, panel.sceneFps, lastVaseQuadCount());
    else
        ImGui::Text("Scene: measuring..., vase %zu quads", lastVaseQuadCount());
}

// Width of the label column: the widest spinner label plus a gap.
float labelColumnWidth()
{
    float widest = 0.0f;
    for (const Control& c : panel.controls)
        if (c.kind != ControlKind::Checkbox)
            widest = std::max(widest, ImGui::CalcTextSize(c.label).x);
    return widest + ImGui::GetStyle().ItemSpacing.x * 2.0f + ImGui::GetStyle().WindowPadding.x;
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

    glViewport(0, 0, static_cast<GLsizei>(io.DisplaySize.x), static_cast<GLsizei>(io.DisplaySize.y));
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
