// The page's entry points, called from index.html's script: the scene state, the panel's
// controls, input, textures, pictures and exports, all through the same core as the desktop.
#include <GLES3/gl3.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>
#include <GLES3/gl3.h>

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "core/controls.h"
#include "core/export/vase_gltf.h"
#include "core/options.h"
#include "core/save_work.h"
#include "core/scene_file.h"
#include "core/scene_state.h"
#include "core/view_math.h"
#include "web/page_state.h"
#include "web/renderer.h"
#include "web/scene_draw.h"

SceneState scene;

// The images behind scene.textures, kept for "Export vase", which embeds the vase's, and for
// uploading again after a lost WebGL context.
std::vector<PpmImage> textureImages;

namespace {

// The view that `r` and "Reset view" restore: as it was once the address's settings were in.
ViewPose startView;

// The panel's table over `scene`, rebuilt whenever the texture count changes.
std::vector<Control> controls;

// Strings handed to JavaScript stay valid until the next call that returns one.
std::string reply;

}  // namespace

void resetPageView()
{
    restoreViewPose(scene, startView);
}

const char* answer(std::string text)
{
    reply = std::move(text);
    return reply.c_str();
}

std::string jsonString(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
            continue;
        }
        out += c;
    }
    return out + "\"";
}

void rebuildControls()
{
    controls = buildControlTable(scene, static_cast<int>(scene.textures.size()));
    applyLimitsOnBuild(controls);
}

namespace {

const char* kindName(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Checkbox: return "checkbox";
    case ControlKind::IntSpinner: return "int";
    case ControlKind::FloatSpinner: return "float";
    }
    return "";
}

bool validControl(int index)
{
    return index >= 0 && index < static_cast<int>(controls.size());
}

// The scene as the last frame drew it, restored when the next does not fit in memory.
SceneState lastDrawn;

// The settings of the last frame drawn, over the textures `now` holds: images opened since
// then have replaced (and deleted) the textures it drew, and the texture numbers go with them.
SceneState settingsDrawnLast(const SceneState& now)
{
    SceneState kept = lastDrawn;
    kept.textures = now.textures;
    kept.tableTexture = now.tableTexture;
    kept.popTexture = now.popTexture;
    kept.globeTexture = now.globeTexture;
    kept.vaseTexture = now.vaseTexture;
    kept.standTexture = now.standTexture;
    return kept;
}

// Signalled when the GPU has finished the last frame (tvFenceFrame).
GLsync frameFence = nullptr;

}  // namespace

namespace {
int canvasSamples = 0;  // samples a pixel the frames are drawn with
}  // namespace

