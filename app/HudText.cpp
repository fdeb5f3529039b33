#include "app/HudText.h"

#include "scene/InputState.h"

#include <cstdio>

void formatPlayTime(char* out, std::size_t size, float timeLeft) {
    const int t = static_cast<int>(timeLeft);
    const int minutes = t / 60;
    const int seconds = t % 60;
    // The same as padding each number's decimal text to two characters; a negative second keeps its sign.
    std::snprintf(out, size, "%s%d:%s%d", (minutes >= 0 && minutes < 10) ? "0" : "", minutes,
                  (seconds >= 0 && seconds < 10) ? "0" : "", seconds);
}

void formatFrameTime(char* out, std::size_t size, float frameTime) {
    const float milliseconds = frameTime * 1000.0f;
    std::snprintf(out, size, "Frametime: %.6f ms", static_cast<double>(milliseconds));
}

const char* noticeText(Notice notice, const InputState& input) {
    switch (notice) {
    case FRAME_TIME_NOTICE:
        return input.showFrameTime ? "Frametime: an" : "Frametime: aus";
    case WIREFRAME_NOTICE:
        return input.wireframe ? "Wireframe: an" : "Wireframe: aus";
    case SAMPLING_NOTICE:
        return input.bilinearSampling ? "Textur-Sampling-Quality: Bilinear"
                                      : "Textur-Sampling-Quality: Nearest Neighbor";
    case MIPMAP_NOTICE:
        return input.mipmapMode == 0   ? "Mipmaping: aus"
               : input.mipmapMode == 1 ? "Mipmaping: Nearest Neighbor"
                                       : "Mipmaping: Linear";
    case CULLING_NOTICE:
        return input.culling ? "Viewfrustum-Culling: an" : "Viewfrustum-Culling: aus";
    case TRANSPARENCY_NOTICE:
        return input.transparency ? "Transparenz: an" : "Transparenz: aus";
    }
    return "";
}

int layoutNotices(float* const timers[noticeCount], float frameTime, NoticeLine out[noticeCount]) {
    int lines = 0;
    for (int i = 0; i < noticeCount; ++i) {
        float& timer = *timers[i];
        if (timer <= 0.0f)
            continue;
        timer -= frameTime;
        out[lines] = {static_cast<Notice>(i), lines, timer * 0.5f};
        ++lines;
    }
    return lines;
}

int FpsCounter::tick(float frameTime) {
    if (timer > 0.0) {
        ++frameCount;
        timer -= frameTime;
        return lastFps;
    }
    timer = 1.0;
    lastFps = frameCount;
    frameCount = 0;
    return lastFps;
}
