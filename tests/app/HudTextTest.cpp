// The HUD's formatting and notice rules; the texts themselves, with their places, are held by the golden
// record in FrameGoldenTest.
#include "app/HudText.h"
#include "scene/InputState.h"

#include <gtest/gtest.h>

namespace {

std::string playTime(float seconds) {
    char text[32];
    formatPlayTime(text, sizeof text, seconds);
    return text;
}

TEST(HudTextTest, PlayTimeReadsMinutesAndSecondsTruncated) {
    EXPECT_EQ(playTime(180.0f), "03:00");
    EXPECT_EQ(playTime(179.99f), "02:59");
    EXPECT_EQ(playTime(65.9f), "01:05");
    EXPECT_EQ(playTime(9.0f), "00:09");
    EXPECT_EQ(playTime(600.0f), "10:00");
    EXPECT_EQ(playTime(-0.01f), "00:00");
}

TEST(HudTextTest, NoticesStackWithoutGapsAndFadeOut) {
    float timers[noticeCount] = {0.0f, 2.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    float* const pointers[noticeCount] = {&timers[0], &timers[1], &timers[2],
                                          &timers[3], &timers[4], &timers[5]};
    NoticeLine lines[noticeCount];
    int shown = layoutNotices(pointers, 0.5f, lines);
    ASSERT_EQ(shown, 2);
    EXPECT_EQ(lines[0].notice, WIREFRAME_NOTICE);
    EXPECT_EQ(lines[0].line, 0);
    EXPECT_FLOAT_EQ(lines[0].alpha, 0.75f);
    EXPECT_EQ(lines[1].notice, TRANSPARENCY_NOTICE);
    EXPECT_EQ(lines[1].line, 1);
    EXPECT_FLOAT_EQ(lines[1].alpha, 0.25f);

    // The transparency notice is drawn once more at alpha 0 as its timer runs out, then it takes no line.
    shown = layoutNotices(pointers, 0.5f, lines);
    ASSERT_EQ(shown, 2);
    EXPECT_FLOAT_EQ(lines[1].alpha, 0.0f);
    shown = layoutNotices(pointers, 0.5f, lines);
    ASSERT_EQ(shown, 1);
    EXPECT_EQ(lines[0].notice, WIREFRAME_NOTICE);
    EXPECT_EQ(lines[0].line, 0);
}

TEST(HudTextTest, FramesPerSecondChangeOncePerWindow) {
    FpsCounter counter;
    EXPECT_EQ(counter.tick(0.5f), 0); // the first second reads 0
    EXPECT_EQ(counter.tick(0.5f), 0);
    EXPECT_EQ(counter.tick(0.5f), 2); // the window is over: its two frames are shown
    for (int frame = 0; frame < 4; ++frame)
        EXPECT_EQ(counter.tick(0.25f), 2);
    EXPECT_EQ(counter.tick(0.25f), 4);
}

} // namespace
