// windlap_bench: what a frame of the real game costs.
//
// Opens the window and assembles the scene the way the game does, then runs the game's own frame steps
// (debug switches and zoom, world update with the physics step, shadow pass, main pass, HUD, glow composite,
// swap, poll) for a scripted flight: turned towards the sun so the lens flare and its depth read run, then
// turning away, straight, banking and boosting. The jet flies above the highest hill, so it never crashes.
// The world advances by a fixed time step per frame, so every run flies the same path and frame n shows the
// same scene.
//
//   cd <build>/run && DISPLAY=:N ./windlap_bench [--size W H] [--frames N] [--warmup N] [--breakdown]
//                                               [--trace-new] [--shot FRAME FILE.ppm]...
//
// Prints medians and 95th percentiles (milliseconds unless stated) over the measured frames, then one summary
// line starting with "bench" for scripts. GPU times come from GL_TIME_ELAPSED queries read four frames late,
// so reading them never waits. --breakdown instead finishes the GL work after every step and times it on the
// clock (slower frames, but the same split on any driver). --trace-new prints the call stacks of the first
// allocations in measured frames. --shot writes the window's picture of a frame (repeatable); the ring and
// the pickups stand at fixed places, so two builds can be compared picture by picture.
#include "app/FrameSteps.h"
#include "app/GameLoop.h"
#include "app/GameState.h"
#include "app/Resolution.h"
#include "app/SceneAssembly.h"
#include "app/SceneGlobals.h"
#include "app/Startup.h"
#include "scene/InputState.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <LinearMath/btAlignedAllocator.h>
#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <new>
#include <string>
#include <utility>
#include <vector>

// Cross-built for Windows (to compare with the Linux build under Wine) the process figures come from Win32,
// and --trace-new has no call stacks.
#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <malloc.h>
#include <windows.h>
// After windows.h, whose types it uses.
#include <psapi.h>
#else
#include <execinfo.h>
#include <unistd.h>
#endif

// ---------------------------------------------------------------- allocation counting
// Every operator new of the program (ours, the standard library's) and every Bullet allocation is counted;
// the driver's own mallocs are not ours and are not counted.
namespace {
std::atomic<long> newCount{0};
std::atomic<long> bulletCount{0};
// With --trace-new, the first few allocations of the measured frames print their call stack.
std::atomic<int> tracesLeft{0};

void traceAllocation() {
    if (tracesLeft.load(std::memory_order_relaxed) <= 0)
        return;
    tracesLeft.fetch_sub(1, std::memory_order_relaxed);
#ifdef _WIN32
    static const char header[] = "--- operator new in a measured frame (no call stacks on Windows)\n";
    std::fputs(header, stderr);
#else
    void* frames[24];
    const int depth = backtrace(frames, 24);
    static const char header[] = "--- operator new in a measured frame:\n";
    if (write(2, header, sizeof header - 1) < 0)
        return;
    backtrace_symbols_fd(frames, depth, 2);
#endif
}

void* countedAlloc(std::size_t size) {
    newCount.fetch_add(1, std::memory_order_relaxed);
    traceAllocation();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void* countedAlignedAlloc(std::size_t size, std::align_val_t alignment) {
    newCount.fetch_add(1, std::memory_order_relaxed);
    const std::size_t a = std::max(sizeof(void*), static_cast<std::size_t>(alignment));
#ifdef _WIN32
    if (void* p = _aligned_malloc(size ? size : 1, a))
        return p;
    throw std::bad_alloc();
#else
    void* p = nullptr;
    if (posix_memalign(&p, a, size ? size : 1) != 0)
        throw std::bad_alloc();
    return p;
#endif
}

// Windows frees aligned blocks with a function of their own.
void alignedFree(void* p) {
#ifdef _WIN32
    _aligned_free(p);
#else
    std::free(p);
#endif
}

void* bulletAlloc(size_t size) {
    bulletCount.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size);
}
void bulletFree(void* p) {
    std::free(p);
}
} // namespace

