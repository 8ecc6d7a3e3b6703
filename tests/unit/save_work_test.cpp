// The rules both front ends share for "Save picture" and "Export vase": the burst gate of clicks,
// and opened images' texture sizes and numbers.
#include <gtest/gtest.h>

#include "core/save_work.h"
#include "core/scene_state.h"
#include "core/texture_choice.h"

TEST(SaveWork, ABurstOfClicksStartsTheWorkOnce)
{
    BurstGate gate;
    EXPECT_FALSE(burstDropsPress(gate, false, 1000));  // starts the work
    EXPECT_TRUE(burstDropsPress(gate, true, 1100));    // while it runs
    EXPECT_TRUE(burstDropsPress(gate, false, 1500));   // after it, within the gap of the last
    EXPECT_TRUE(burstDropsPress(gate, false, 1999));   // each dropped press carries it on
    EXPECT_FALSE(burstDropsPress(gate, false, 1999 + kBurstGapMs));
    // A press queued behind a 2 s frame that began within the burst still belongs to it.
    BurstGate framed;
    burstDropsPress(framed, true, 5000);
    noteFrameInBurst(framed, 7400, 2000.0);
    EXPECT_TRUE(burstDropsPress(framed, false, 7500));
    EXPECT_EQ("tolvane-vase-012.glb", workFileName(SaveWork::Vase, 12));
}

TEST(SaveWork, OpenedImagesFitTheGpuAndKeepTheNumbersAskedFor)
{
    const TextureSize wide = fittedTextureSize(20000, 4, 8192);
    EXPECT_TRUE(wide.scaled);
    EXPECT_EQ(8192, wide.width);
    EXPECT_EQ(1, wide.height);  // never 0
    EXPECT_FALSE(fittedTextureSize(8192, 100, 8192).scaled);
    EXPECT_FALSE(fittedTextureSize(90000, 100, 0).scaled);  // the largest unknown

    SceneState s;
    TextureChoices choices;
    fitTextureNumbers(s, choices, 1);
    EXPECT_EQ(0, s.standTexture);
    EXPECT_EQ("the table shows a, the can shows a, the globe shows a, the vase shows a, the stand shows a",
              textureUseText(s, {"a"}));
    fitTextureNumbers(s, choices, 5);
    EXPECT_EQ(SceneState().standTexture, s.standTexture);  // asked for at start, shown again
    s.globeTexture = 1;                                     // chosen with five
    fitTextureNumbers(s, choices, 1);
    fitTextureNumbers(s, choices, 3);
    EXPECT_EQ(1, s.globeTexture);
    EXPECT_EQ(0, s.standTexture);
    EXPECT_NE(std::string::npos, textureUseText(s, {"a", "b"}).find("the stand shows a"));
    EXPECT_NE(std::string::npos, textureUseText(s, {}).find("the table shows no image"));
}
