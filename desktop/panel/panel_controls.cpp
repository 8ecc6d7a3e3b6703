// The panel's controls, buttons and status lines: one ImGui frame, and the work a click asks for.
#include <GL/freeglut.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/keys.h"
#include "core/redraw.h"
#include "desktop/scene.h"
#include "desktop/panel/panel.h"
#include "desktop/panel/panel_state.h"
#include "desktop/windows.h"
#include "gl/frame.h"
#include "gl/vase_draw.h"
#include "imgui.h"
#include "imgui_impl_glut.h"
#include "imgui_impl_opengl2.h"

namespace {

const char* const kSaveCaption = "Save picture";
const char* const kSaveTooltip = "Saves the scene as it is now to a picture file.";
const char* const kExportCaption = "Export vase";
const char* const kExportTooltip = "Writes the vase as it is now to a 3D model file.";
const char* const kTurntableCaption = "Save turntable";
const char* const kCancelTurntableCaption = "Cancel turntable";
const char* const kTurntableTooltip =
    "Saves the scene turning once about Y (and the globe once, when it spins) as an MP4 video; "
    "a second click, or Esc, cancels it and leaves no file.";
const char* const kResetCaption = "Reset view";
const char* const kResetTooltip =
    "Turns and zooms the scene back to the view it started with (key r), the turn about Y "
    "(key y) on or off as it started.";

void sceneChanged()
{
    if (panel.sceneChanged)
        panel.sceneChanged();
    wakeIdle();
}

// The item just drawn starts work: presses on it belong to a burst (onMouse).
void noteWorkButton()
{
    const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
    panel.workButtons.push_back(PanelBox{min.x, min.y, max.x, max.y});
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
    if (ImGui::IsItemActive()) {
        edit = text;
        panel.editing = true;
    }
    if (ImGui::IsItemDeactivatedAfterEdit()) {
        const std::string message = typedValueMessage(c, text);
        changed = commitTypedValue(c, text);
        if (!message.empty())
            showBriefMessage(message);
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
    bool turntable = false;  // the turntable's button: taken while work runs, to cancel
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
    panel.workButtons.clear();
    ImGui::BeginDisabled(panel.working);
    if (ImGui::Button(kSaveCaption, ImVec2(width, 0.0f)))
        clicked.work = panel.savePicture;
    noteWorkButton();
    noteHover(firstIndex);
    drawTooltip(firstIndex, kSaveTooltip);
    ImGui::SameLine();
    if (ImGui::Button(kExportCaption, ImVec2(width, 0.0f)))
        clicked.work = panel.exportVase;
    noteWorkButton();
    noteHover(firstIndex + 1);
    drawTooltip(firstIndex + 1, kExportTooltip);
    ImGui::EndDisabled();
    ImGui::SameLine();
    if (ImGui::Button(kResetCaption, ImVec2(width, 0.0f)))
        clicked.plain = panel.resetView;
    noteHover(firstIndex + 2);
    drawTooltip(firstIndex + 2, kResetTooltip);
    // On a row of its own, under "Save picture": the row above keeps the panel's width.
    const bool running = panel.turntableRunning && panel.turntableRunning();
    ImGui::BeginDisabled(panel.working && !running);
    if (ImGui::Button(running ? kCancelTurntableCaption : kTurntableCaption,
                      ImVec2(2.0f * width + style.ItemSpacing.x, 0.0f))) {
        clicked.work = panel.saveTurntable;
        clicked.turntable = true;
    }
    if (!running)  // while one runs it cancels: a press on it is always taken
        noteWorkButton();
    noteHover(firstIndex + 3);
    drawTooltip(firstIndex + 3, kTurntableTooltip);
    ImGui::EndDisabled();
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
        static const std::string keyList = keyListText(kDesktopKeys);
        ImGui::TextUnformatted(keyList.c_str());
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
    panel.editing = false;
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
        const int shownHeight = static_cast<int>(io.DisplaySize.y);
        if (contentHeight > shownHeight && contentHeight <= glutGet(GLUT_SCREEN_HEIGHT)) {
            if (panel.heightBeforeGrowth == 0)
                panel.heightBeforeGrowth = shownHeight;
            glutReshapeWindow(static_cast<int>(io.DisplaySize.x), contentHeight);
        } else if (contentHeight < shownHeight && panel.heightBeforeGrowth > 0) {
            // The lines that grew the window are gone (the key list hidden): give the room back,
            // or the controls would end in a blank gap above the buttons.
            glutReshapeWindow(static_cast<int>(io.DisplaySize.x),
                              std::max(contentHeight, panel.heightBeforeGrowth));
            panel.heightBeforeGrowth = 0;
        }
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

}  // namespace

void displayPanel()
{
    if (panel.history.beginFrame)
        panel.history.beginFrame();
    const ButtonClick click = drawPanelFrame();
    runSceneKeys();
    if (click.plain)
        click.plain();
    if (click.work && (!panel.working || click.turntable)) {
        const std::string busy = click.work();
        if (!busy.empty()) {
            panel.working = true;
            setPanelMessage(busy);
            // Shown before the work starts: the buttons off, the status line saying so.
            drawPanelFrame();
        }
    }
    // An arrow held down, or a press not yet released, keeps the step open.
    if (panel.history.endFrame)
        panel.history.endFrame(ImGui::IsAnyMouseDown());
    glutSetWindow(panel.window);
}
