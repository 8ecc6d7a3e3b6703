// When the kept picture of the still life less the globe must be drawn anew.
#include <gtest/gtest.h>

#include <string>

#include "core/controls.h"
#include "core/kept_picture.h"

TEST(KeptPicture, StaleExactlyWhenSomethingBesidesTheGlobeShowsDifferently)
{
    KeptPictureBasis kept;
    kept.state.textures = {1, 2, 3, 4, 5};
    kept.viewport = Viewport{150, 0, 500, 500};

    {
        // The globe's turn and state that never shows keep it.
        KeptPictureBasis now = kept;
        now.state.globeAngle = 137;
        now.state.spinGlobe = 0;
        now.state.spinY = 1;
        now.state.lastPointerX = 40;
        now.state.lastPointerY = 7;
        now.state.mainWindow = 3;
        now.state.horizontalDragAxis = 2;
        EXPECT_FALSE(keptPictureStale(kept, now));
    }
    {
        // Every panel control but "Spin Globe" and "Zoom Mode" changes the picture.
        KeptPictureBasis now = kept;
        const std::vector<Control> controls = buildControlTable(now.state, 5);
        for (const Control& control : controls) {
            now.state = kept.state;
            if (control.intField)
                *control.intField = *control.intField == 1 ? 2 : 1;
            else
                *control.floatField += 0.5f;
            const bool hidden = control.intField == &now.state.spinGlobe ||
                                control.intField == &now.state.zoomMode;
            EXPECT_EQ(!hidden, keptPictureStale(kept, now)) << control.label;
        }
    }
    {
        // So do the view, the zoom, the viewport and the texture set.
        KeptPictureBasis now = kept;
        now.state.rotation[1] = 0.2f;
        EXPECT_TRUE(keptPictureStale(kept, now));
        now = kept;
        now.state.zoom = 1.0025f;
        EXPECT_TRUE(keptPictureStale(kept, now));
        now = kept;
        now.viewport.x = 149;
        EXPECT_TRUE(keptPictureStale(kept, now));
        now = kept;
        now.viewport.width = now.viewport.height = 501;
        EXPECT_TRUE(keptPictureStale(kept, now));
        now = kept;
        now.state.textures[4] = 9;
        EXPECT_TRUE(keptPictureStale(kept, now));
    }
}

TEST(KeptPicture, CopiedWhenItMatchesKeptOnTheFirstFrameOfAChangeAndTheFirstAfter)
{
    EXPECT_EQ(KeptFrameChoice::CopyKept, chooseKeptFrame(true, false, false));
    EXPECT_EQ(KeptFrameChoice::CopyKept, chooseKeptFrame(true, true, true));
    // A drag: its first frame is kept, the next ones are not, the first still one is.
    EXPECT_EQ(KeptFrameChoice::DrawAndKeep, chooseKeptFrame(false, true, false));
    EXPECT_EQ(KeptFrameChoice::DrawOnly, chooseKeptFrame(false, true, true));
    EXPECT_EQ(KeptFrameChoice::DrawAndKeep, chooseKeptFrame(false, false, true));
}