void* operator new(std::size_t size) {
    return countedAlloc(size);
}
void* operator new[](std::size_t size) {
    return countedAlloc(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    newCount.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    newCount.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return countedAlignedAlloc(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return countedAlignedAlloc(size, alignment);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    alignedFree(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    alignedFree(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    alignedFree(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    alignedFree(p);
}

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

double cpuMs(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

#ifdef _WIN32
double msSinceProcessStart() {
    FILETIME created, exited, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return -1.0;
    GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime);
    };
    return (ticks(now) - ticks(created)) * 1e-4; // 100 ns ticks
}

long peakMemoryKiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return -1;
    return static_cast<long>(counters.PeakWorkingSetSize / 1024);
}
#else
// Milliseconds since the kernel started this process (10 ms steps), so start-up includes loading the
// libraries before main.
double msSinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return -1.0;
    // Fields after the command name start with field 3 (state); the start time is field 22.
    const char* p = text.c_str() + close + 2;
    for (int field = 3; field < 22 && *p; ++field)
        p = std::strchr(p, ' ') ? std::strchr(p, ' ') + 1 : "";
    const double startTicks = std::atof(p);
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowMs = static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
    return nowMs - startTicks * 1e3 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long peakMemoryKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}
#endif

struct Options {
    int width = 1280;
    int height = 720;
    int frames = 600;
    int warmup = 100;
    bool breakdown = false;
    bool traceNew = false;
    std::vector<std::pair<int, std::string>> shots;
};

Options parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--size" && i + 2 < argc) {
            o.width = std::atoi(argv[++i]);
            o.height = std::atoi(argv[++i]);
        } else if (a == "--frames" && i + 1 < argc) {
            o.frames = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--warmup" && i + 1 < argc) {
            o.warmup = std::max(0, std::atoi(argv[++i]));
        } else if (a == "--breakdown") {
            o.breakdown = true;
        } else if (a == "--trace-new") {
            o.traceNew = true;
        } else if (a == "--shot" && i + 2 < argc) {
            const int frame = std::atoi(argv[++i]);
            o.shots.emplace_back(frame, argv[++i]);
        } else {
            std::fprintf(stderr, "usage: windlap_bench [--size W H] [--frames N] [--warmup N] [--breakdown] "
                                 "[--trace-new] [--shot FRAME FILE.ppm]...\n");
            std::exit(2);
        }
    }
    if (o.width < 16 || o.height < 16) {
        std::fprintf(stderr, "windlap_bench: window size too small\n");
        std::exit(2);
    }
    return o;
}

// The data folders are read relative to the working directory: run from the binary's folder when the
// current one has none.
void enterRunFolder() {
    if (access("Shader", F_OK) == 0)
        return;
#ifdef _WIN32
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length == sizeof path)
        return;
    if (char* slash = std::strrchr(path, '\\')) {
        *slash = '\0';
        if (_chdir(path) != 0)
            std::perror("windlap_bench: chdir");
    }
#else
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return;
    path[n] = '\0';
    if (char* slash = std::strrchr(path, '/')) {
        *slash = '\0';
        if (chdir(path) != 0)
            std::perror("windlap_bench: chdir");
    }
#endif
}

// ---------------------------------------------------------------- the scripted flight
// Phases of a 20-second cycle of world time; the script repeats for longer runs.
constexpr float fixedStep = 1.0f / 30.0f;
constexpr float cycle = 20.0f;
constexpr float startHeight = 300.0f; // the highest hill is 175

enum class Phase { Straight, BankLeft, BankRight, Turn, Boost, TowardsSun };

Phase phaseAt(float time) {
    const float t = std::fmod(time, cycle);
    // The sun comes first, so the flare's first draw (where the driver compiles its program) falls into the
    // warm-up; the turn then leads away from it.
    if (t < 6.0f)
        return Phase::TowardsSun;
    if (t < 8.0f)
        return Phase::Turn;
    if (t < 11.0f)
        return Phase::Straight;
    if (t < 11.5f)
        return Phase::BankLeft;
    if (t < 12.0f)
        return Phase::BankRight;
    if (t < 15.0f)
        return Phase::Boost;
    return Phase::Straight;
}

// Presses the keys of the current phase. Towards the sun it yaws (which keeps the wings level) until the
// jet's heading points at the sun's compass direction, then flies straight.
class ScriptedFlight : public InputSource {
public:
    float time = 0.0f;

