// Builds vase meshes on a worker thread, so that the thread that draws never waits for one.
#include "core/vase_builder.h"

VaseBuilder::~VaseBuilder()
{
    stopVaseBuild(*this);
}

void startVaseBuild(VaseBuilder& b, const VaseSettings& s, VaseVertex* out,
                    const VaseSettings& first, VaseVertex* firstOut)
{
    stopVaseBuild(b);
    b.cancel.store(false);
    b.done.store(false);
    b.firstDone.store(false);
    b.settings = s;
    b.out = out;
    b.running = true;
    b.worker = std::thread([&b, s, out, first, firstOut] {
        if (firstOut) {
            if (!buildVaseSharedMesh(first, firstOut, &b.cancel))
                return;
            b.firstDone.store(true, std::memory_order_release);
        }
        if (buildVaseSharedMesh(s, out, &b.cancel))
            b.done.store(true, std::memory_order_release);
    });
}

bool vaseFirstBuilt(const VaseBuilder& b)
{
    return b.running && b.firstDone.load(std::memory_order_acquire);
}

bool vaseBuildPending(const VaseBuilder& b)
{
    return b.running;
}

bool takeVaseBuild(VaseBuilder& b, VaseSettings* settings, VaseVertex** out)
{
    if (!b.running || !b.done.load(std::memory_order_acquire))
        return false;
    if (b.worker.joinable())
        b.worker.join();
    b.running = false;
    if (settings)
        *settings = b.settings;
    if (out)
        *out = b.out;
    return true;
}

void waitVaseBuild(VaseBuilder& b)
{
    if (b.running && b.worker.joinable())
        b.worker.join();
}

void stopVaseBuild(VaseBuilder& b)
{
    if (b.worker.joinable()) {
        b.cancel.store(true);
        b.worker.join();
    }
    b.running = false;
    b.done.store(false);
    b.firstDone.store(false);
}
