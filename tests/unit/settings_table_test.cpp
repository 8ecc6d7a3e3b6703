// The settings' and keys' tables as the front ends use them: every setting survives a picture's
// arguments and a page link, and every key is listed and does what its row says.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/history.h"
#include "core/keys.h"
#include "core/options.h"
#include "core/scene_file.h"
#include "core/scene_state.h"
#include "core/settings.h"

namespace {

constexpr int kTextures = 5;

// A value of `row` other than its default, as --set takes it.
std::string otherValue(const SettingRow& row)
{
    const SceneState defaults;
    if (row.kind == SettingKind::Float)
        return row.components == 3 ? "0.5,-1.25,3" : "2.5";
    if (row.kind == SettingKind::Flag)
        return intAt(defaults, row) ? "0" : "1";
    if (row.limit == SettingLimit::Samples)
        return "4";
    const int high = row.limit == SettingLimit::TextureIndex ? kTextures - 1
                                                               : static_cast<int>(row.high);
    return std::to_string(intAt(defaults, row) != high ? high : 0);
}

SceneState opened(const SceneArguments& scene)
{
    EXPECT_TRUE(scene.ok) << scene.message;
    SceneState state;
    for (const std::string& setting : scene.settings)
        EXPECT_EQ("", applySetting(state, setting, kTextures));
    return state;
}

std::vector<std::string> differing(const SceneState& a, const SceneState& b)
{
    std::vector<std::string> names;
    for (size_t i = 0; i < settingCount(); ++i)
        if (settingDiffers(settingRows()[i], a, b))
            names.push_back(settingRows()[i].name);
    return names;
}

}  // namespace

TEST(SettingsTable, EverySettingSurvivesAPicturesArgumentsAndAPageLink)
{
    const SceneState defaults;
    for (size_t i = 0; i < settingCount(); ++i) {
        const SettingRow& row = settingRows()[i];
        SCOPED_TRACE(row.name);
        SceneState set;
        ASSERT_EQ("", applySetting(set, std::string(row.name) + "=" + otherValue(row), kTextures));
        ASSERT_EQ(std::vector<std::string>{row.name}, differing(set, defaults));

        std::vector<std::string> words;
        ASSERT_TRUE(splitShellWords(reproducingArguments(set, kTextures), words));
        const SceneState fromPicture = opened(keepSceneSettings(words, "a.png", kTextures));
        // No single frame shows the animation's switches: pictures leave them out.
        if (row.named == NamedWhen::LinkWhenOn)
            EXPECT_EQ(std::vector<std::string>{}, differing(fromPicture, defaults));
        else
            EXPECT_EQ(std::vector<std::string>{}, differing(fromPicture, set));

        const std::string link = pageLinkOf(set, kTextures, kDefaultPageAddress);
        EXPECT_EQ(std::vector<std::string>{}, differing(opened(readSceneLink(link, kTextures)), set))
            << link;
    }
}

TEST(KeyTable, EveryKeyIsListedFoundAndDoesWhatItsRowSays)
{
    const char* argv[] = {"tolvane", "--help"};
    const std::string help = parseCommandLine(2, argv).text;
    for (const KeyRow& row : keyRows()) {
        SCOPED_TRACE(row.keys);
        for (KeyFront front : {kDesktopKeys, kPageKeys}) {
            const std::string list = keyListText(front);
            const bool listed = list.find(std::string(row.keys)) != std::string::npos &&
                                list.find(row.help) != std::string::npos;
            EXPECT_EQ((row.fronts & front) != 0, listed);
        }
        if ((row.fronts & kDesktopKeys) != 0) {
            EXPECT_NE(std::string::npos, help.find(row.help));
        }

        for (const KeyBinding& key : row.bindings) {
            // No earlier row takes the key first, on any front the row works on.
            for (KeyFront front : {kDesktopKeys, kPageKeys})
                for (bool shift : {false, true})
                    if ((row.fronts & front) != 0 &&
                        (key.shift < 0 || (key.shift == 1) == shift)) {
                        EXPECT_EQ(&key, findKey(key.code, key.ctrl, shift, front));
                    }
            if (key.setting == nullptr)
                continue;
            const SettingRow* setting = findSetting(key.setting);
            ASSERT_NE(nullptr, setting);
            for (int start : {0, 1}) {
                SceneState before;
                intAt(before, *setting) = start;
                SceneState after = before;
                ASSERT_TRUE(applySceneKey(after, key));
                const int expected =
                    key.action == KeyAction::SetSetting ? key.value : start ? 0 : 1;
                EXPECT_EQ(expected, intAt(after, *setting));
                // A key that makes an undo step changes only what that step records.
                if (row.undo != 0 && expected != start) {
                    SceneHistory history;
                    EXPECT_TRUE(recordStep(history, before, after, row.undo));
                    EXPECT_TRUE(undoStep(history, after));
                    EXPECT_EQ(start, intAt(after, *setting));
                }
            }
        }
    }
    // Keys are case-sensitive, and Ctrl makes another key of a letter.
    EXPECT_EQ(nullptr, findKey('C', false, false, kEveryFront));
    EXPECT_EQ(nullptr, findKey('c', true, false, kEveryFront));
    EXPECT_EQ(KeyAction::Redo, findKey(26, true, true, kDesktopKeys)->action);
    EXPECT_EQ(nullptr, findKey('p', false, false, kPageKeys));
}
