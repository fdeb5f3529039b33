#pragma once
#include <cstddef>
#include <string>

// The HUD's texts and layout, formatted into fixed buffers so a frame allocates nothing.

// "mm:ss" of the play time left, truncated to whole seconds ("03:00" for 180, "01:05" for 65.9).
void formatPlayTime(char* out, std::size_t size, float timeLeft);

// The frame time in milliseconds with six decimals, formed in single precision.
void formatFrameTime(char* out, std::size_t size, float frameTime);

// The switch notices in their display order.
enum Notice {
    FRAME_TIME_NOTICE,
    WIREFRAME_NOTICE,
    SAMPLING_NOTICE,
    MIPMAP_NOTICE,
    CULLING_NOTICE,
    TRANSPARENCY_NOTICE
};
constexpr int noticeCount = 6;

struct InputState;
const char* noticeText(Notice notice, const InputState& input);

// A notice to draw this frame: its text line (0 at the top) and its fading alpha.
struct NoticeLine {
    Notice notice;
    int line;
    float alpha;
};

// Counts the running timers down by the frame time and lists the notices to draw, stacked without gaps. A
// notice is still drawn in the frame its timer runs out, with the alpha of the counted-down value.
int layoutNotices(float* const timers[noticeCount], float frameTime, NoticeLine out[noticeCount]);

// Frames per second over one-second windows: the value to show this frame.
struct FpsCounter {
    double timer = 1.0;
    int frameCount = 0;
    int lastFps = 0;
    int tick(float frameTime);
};
