// Panel input queued between panel frames, and how much of it one frame may take.
#include "desktop/panel/input_queue.h"

#include <algorithm>
#include <vector>

namespace {

// Keys, special keys and buttons share one numbering so a batch can track them together.
constexpr int kSpecialBase = 256;
constexpr int kButtonBase = 1024;

}  // namespace

std::size_t nextInputBatch(const std::deque<PanelInput>& queue)
{
    std::vector<int> pressed, released;
    bool buttonSeen = false;
    auto has = [](const std::vector<int>& ids, int id) {
        return std::find(ids.begin(), ids.end(), id) != ids.end();
    };
    for (std::size_t n = 0; n < queue.size(); ++n) {
        const PanelInput& e = queue[n];
        int id = -1;
        bool down = false;
        switch (e.kind) {
        case PanelInput::Mouse:
            id = kButtonBase + e.code;
            down = e.state != 0;
            break;
        case PanelInput::Key:
            id = e.code;
            down = true;
            break;
        case PanelInput::KeyUp: id = e.code; break;
        case PanelInput::Special:
            id = kSpecialBase + e.code;
            down = true;
            break;
        case PanelInput::SpecialUp: id = kSpecialBase + e.code; break;
        case PanelInput::Motion:
        case PanelInput::Leave:
            if (buttonSeen)
                return n;
            continue;
        case PanelInput::Wheel: continue;
        }
        if (has(pressed, id) || (down && has(released, id)))
            return n;
        (down ? pressed : released).push_back(id);
        buttonSeen = buttonSeen || e.kind == PanelInput::Mouse;
    }
    return queue.size();
}