    bool keyDown(int key) override {
        switch (phaseAt(time)) {
        case Phase::BankLeft:
            return key == GLFW_KEY_A;
        case Phase::BankRight:
            return key == GLFW_KEY_D;
        case Phase::Turn:
            return key == GLFW_KEY_Q;
        case Phase::Boost:
            return key == GLFW_KEY_LEFT_SHIFT;
        case Phase::TowardsSun: {
            const float turn = turnTowardsSun();
            return (key == GLFW_KEY_Q && turn > 0.05f) || (key == GLFW_KEY_E && turn < -0.05f);
        }
        case Phase::Straight:
            break;
        }
        return false;
    }
    bool pressedSincePoll(int) override { return false; }
    void forgetPresses() override {}
    bool joystickPresent(int) override { return false; }
    bool gamepadState(int, GLFWgamepadstate&) override { return false; }
    const unsigned char* joystickButtons(int, int&) override { return nullptr; }
    const float* joystickAxes(int, int&) override { return nullptr; }

private:
    // Signed sine of the horizontal angle from the jet's heading to the sun: positive where a Q yaw (positive
    // about world up) turns towards it.
    static float turnTowardsSun() {
        if (!plane || !sunLight)
            return 0.0f;
        const glm::vec3 forward = glm::normalize(glm::vec3(plane->modelMatrix * glm::vec4(0, 1, 0, 0)));
        glm::vec2 heading(forward.x, forward.z);
        glm::vec2 sun(-sunLight->direction.x, -sunLight->direction.z);
        if (glm::length(heading) < 1e-4f)
            return 0.0f;
        heading = glm::normalize(heading);
        sun = glm::normalize(sun);
        const float cross = heading.y * sun.x - heading.x * sun.y;
        const float dot = glm::dot(heading, sun);
        // Behind: turn at full rate either way.
        return dot < 0.0f ? (cross >= 0.0f ? 1.0f : -1.0f) : cross;
    }
};

// Scene objects keep the input record they were built with; the benchmark's record replaces the window's.
void pointObjectsAt(InputState* input) {
    tavo::scene::SceneObject* objects[] = {
        terrain.get(),   ring.get(), plane.get(), camera.get(),    boost.get(),       skyBox.get(),
        shadowMap.get(), glow.get(), hat.get(),   lensFlare.get(), fadeOverlay.get(), prizeOverlay.get()};
    for (tavo::scene::SceneObject* object : objects) {
        if (!object)
            continue;
        object->input = input;
        if (auto* game = dynamic_cast<tavo::scene::GameObject*>(object))
            for (auto& mesh : game->meshes)
                mesh->input = input;
    }
}

// The ring and the pickups take their place from the clock, and their turn from how many places the start
// tried: fixed places below the flight path (never passed, so never moved), upright as the models stand,
// make every run draw the same pictures.
void placeObjectsFixed() {
    if (!physxHandler)
        return;
    struct Fixed {
        tavo::scene::GameObject* object;
        btRigidBody* actor;
        glm::vec3 position;
        float turnAboutX; // the models are authored z-up
    };
    const Fixed places[] = {{ring.get(), physxHandler->ringActor, {-200.0f, 200.0f, -200.0f}, 1.5707964f},
                            {boost.get(), physxHandler->boostActor, {150.0f, 200.0f, 400.0f}, -1.5707964f},
                            {hat.get(), physxHandler->hatActor, {-150.0f, 210.0f, 300.0f}, -1.5707964f}};
    for (const Fixed& place : places) {
        if (!place.object || !place.actor)
            continue;
        const glm::mat4& m = place.object->modelMatrix;
        const glm::vec3 scale(glm::length(glm::vec3(m[0])), glm::length(glm::vec3(m[1])),
                              glm::length(glm::vec3(m[2])));
        place.object->modelMatrix = glm::scale(glm::rotate(glm::translate(glm::mat4(1.0f), place.position),
                                                           place.turnAboutX, glm::vec3(1.0f, 0.0f, 0.0f)),
                                               scale);
        physxHandler->setGlobalPose(place.actor, place.position);
    }
}

// ---------------------------------------------------------------- statistics
struct Series {
    const char* name;
    const char* unit;
    std::vector<double> values;
};

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    if (p == 50.0) {
        const size_t n = v.size();
        return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
    }
    // Nearest rank.
    const size_t k = static_cast<size_t>(std::ceil(p / 100.0 * static_cast<double>(v.size())));
    return v[std::min(v.size() - 1, k ? k - 1 : 0)];
}