extern "C" {

// Makes the WebGL 2 context on the canvas #scene and the renderer; an empty reply when ready,
// else why the page cannot draw.
EMSCRIPTEN_KEEPALIVE const char* tvStart(int antialiasing)
{
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = false;
    attributes.depth = true;
    // Antialiasing (in the address) draws into a multisampled framebuffer resolved onto the
    // canvas, which keeps one sample: the still life outside the globe's corner then stays
    // on the canvas while only the globe turns.
    attributes.antialias = false;
    attributes.preserveDrawingBuffer = true;  // "Save picture" reads the canvas after the frame
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context("#scene", &attributes);
    if (context <= 0)
        return answer("This page needs WebGL 2, which this browser does not offer.");
    emscripten_webgl_make_context_current(context);
    std::string why;
    if (!initRenderer(why))
        return answer("The scene cannot be drawn here: " + why);
    canvasSamples = setRendererSamples(antialiasing);
    rebuildControls();
    return answer("");
}

// After the address's settings: antialiasing becomes the canvas's own count, so that saved
// pictures name it; the note says once where that differs from the count asked for.
EMSCRIPTEN_KEEPALIVE const char* tvSettleAntialiasing()
{
    const std::string note = antialiasingNote(scene.antialiasing, canvasSamples);
    scene.antialiasing = canvasSamples;
    return answer(note);
}

// The 24 controls as JSON: kind, label, tooltip, limits, steps and whether enabled.
EMSCRIPTEN_KEEPALIVE const char* tvControls()
{
    std::string json = "[";
    for (const Control& c : controls) {
        if (json.size() > 1)
            json += ',';
        json += "{\"kind\":\"" + std::string(kindName(c.kind)) + "\",\"label\":" +
                jsonString(c.label) + ",\"tooltip\":" + jsonString(c.tooltip) +
                ",\"limited\":" + (c.limited ? "true" : "false") +
                ",\"low\":" + std::to_string(c.low) + ",\"high\":" + std::to_string(c.high) +
                ",\"enabled\":" + (c.enabled ? "true" : "false") + "}";
    }
    return answer(json + "]");
}

// The value control `index` shows: "0"/"1" for checkboxes, the spinner's text otherwise.
EMSCRIPTEN_KEEPALIVE const char* tvControlValue(int index)
{
    if (!validControl(index))
        return answer("");
    return answer(formatControlValue(controls[static_cast<size_t>(index)]));
}

// A click on a checkbox: writes the opposite of what the box showed.
EMSCRIPTEN_KEEPALIVE void tvSetCheckbox(int index, int ticked)
{
    if (validControl(index) && controls[static_cast<size_t>(index)].intField)
        *controls[static_cast<size_t>(index)].intField = ticked ? 1 : 0;
}

// Text typed into a spinner, committed; returns whether the field was written.
EMSCRIPTEN_KEEPALIVE int tvCommitText(int index, const char* text)
{
    return validControl(index) && commitTypedValue(controls[static_cast<size_t>(index)], text);
}

// The message after `text` was typed into control `index`, as the desktop's: why it is refused
// or what it is clamped to; empty when it is stored as typed.
EMSCRIPTEN_KEEPALIVE const char* tvTypedValueMessage(int index, const char* text)
{
    if (!validControl(index))
        return answer("");
    return answer(typedValueMessage(controls[static_cast<size_t>(index)], text));
}

// One arrow click: +1 up, -1 down, the fast step while Ctrl is held.
EMSCRIPTEN_KEEPALIVE int tvStepArrow(int index, int direction, int fast)
{
    return validControl(index) &&
           stepByArrow(controls[static_cast<size_t>(index)], direction, fast != 0);
}

// One NAME=VALUE from the address, by --set's rules; an empty reply when taken, else the refusal
// in the address's words.
EMSCRIPTEN_KEEPALIVE const char* tvApplySetting(const char* assignment)
{
    const std::string why = applySetting(scene, assignment, static_cast<int>(scene.textures.size()));
    return answer(why.empty() ? why : addressRefusal(why));
}

// The --set arguments that reproduce the current picture.
EMSCRIPTEN_KEEPALIVE const char* tvArguments()
{
    return answer(reproducingArguments(scene));
}

// The arguments that redraw the current picture at width x height pixels: --size unless
// that is the desktop's 500 x 500, then the --set arguments.
EMSCRIPTEN_KEEPALIVE const char* tvArgumentsAt(int width, int height)
{
    return answer(reproducingArguments(scene, static_cast<int>(scene.textures.size()), width, height));
}

// The longest text, in characters, that a field or an address parameter hands to the core:
// far more than any value needs, and small enough for the stack that carries it.
EMSCRIPTEN_KEEPALIVE int tvTextLimit()
{
    return 256;
}

EMSCRIPTEN_KEEPALIVE void tvPress(int x, int y)
{
    recordPress(scene, true, true, x, y);
}

EMSCRIPTEN_KEEPALIVE void tvDrag(int x, int y)
{
    applyDrag(scene, x, y);
}

EMSCRIPTEN_KEEPALIVE void tvKeepStartView()
{
    startView = viewPoseOf(scene);
}

EMSCRIPTEN_KEEPALIVE void tvResetView()
{
    resetPageView();
}

// Two fingers: the pinch's starting zoom, scaled by the fingers' starting and current span.
EMSCRIPTEN_KEEPALIVE void tvPinch(float startZoom, double startSpan, double span)
{
    applyPinch(scene, startZoom, startSpan, span);
}

EMSCRIPTEN_KEEPALIVE float tvZoom()
{
    return scene.zoom;
}

// The browser asks for less motion: the globe starts still unless the address turns it
// (`addressSpins`); the reply says once how to start it, empty when nothing changed.
EMSCRIPTEN_KEEPALIVE const char* tvReduceMotion(int addressSpins)
{
    if (addressSpins || scene.spinGlobe == 0)
        return answer("");
    scene.spinGlobe = 0;
    return answer("The globe stands still, as this browser asks for less motion: tick \"Spin "
                  "Globe\" to turn it.");
}

// One notch of the wheel: +1 away from the user (zooms in), -1 towards.
EMSCRIPTEN_KEEPALIVE void tvWheel(int direction)
{
    applyWheel(scene, direction);
}

// One animation step, as the desktop's idle handler takes one per frame; returns whether the
// scene keeps moving by itself (so that another frame is due).
EMSCRIPTEN_KEEPALIVE int tvAdvance()
{
    advanceAnimation(scene);
    return scene.spinGlobe == 1 || scene.spinY != 0;
}

// A drag moves the view (1) or has ended or rested (0): see setViewMoving.
EMSCRIPTEN_KEEPALIVE void tvSetViewMoving(int moving)
{
    setViewMoving(moving != 0);
}

// Whether the canvas shows the smaller vase, which a picture to keep must not.
EMSCRIPTEN_KEEPALIVE int tvSmallerVaseShown()
{
    return smallerVaseDrawn();
}

EMSCRIPTEN_KEEPALIVE int tvMoving()
{
    return scene.spinGlobe == 1 || scene.spinY != 0;
}

// One frame; an empty reply when drawn. When the page's memory cannot hold what the settings
// ask for (the vase's mesh), the scene as it was last drawn comes back and is drawn instead,
// and the reply says what did not fit.
EMSCRIPTEN_KEEPALIVE const char* tvDraw(int width, int height, int exact)
{
    setVaseExact(exact != 0);
    struct Reset {
        ~Reset() { setVaseExact(false); }
    } reset;
    try {
        drawScene(scene, width, height);
        lastDrawn = scene;
        return answer("");
    } catch (const std::bad_alloc&) {
    }
    const std::string what = "The vase with " + std::to_string(scene.vaseVerticalSteps) + " x " +
                             std::to_string(scene.vaseRadialSteps) +
                             " steps does not fit in the page's memory; the previous settings are kept";
    scene = settingsDrawnLast(scene);
    try {
        drawScene(scene, width, height);
    } catch (const std::bad_alloc&) {
    }
    return answer(what);
}

// A fence after the frame's commands: the page starts no frame until the GPU has finished the
// one before, so frames never queue up behind input, and the wait tells what a frame costs.
EMSCRIPTEN_KEEPALIVE void tvFenceFrame()
{
    if (frameFence)
        glDeleteSync(frameFence);
    frameFence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    glFlush();
}

// Whether the GPU has finished the fenced frame; never waits (WebGL updates the answer only
// between the browser's tasks, so the page asks again from a timer).
EMSCRIPTEN_KEEPALIVE int tvFrameDone()
{
    if (!frameFence)
        return 1;
    const GLenum state = glClientWaitSync(frameFence, 0, 0);
    if (state == GL_TIMEOUT_EXPIRED)
        return 0;
    glDeleteSync(frameFence);  // signalled, or failed (a lost context): nothing to wait for
    frameFence = nullptr;
    return 1;
}

// For tests and measuring: whether frames may use the kept picture, and whether the last did.
EMSCRIPTEN_KEEPALIVE void tvKeptPicture(int enabled)
{
    setKeptPictureEnabled(enabled != 0);
}

EMSCRIPTEN_KEEPALIVE int tvLastFrameKept()
{
    return lastFrameFromKeptPicture();
}

EMSCRIPTEN_KEEPALIVE int tvMaxTextureSize()
{
    return maxTextureSize();
}

// Writes the vase for the current settings to /tolvane-vase.glb in the page's memory files,
// with `png` (the vase texture as a PNG file, or none) embedded; an empty reply when written.
EMSCRIPTEN_KEEPALIVE const char* tvExportVase(const unsigned char* png, int pngSize)
{
    const VaseSettings s = vaseSettingsOf(scene);
    if (vaseGlbTriangleCount(s) == 0)
        return answer(kNothingToExport);
    const std::vector<unsigned char> texture(png, png + pngSize);
    WriteResult written;
    try {
        written = writeVaseGlbFile("/tolvane-vase.glb", s, texture);
    } catch (const std::bad_alloc&) {
        return answer(workFailedText(SaveWork::Vase, "not enough memory for its mesh"));
    }
    if (!written.ok)
        return answer(workFailedText(SaveWork::Vase, written.message));
    return answer("");
}

}  // extern "C"
