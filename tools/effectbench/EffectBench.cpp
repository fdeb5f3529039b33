// effectbench: the GPU-side cost of each screen effect's pass alone, at the game's window size.
//
// Every pass is drawn many times in a row; each repetition is bracketed by glFinish, so the time is what the
// driver and renderer spend on that pass (on Mesa's llvmpipe the rasterising happens inside the bracket). The
// median over the repetitions is printed, one line per pass, in milliseconds.
//
//   cd <build>/run && DISPLAY=:N ./effectbench [--size W H] [--frames N] [--tris N] [--only TEXT]
// --only measures just the passes whose name contains TEXT.
//
// Images come from ./Textures/ when the game's data is laid there, otherwise plain stand-ins of the same
// sizes are written to a temporary folder. The text uses ./Fonts/arial.ttf or, failing that, Liberation Sans.
#include "render/GlState.h"
#include "render/Shader.h"
#include "render/TextRenderer.h"
#include "scene/Camera.h"
#include "scene/Glow.h"
#include "scene/LensFlare.h"
#include "scene/ShadowMap.h"
#include "scene/SkyBox.h"
#include "scene/TextureOverlay.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <IL/il.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

using namespace tavo::scene;

namespace {

struct Options {
    int width = 1280;
    int height = 720;
    int frames = 120;
    int warmup = 10;
    int triangles = 50000;
    std::string only;
};

Options parseArguments(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--size" && i + 2 < argc) {
            options.width = std::atoi(argv[++i]);
            options.height = std::atoi(argv[++i]);
        } else if (argument == "--frames" && i + 1 < argc) {
            options.frames = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--only" && i + 1 < argc) {
            options.only = argv[++i];
        } else if (argument == "--tris" && i + 1 < argc) {
            options.triangles = std::max(2, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: effectbench [--size W H] [--frames N] [--tris N] [--only TEXT]\n");
            std::exit(2);
        }
    }
    return options;
}

bool exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// A stand-in picture: a soft disc of the colour on black (or the colour everywhere when flat).
void writeImage(const std::string& path, int size, int channels, const unsigned char colour[4], bool flat) {
    std::vector<unsigned char> pixels(static_cast<size_t>(size) * size * channels);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float dx = (x + 0.5f) / size - 0.5f, dy = (y + 0.5f) / size - 0.5f;
            const float weight = flat ? 1.0f : std::max(0.0f, 1.0f - 4.0f * std::sqrt(dx * dx + dy * dy));
            for (int c = 0; c < channels; ++c)
                pixels[(static_cast<size_t>(y) * size + x) * channels + c] =
                    static_cast<unsigned char>(colour[c] * (c == 3 ? 1.0f : weight));
        }
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    ilTexImage(size, size, 1, static_cast<ILubyte>(channels), channels == 4 ? IL_RGBA : IL_RGB,
               IL_UNSIGNED_BYTE, pixels.data());
    ilEnable(IL_FILE_OVERWRITE);
    ilSaveImage(path.c_str());
    ilDeleteImages(1, &image);
}

// The game's image when laid in the run folder, else a stand-in of the contract's size.
std::string image(const std::string& gamePath, const std::string& folder, int size, int channels,
                  unsigned char r, unsigned char g, unsigned char b, bool flat) {
    if (exists(gamePath))
        return gamePath;
    const std::string path = folder + "/" + gamePath.substr(gamePath.find_last_of('/') + 1);
    const unsigned char colour[4] = {r, g, b, 255};
    writeImage(path, size, channels, colour, flat);
    return path;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// A level grid of about the given number of triangles, 2000 units across, as a shadow caster.
class Grid {
public:
    Grid(GLuint program, int triangles) {
        const int cells = std::max(1, static_cast<int>(std::sqrt(triangles / 2.0)));
        std::vector<float> positions;
        for (int j = 0; j <= cells; ++j)
            for (int i = 0; i <= cells; ++i) {
                const float x = -1000.0f + 2000.0f * i / cells, z = -1000.0f + 2000.0f * j / cells;
                positions.insert(positions.end(),
                                 {x, -300.0f + 40.0f * std::sin(x * 0.01f) * std::cos(z * 0.013f), z});
            }
        std::vector<GLuint> indices;
        for (int j = 0; j < cells; ++j)
            for (int i = 0; i < cells; ++i) {
                const GLuint a = j * (cells + 1) + i, b = a + 1, c = a + cells + 1, d = c + 1;
                indices.insert(indices.end(), {a, c, b, b, c, d});
            }
        count = static_cast<GLsizei>(indices.size());
        glGenVertexArrays(1, &vao);
        glBindVertexArray(vao);
        glGenBuffers(1, &vertexBuffer);
        glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
        glBufferData(GL_ARRAY_BUFFER, positions.size() * sizeof(float), positions.data(), GL_STATIC_DRAW);
        const auto location = static_cast<GLuint>(glGetAttribLocation(program, "position"));
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
        glGenBuffers(1, &indexBuffer);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, indices.size() * sizeof(GLuint), indices.data(),
                     GL_STATIC_DRAW);
        glBindVertexArray(0);
    }
    ~Grid() {
        glDeleteBuffers(1, &vertexBuffer);
        glDeleteBuffers(1, &indexBuffer);
        glDeleteVertexArrays(1, &vao);
    }
    Grid(const Grid&) = delete;
    Grid& operator=(const Grid&) = delete;
    void draw() const {
        glBindVertexArray(vao);
        glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, nullptr);
        glBindVertexArray(0);
    }
    GLsizei count = 0;

