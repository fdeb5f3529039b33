// The HUD's formatting and notice rules beyond the one frame a state the golden record in FrameGoldenTest
// holds: play time at the edges, notices over their last frames, frames per second over windows.
#include "app/HudText.h"

#include <gtest/gtest.h>

namespace {

TEST(HudTextTest, PlayTimeReadsMinutesAndSecondsTruncated) {
    const std::pair<float, const char*> cases[] = {{180.0f, "03:00"}, {179.99f, "02:59"}, {65.9f, "01:05"},
                                                   {9.0f, "00:09"},   {600.0f, "10:00"},  {-0.01f, "00:00"}};
    for (const auto& [seconds, shown] : cases) {
        char text[32];
        formatPlayTime(text, sizeof text, seconds);
        EXPECT_STREQ(text, shown) << seconds;
    }
}

// A notice is drawn once more at alpha 0 as its timer runs out, then the ones below move up.
TEST(HudTextTest, NoticesStackWithoutGapsAndFadeOut) {
    float timers[noticeCount] = {0.0f, 2.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    float* const pointers[noticeCount] = {&timers[0], &timers[1], &timers[2],
                                          &timers[3], &timers[4], &timers[5]};
    const std::vector<std::vector<std::tuple<Notice, int, float>>> frames = {
        {{WIREFRAME_NOTICE, 0, 0.75f}, {TRANSPARENCY_NOTICE, 1, 0.25f}},
        {{WIREFRAME_NOTICE, 0, 0.5f}, {TRANSPARENCY_NOTICE, 1, 0.0f}},
        {{WIREFRAME_NOTICE, 0, 0.25f}}};
    for (const auto& expected : frames) {
        NoticeLine lines[noticeCount];
        ASSERT_EQ(layoutNotices(pointers, 0.5f, lines), static_cast<int>(expected.size()));
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(std::make_tuple(lines[i].notice, lines[i].line, lines[i].alpha), expected[i]) << i;
    }
}

TEST(HudTextTest, FramesPerSecondChangeOncePerWindow) {
    FpsCounter counter;
    const std::pair<float, int> ticks[] = {{0.5f, 0},  {0.5f, 0},  {0.5f, 2},  {0.25f, 2},
                                           {0.25f, 2}, {0.25f, 2}, {0.25f, 2}, {0.25f, 4}};
    for (const auto& [frameTime, shown] : ticks)
        EXPECT_EQ(counter.tick(frameTime), shown);
}

} // namespace