void printSeries(const Series& s) {
    if (s.values.empty())
        return;
    std::printf("  %-34s %10.3f %10.3f %10.3f  %s\n", s.name, percentile(s.values, 50.0),
                percentile(s.values, 95.0), *std::max_element(s.values.begin(), s.values.end()), s.unit);
}

void writeShot(const std::string& file, int width, int height, std::vector<unsigned char>& pixels) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    if (FILE* f = std::fopen(file.c_str(), "wb")) {
        std::fprintf(f, "P6\n%d %d\n255\n", width, height);
        for (int y = height - 1; y >= 0; --y)
            std::fwrite(&pixels[static_cast<size_t>(y) * width * 3], 1, static_cast<size_t>(width) * 3, f);
        std::fclose(f);
    }
}

// GPU time of each pass, read kLag frames after it was issued.
enum Pass { ShadowPass, MainPass, HudPass, GlowPass, PassCount };
constexpr int kLag = 4;

// Times the game's own frame steps as it runs them: the world update on the wall clock, each pass by a timer
// query, or with --breakdown by finishing the GL work after it.
struct StepTimer : FrameStepListener {
    bool queries = false, breakdown = false;
    const GLuint* querySet = nullptr; // this frame's, one per pass
    Clock::time_point worldStart, worldEnd, mark, submitted;
    double cpuStart = 0.0, cpuEnd = 0.0;
    double split[PassCount] = {};