private:
    GLuint vao = 0, vertexBuffer = 0, indexBuffer = 0;
};

class Bench {
public:
    explicit Bench(const Options& options) : options(options) {}

    // Runs the pass repeatedly, glFinish before and after each run, and prints the median.
    void measure(const char* name, const std::function<void()>& pass) {
        if (std::string(name).find(options.only) == std::string::npos)
            return;
        std::vector<double> times;
        times.reserve(options.frames);
        for (int frame = 0; frame < options.warmup + options.frames; ++frame) {
            glFinish();
            const auto start = std::chrono::steady_clock::now();
            pass();
            glFinish();
            const auto end = std::chrono::steady_clock::now();
            if (frame >= options.warmup)
                times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        }
        const GLenum error = glGetError();
        std::printf("%-34s %8.2f ms%s\n", name, median(times), error == GL_NO_ERROR ? "" : "  (GL error)");
        std::fflush(stdout);
    }

private:
    const Options& options;
};

} // namespace

int main(int argc, char** argv) {
    const Options options = parseArguments(argc, argv);
    const int w = options.width, h = options.height;
    if (!glfwInit()) {
        std::fprintf(stderr, "no display: run under X (or Xvfb)\n");
        return 1;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, GLFW_TRUE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    GLFWwindow* window = glfwCreateWindow(w, h, "effectbench", nullptr, nullptr);
    if (!window) {
        std::fprintf(stderr, "no 4.3 core context\n");
        return 1;
    }
    glfwMakeContextCurrent(window);
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK)
        return 1;
    while (glGetError() != GL_NO_ERROR) {
    }
    ilInit();

    char folderTemplate[] = "/tmp/effectbench-XXXXXX";
    const std::string folder = mkdtemp(folderTemplate) ? folderTemplate : "/tmp";
    const std::string fontPath = exists("./Fonts/arial.ttf")
                                     ? "./Fonts/arial.ttf"
                                     : "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";

    std::printf("effectbench %d x %d, %d repetitions per pass, renderer %s, LP_NUM_THREADS=%s\n", w, h,
                options.frames, reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                std::getenv("LP_NUM_THREADS") ? std::getenv("LP_NUM_THREADS") : "default");
    {
        // The game's fixed state: depth test on, source-alpha blending on.
        GlState::reset({true, true, GL_LESS, GL_FILL});
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        const float aspect = float(w) / float(h);
        const glm::mat4 projection = glm::perspective(glm::radians(90.0f), aspect, 0.1f, 10000.0f);

        Shader textShader(TEXT, "./Shader/text.vert", "./Shader/text.frag");
        Shader shadowShader(SHADOW_MAP, "./Shader/shadowMap.vert", "./Shader/shadowMap.frag");
        Shader verShader(SCREEN_SPACE, "./Shader/ver.vert", "./Shader/ver.frag");
        Shader horShader(SCREEN_SPACE, "./Shader/hor.vert", "./Shader/hor.frag");
        Shader combineShader(SCREEN_SPACE, "./Shader/combine.vert", "./Shader/combine.frag");
        Shader flareShader(SCREEN_SPACE, "./Shader/lensFlare.vert", "./Shader/lensFlare.frag");
        Shader fadeShader(SCREEN_SPACE, "./Shader/textureOverlay.vert", "./Shader/textureOverlay.frag");
        Shader prizeShader(SCREEN_SPACE, "./Shader/textureOverlayUnchanged.vert",
                           "./Shader/textureOverlayUnchanged.frag");
        Shader gaugeShader(SCREEN_SPACE, "./Shader/textureOverlay.vert", "./Shader/boost.frag");

        TextRenderer text(fontPath);
        glUseProgram(textShader.programId);
        glUniformMatrix4fv(glGetUniformLocation(textShader.programId, "projection"), 1, GL_FALSE,
                           glm::value_ptr(glm::ortho(0.0f, float(w), 0.0f, float(h))));
        const GLint textColorLoc = glGetUniformLocation(textShader.programId, "textColor");

        const std::string sky = "./Textures/skybox/";
        SkyBox skyBox(projection, image(sky + "right.jpg", folder, 512, 3, 90, 140, 220, true),
                      image(sky + "left.jpg", folder, 512, 3, 90, 140, 220, true),
                      image(sky + "top.jpg", folder, 512, 3, 70, 120, 230, true),
                      image(sky + "bottom.jpg", folder, 512, 3, 120, 110, 90, true),
                      image(sky + "back.jpg", folder, 512, 3, 90, 140, 220, true),
                      image(sky + "front.jpg", folder, 512, 3, 255, 255, 240, false));

        const glm::vec3 sunDirection = glm::normalize(glm::vec3(1.0f, -0.5f, 1.0f));
        ShadowMap shadowMap(glm::mat4(1.0f), &sunDirection, &shadowShader);
        const Grid grid(shadowShader.programId, options.triangles);

        Glow glow(glm::mat4(1.0f), w, h, &verShader, &horShader, &combineShader);
        const glm::vec2 resolution(1.0f / float(w / 2), 1.0f / float(h / 2));
        for (const Shader* blur : {&verShader, &horShader}) {
            glUseProgram(blur->programId);
            glUniform2fv(glGetUniformLocation(blur->programId, "resolution"), 1, glm::value_ptr(resolution));
        }
        glow.setTextureFilter(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR);

        Camera camera(15.0f, 1.0f, glm::mat4(1.0f));
        const std::string flare = "./Textures/lensflare/";
        LensFlare lensFlare(glm::mat4(1.0f), &flareShader, aspect, &camera, w, h,
                            image(flare + "bloom.jpg", folder, 256, 3, 255, 250, 220, false),
                            image(flare + "spike.jpg", folder, 256, 3, 255, 240, 200, false),
                            image(flare + "halo1.jpg", folder, 256, 3, 120, 200, 255, false),
                            image(flare + "halo2.jpg", folder, 256, 3, 255, 160, 90, false),
                            image(flare + "ring.jpg", folder, 256, 3, 200, 255, 200, false));
        lensFlare.setTextureFilter(GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR);

        TextureOverlay fade(glm::mat4(1.0f), &fadeShader, 1.0f,
                            image("./Textures/Blacka.png", folder, 16, 4, 0, 0, 0, true));
        fade.update(1.0f, nullptr);
        TextureOverlay prize(glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.25f, 0.0f)), &prizeShader,
                             aspect, image("./Textures/Prize.tif", folder, 512, 4, 230, 190, 40, false));
        // The gauge: a bar at the lower left, about a fifth of the window wide.
        TextureOverlay gauge(glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(-0.6f, -0.7f, 0.0f)),
                                        glm::vec3(0.2f, 0.03f, 1.0f)),
                             &gaugeShader, 1.0f,
                             image("./Textures/Blacka.png", folder, 16, 4, 0, 0, 0, true));
        glUseProgram(gaugeShader.programId);
        glUniform1f(glGetUniformLocation(gaugeShader.programId, "amount"), 0.6f);

        // A view towards the sun, so the flare draws all its elements.
        camera.viewDirection = glm::normalize(glm::vec3(-0.45f, 0.45f, -1.0f));
        const glm::mat4 view =
            glm::lookAt(glm::vec3(0.0f), camera.viewDirection, glm::vec3(0.0f, 1.0f, 0.0f));
        lensFlare.updatePositions(view, projection);
        shadowMap.updateLight(glm::vec3(0.0f, 30.0f, 0.0f));

        const auto sceneFramebuffer = [&] {
            glBindFramebuffer(GL_FRAMEBUFFER, glow.sceneFramebuffer);
            glViewport(0, 0, w, h);
        };
        const auto clearScene = [&] {
            sceneFramebuffer();
            glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        };

        Bench bench(options);
        bench.measure("empty (scene clear only)", clearScene);
        bench.measure("shadow: bind, viewport, clear", [&] {
            shadowMap.draw();
            glViewport(0, 0, shadowMap.size, shadowMap.size);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        });
        char gridName[64];
        std::snprintf(gridName, sizeof gridName, "shadow: + grid of %d triangles", grid.count / 3);
        bench.measure(gridName, [&] {
            shadowMap.draw();
            glViewport(0, 0, shadowMap.size, shadowMap.size);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glEnable(GL_POLYGON_OFFSET_FILL);
            glPolygonOffset(5.0f, 0.0f);
            glUseProgram(shadowShader.programId);
            glUniformMatrix4fv(shadowMap.modelLocation, 1, GL_FALSE, glm::value_ptr(glm::mat4(1.0f)));
            grid.draw();
            glDisable(GL_POLYGON_OFFSET_FILL);
        });

        clearScene();
        bench.measure("sky box", [&] { skyBox.draw(view); });

        // The glow, whole and step by step; the scene frame buffer holds the sky from above.
        bench.measure("glow: draw (both blurs + combine)", [&] { glow.draw(); });
        const auto blurStep = [&](Shader& program, GLuint framebuffer, GLenum unit, GLuint source,
                                  bool mipmaps, bool blur) {
            glViewport(0, 0, w / 2, h / 2);
            glUseProgram(program.programId);
            glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
            glActiveTexture(unit);
            glBindTexture(GL_TEXTURE_2D, source);
            if (mipmaps)
                glGenerateMipmap(GL_TEXTURE_2D);
            if (blur) {
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                glBindVertexArray(glow.vertexArray);
                glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_INT, nullptr);
                glBindVertexArray(0);
            }
        };
        bench.measure("glow:   mipmaps of the glow source", [&] {
            blurStep(verShader, glow.verFramebuffer, GL_TEXTURE0, glow.glowTexture, true, false);
        });
        bench.measure("glow:   vertical blur (half size)", [&] {
            blurStep(verShader, glow.verFramebuffer, GL_TEXTURE0, glow.glowTexture, false, true);
        });
        bench.measure("glow:   mipmaps of the vertical blur", [&] {
            blurStep(horShader, glow.horFramebuffer, GL_TEXTURE1, glow.verTexture, true, false);
        });
        bench.measure("glow:   horizontal blur (half size)", [&] {
            blurStep(horShader, glow.horFramebuffer, GL_TEXTURE1, glow.verTexture, false, true);
        });
        const auto combineStep = [&] {
            glViewport(0, 0, w, h);
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glActiveTexture(GL_TEXTURE1);
            glBindTexture(GL_TEXTURE_2D, glow.horTexture);
            glActiveTexture(GL_TEXTURE0);
            glBindTexture(GL_TEXTURE_2D, glow.sceneTexture);
            glUseProgram(combineShader.programId);
            glBindVertexArray(glow.vertexArray);
            glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_INT, nullptr);
            glBindVertexArray(0);
        };
        bench.measure("glow:   combine (window clear + quad)", combineStep);
        bench.measure("glow:   the five steps above in a row", [&] {
            blurStep(verShader, glow.verFramebuffer, GL_TEXTURE0, glow.glowTexture, true, true);
            blurStep(horShader, glow.horFramebuffer, GL_TEXTURE1, glow.verTexture, true, true);
            combineStep();
        });

        sceneFramebuffer();
        glClear(GL_DEPTH_BUFFER_BIT);
        bench.measure("lens flare: sun in view (7 sprites)", [&] { lensFlare.draw(); });
        camera.viewDirection = -camera.viewDirection;
        lensFlare.updatePositions(view, projection);
        bench.measure("lens flare: sun out of view", [&] { lensFlare.draw(); });

        bench.measure("overlay: fade (full screen)", [&] { fade.draw(); });
        bench.measure("overlay: prize (square)", [&] { prize.draw(); });
        bench.measure("boost gauge (bar)", [&] { gauge.draw(); });

        glDepthMask(GL_FALSE);
        bench.measure("text: play HUD (3 lines, 24 chars)", [&] {
            text.renderText(&textShader, "Punkte: 1200", float(w - 250), float(h - 100), 0.8f,
                            glm::vec4(1.0f), textColorLoc);
            text.renderText(&textShader, "Boost: ", 40.0f, h * 0.15f, 0.8f, glm::vec4(1.0f), textColorLoc);
            text.renderText(&textShader, "02:59", float(w - 250), 100.0f, 0.8f, glm::vec4(1.0f),
                            textColorLoc);
        });
        static const char* helpLines[8] = {"Debug Tasten:",
                                           "F1: diese Hilfe",
                                           "F2: Frame Time an/aus (default aus)",
                                           "F3: Wireframe an/aus (default aus)",
                                           "F4: Textur-Sampling-Quality (Nearest Neighbor/Bilinear)",
                                           "F5: Mip Mapping-Quality: (Off/Nearest Neighbor/Linear)",
                                           "F8: Viewfrustum-Culling an/aus (default an)",
                                           "F9: Transparency an/aus (default an)"};
        bench.measure("text: help page (8 lines, 289 chars)", [&] {
            for (int line = 0; line < 8; ++line)
                text.renderText(&textShader, helpLines[line], 100.0f, float(h - 250 - 50 * line), 0.8f,
                                glm::vec4(1.0f), textColorLoc);
        });
        glDepthMask(GL_TRUE);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
    glfwDestroyWindow(window);
    glfwTerminate();
    return 0;
}
