#pragma once
#include <GL/glew.h>
#include <glm/vec4.hpp>

struct GLFWwindow;

// The named steps of one frame, in the order the loop runs them:
// world update -> shadow pass -> main pass -> HUD -> glow composite (renderFrame runs the last four).
enum class FrameStep { WorldUpdate, ShadowPass, MainPass, Hud, Glow };

// Told as each step of a frame begins and ends: the benchmark times the game's own frame through it.
class FrameStepListener {
public:
    virtual ~FrameStepListener() = default;
    virtual void stepBegins(FrameStep step) = 0;
    virtual void stepEnds(FrameStep step) = 0;
};

// Advances the game by one frame: input, camera, jet, events, view and light, levels of detail, then the
// physics steps, the flight steering before each.
void updateWorld(GLFWwindow* window, float dt);

// Shadow pass into the shadow map, main pass and HUD into the glow's frame buffer, glow composite onto the
// window.
void renderFrame(float dt, FrameStepListener* listener = nullptr);
void renderShadowPass();
void renderMainPass();
void drawHud(float dt);
// Called with every line drawHud draws (text, pen position, colour) when set: the tests hold each on-screen
// text to its exact wording and place through it.
extern void (*hudLineListener)(const char* line, float x, float y, const glm::vec4& colour);

// The filter pair for a mipmap mode (0 off, 1 nearest, 2 linear) and the bilinear switch.
struct FilterPair {
    GLint minFilter;
    GLint magFilter;
};
FilterPair samplingFilters(int mipmapMode, bool bilinear);

// Applies a filter pair to the fixed set of textures the sampling switches act on.
void applyTextureSampling(GLint minFilter, GLint magFilter);
inline void applyTextureSamplingFor(int mipmapMode, bool bilinear) {
    const FilterPair pair = samplingFilters(mipmapMode, bilinear);
    applyTextureSampling(pair.minFilter, pair.magFilter);
}

// Seconds of boost the aircraft has left (0 without an aircraft).
float boostReserveLeft();
