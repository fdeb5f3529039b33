#include "app/FrameSteps.h"
#include "app/GameState.h"
#include "app/HudText.h"
#include "app/Resolution.h"
#include "app/SceneGlobals.h"
#include "render/GlState.h"
#include "scene/InputState.h"

#include <cstdio>

namespace {

FpsCounter fps;

const char* const helpLines[] = {"Debug Tasten:",
                                 "F1: diese Hilfe",
                                 "F2: Frame Time an/aus (default aus)",
                                 "F3: Wireframe an/aus (default aus)",
                                 "F4: Textur-Sampling-Quality (Nearest Neighbor/Bilinear)",
                                 "F5: Mip Mapping-Quality: (Off/Nearest Neighbor/Linear)",
                                 "F8: Viewfrustum-Culling an/aus (default an)",
                                 "F9: Transparency an/aus (default an)"};

void text(const char* line, float x, float y, const glm::vec4& colour = glm::vec4(1.0f)) {
    if (hudLineListener)
        hudLineListener(line, x, y, colour);
    textRenderer->renderText(textShader.get(), line, x, y, 0.8f, colour, textColorLoc);
}

} // namespace

void (*hudLineListener)(const char*, float, float, const glm::vec4&) = nullptr;

void drawHud(float dt) {
    const InputState& input = *sharedInput;
    const float w = static_cast<float>(xResolution);
    const float h = static_cast<float>(yResolution);
    char line[96];

    // The texts' edges are blended even while the transparency switch is off.
    ScopedGlState textState;
    GlState::setBlend(true);
    glDepthMask(GL_FALSE);

    if (!gameOver) {
        std::snprintf(line, sizeof line, "Punkte: %d", score);
        text(line, w - 250.0f, h - 100.0f);
        text("Boost: ", 40.0f, h * 0.15f);
        formatPlayTime(line, sizeof line, gameTimeLeft);
        text(line, w - 250.0f, 100.0f);
    } else {
        std::snprintf(line, sizeof line, "Erreichte Punkte: %d", score);
        text(line, static_cast<float>(xResolution / 2) - 150.0f, 50.0f);
    }

    if (input.showFrameTime) {
        formatFrameTime(line, sizeof line, dt);
        text(line, 25.0f, h - 50.0f);
        std::snprintf(line, sizeof line, "%d fps", fps.tick(dt));
        text(line, 25.0f, h - 100.0f);
        std::snprintf(line, sizeof line, "%u Vertices gezeichnet", drawnVertexCount);
        text(line, 25.0f, h - 150.0f);
    }

    if (input.showHelp)
        for (int i = 0; i < 8; ++i)
            text(helpLines[i], 100.0f, h - 250.0f - 50.0f * static_cast<float>(i));

    float* const timers[noticeCount] = {&frameTimeMessageTimer, &wireframeMessageTimer,
                                        &samplingMessageTimer,  &mipmapMessageTimer,
                                        &cullingMessageTimer,   &transparencyMessageTimer};
    NoticeLine notices[noticeCount];
    const int shown = layoutNotices(timers, dt, notices);
    for (int i = 0; i < shown; ++i)
        text(noticeText(notices[i].notice, input), 50.0f,
             h - 200.0f - 50.0f * static_cast<float>(notices[i].line),
             glm::vec4(1.0f, 1.0f, 1.0f, notices[i].alpha));

    glDepthMask(GL_TRUE);
}