    // The passes follow the world update in the same order.
    static int pass(FrameStep step) {
        return static_cast<int>(step) - static_cast<int>(FrameStep::ShadowPass);
    }
    void stepBegins(FrameStep step) override {
        if (step == FrameStep::WorldUpdate) {
            worldStart = Clock::now();
            return;
        }
        if (step == FrameStep::ShadowPass) {
            cpuStart = cpuMs(CLOCK_THREAD_CPUTIME_ID);
            mark = Clock::now();
        }
        if (queries && !breakdown)
            glBeginQuery(GL_TIME_ELAPSED, querySet[pass(step)]);
    }
    void stepEnds(FrameStep step) override {
        if (step == FrameStep::WorldUpdate) {
            worldEnd = Clock::now();
            return;
        }
        if (queries && !breakdown)
            glEndQuery(GL_TIME_ELAPSED);
        if (breakdown) {
            glFinish();
            const Clock::time_point now = Clock::now();
            split[pass(step)] = msBetween(mark, now);
            mark = now;
        }
        if (step == FrameStep::Glow) {
            submitted = Clock::now();
            cpuEnd = cpuMs(CLOCK_THREAD_CPUTIME_ID);
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    const Clock::time_point mainStart = Clock::now();
    const Options options = parseOptions(argc, argv);
    enterRunFolder();
    btAlignedAllocSetCustom(bulletAlloc, bulletFree);

    // The game's start-up path.
    StartupSettings settings;
    settings.xResolution = options.width;
    settings.yResolution = options.height;
    xResolution = settings.xResolution;
    yResolution = settings.yResolution;
    GLFWwindow* window = openWindow(settings);
    const Clock::time_point windowOpen = Clock::now();
    assembleScene(window);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glViewport(0, 0, xResolution, yResolution);
    const Clock::time_point assembled = Clock::now();

    ScriptedFlight script;
    InputState* input = createInputState(&script);
    pointObjectsAt(input);
    if (physxHandler && physxHandler->planeActor)
        physxHandler->setGlobalPose(physxHandler->planeActor, glm::vec3(0.0f, startHeight, 0.0f));
    placeObjectsFixed();

    const bool timerQueries = GLEW_ARB_timer_query || GLEW_VERSION_3_3;
    std::array<std::array<GLuint, PassCount>, kLag> queries{};
    if (timerQueries)
        for (auto& set : queries)
            glGenQueries(PassCount, set.data());
    StepTimer timer;
    timer.queries = timerQueries;
    timer.breakdown = options.breakdown;

    const int total = options.warmup + options.frames;
    Series frameMs{"frame (with swap)", "ms", {}};
    Series frameSunMs{"frame, sun in view", "ms", {}};
    Series frameNoSunMs{"frame, sun not in view", "ms", {}};
    Series worldMs{"world update + physics (CPU)", "ms", {}};
    Series submitMs{"render submission (wall)", "ms", {}};
    Series submitCpuMs{"render submission (thread CPU)", "ms", {}};
    Series swapMs{"swap + poll (wall)", "ms", {}};
    // All threads, the renderer's included: the work a frame takes, which other load on the machine does not
    // inflate the way it inflates wall time.
    Series processCpuMs{"process CPU, all threads", "ms", {}};
    Series gpuMs[PassCount] = {{"GPU shadow pass", "ms", {}},
                               {"GPU main pass", "ms", {}},
                               {"GPU HUD", "ms", {}},
                               {"GPU glow", "ms", {}}};
    Series allocations{"operator new per frame", "count", {}};
    Series bulletAllocations{"Bullet allocations per frame", "count", {}};
    for (Series* s : {&frameMs, &frameSunMs, &frameNoSunMs, &worldMs, &submitMs, &submitCpuMs, &swapMs,
                      &processCpuMs, &allocations, &bulletAllocations})
        s->values.reserve(total);
    for (Series& s : gpuMs)
        s.values.reserve(total);
    // Allocated up front, so the shot adds nothing to the allocation count.
    std::vector<unsigned char> shotPixels(
        options.shots.empty() ? 0 : static_cast<size_t>(xResolution) * yResolution * 3);

    double firstFrameFromProcess = 0.0;
    double firstFrameFromMain = 0.0;
    int sunFrames = 0;
    std::vector<int> allocatingFrames;

    Clock::time_point frameStart = Clock::now();
    double processCpuStart = cpuMs(CLOCK_PROCESS_CPUTIME_ID);
    for (int frame = 0; frame < total; ++frame) {
        const bool measured = frame >= options.warmup;
        if (frame == options.warmup && options.traceNew)
            tracesLeft = 3;
        const long newBefore = newCount.load(std::memory_order_relaxed);
        const long bulletBefore = bulletCount.load(std::memory_order_relaxed);

        // Results of the frame kLag back, before its queries are reused.
        if (timerQueries && !options.breakdown && frame >= kLag) {
            const int old = frame - kLag;
            for (int pass = 0; pass < PassCount; ++pass) {
                GLuint64 ns = 0;
                glGetQueryObjectui64v(queries[frame % kLag][pass], GL_QUERY_RESULT, &ns);
                if (old >= options.warmup)
                    gpuMs[pass].values.push_back(static_cast<double>(ns) * 1e-6);
            }
        }

        // The game's own frame, with a fixed time step.
        const float dt = fixedStep;
        timer.querySet = queries[frame % kLag].data();
        advanceFrame(window, dt, &timer);
        script.time += dt;
        const Clock::time_point worldStart = timer.worldStart, worldEnd = timer.worldEnd,
                                submitted = timer.submitted;
        const double cpuStart = timer.cpuStart, cpuEnd = timer.cpuEnd;
        const double* split = timer.split;

        for (const auto& [shotFrame, shotFile] : options.shots)
            if (frame == shotFrame)
                writeShot(shotFile, xResolution, yResolution, shotPixels);
        glfwSwapBuffers(window);
        glfwPollEvents();
        const Clock::time_point swapped = Clock::now();

        if (frame == 0) {
            glFinish();
            firstFrameFromProcess = msSinceProcessStart();
            firstFrameFromMain = msBetween(mainStart, Clock::now());
        }
        const bool sun = lensFlare && lensFlare->sunVisible;

        const Clock::time_point frameEnd = Clock::now();
        const double processCpuEnd = cpuMs(CLOCK_PROCESS_CPUTIME_ID);
        if (measured) {
            sunFrames += sun ? 1 : 0;
            frameMs.values.push_back(msBetween(frameStart, frameEnd));
            (sun ? frameSunMs : frameNoSunMs).values.push_back(frameMs.values.back());
            worldMs.values.push_back(msBetween(worldStart, worldEnd));
            submitMs.values.push_back(msBetween(worldEnd, submitted));
            submitCpuMs.values.push_back(cpuEnd - cpuStart);
            swapMs.values.push_back(msBetween(submitted, swapped));
            processCpuMs.values.push_back(processCpuEnd - processCpuStart);
            allocations.values.push_back(
                static_cast<double>(newCount.load(std::memory_order_relaxed) - newBefore));
            if (allocations.values.back() > 0.0 && allocatingFrames.size() < 8)
                allocatingFrames.push_back(frame);
            bulletAllocations.values.push_back(
                static_cast<double>(bulletCount.load(std::memory_order_relaxed) - bulletBefore));
            if (options.breakdown)
                for (int pass = 0; pass < PassCount; ++pass)
                    gpuMs[pass].values.push_back(split[pass]);
        }
        frameStart = frameEnd;
        processCpuStart = processCpuEnd;
    }
    if (timerQueries && !options.breakdown) {
        for (int old = std::max(0, total - kLag); old < total; ++old)
            for (int pass = 0; pass < PassCount; ++pass) {
                GLuint64 ns = 0;
                glGetQueryObjectui64v(queries[old % kLag][pass], GL_QUERY_RESULT, &ns);
                if (old >= options.warmup)
                    gpuMs[pass].values.push_back(static_cast<double>(ns) * 1e-6);
            }
        for (auto& set : queries)
            glDeleteQueries(PassCount, set.data());
    }

    const bool crashed = gameOver;
    const long peakKiB = peakMemoryKiB();
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const std::string rendererName = renderer ? renderer : "?";
    teardownScene();
    glfwTerminate();

    const char* threads = std::getenv("LP_NUM_THREADS");
    std::printf("windlap_bench %dx%d, %d frames measured after %d warm-up, fixed step %.4f s, renderer %s, "
                "LP_NUM_THREADS=%s\n",
                options.width, options.height, options.frames, options.warmup, fixedStep,
                rendererName.c_str(), threads ? threads : "default");
    std::printf("  %-34s %10s %10s %10s\n", "", "median", "p95", "max");
    printSeries(frameMs);
    printSeries(frameNoSunMs);
    printSeries(frameSunMs);
    printSeries(worldMs);
    printSeries(submitMs);
    printSeries(submitCpuMs);
    printSeries(swapMs);
    printSeries(processCpuMs);
    if (options.breakdown)
        std::printf("  (per pass: glFinish after each step, wall clock)\n");
    else if (!timerQueries)
        std::printf("  (no timer queries on this driver)\n");
    for (const Series& s : gpuMs)
        printSeries(s);
    printSeries(allocations);
    printSeries(bulletAllocations);
    long newTotal = 0;
    for (double v : allocations.values)
        newTotal += static_cast<long>(v);
    if (!allocatingFrames.empty()) {
        std::printf("  frames with operator new:");
        for (int frame : allocatingFrames)
            std::printf(" %d", frame);
        std::printf("\n");
    }
    std::printf("  sun in view on %d of %d measured frames%s\n", sunFrames, options.frames,
                crashed ? "; THE JET CRASHED OR THE GAME ENDED" : "");
    std::printf("  start-up to first presented frame: %.0f ms from process start, %.0f ms from main "
                "(window %.0f ms, scene %.0f ms)\n",
                firstFrameFromProcess, firstFrameFromMain, msBetween(mainStart, windowOpen),
                msBetween(windowOpen, assembled));
    std::printf("  peak memory (VmHWM): %.1f MB\n", static_cast<double>(peakKiB) / 1024.0);
    const double median = percentile(frameMs.values, 50.0);
    std::printf(
        "bench size=%dx%d frames=%d med=%.2f p95=%.2f fps=%.1f cpu=%.2f world=%.4f submit=%.2f shadow=%.2f "
        "main=%.2f hud=%.2f glow=%.2f allocs=%ld startup=%.0f peak_mb=%.1f\n",
        options.width, options.height, options.frames, median, percentile(frameMs.values, 95.0),
        median > 0.0 ? 1000.0 / median : 0.0, percentile(processCpuMs.values, 50.0),
        percentile(worldMs.values, 50.0), percentile(submitMs.values, 50.0),
        percentile(gpuMs[ShadowPass].values, 50.0), percentile(gpuMs[MainPass].values, 50.0),
        percentile(gpuMs[HudPass].values, 50.0), percentile(gpuMs[GlowPass].values, 50.0), newTotal,
        firstFrameFromProcess, static_cast<double>(peakKiB) / 1024.0);
    return crashed ? 1 : 0;
}
