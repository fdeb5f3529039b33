#pragma once
#include "support/Image.h"

#include <sys/types.h>

#include <string>

// The X server of DISPLAY seen through xdotool and ImageMagick, as a person at the screen would use it. Every
// call runs the tool as a child process with a time-out; a tool that fails reports through GoogleTest.

struct WindowSize {
    int width = 0;
    int height = 0;
};

// The window of process pid whose title is exactly title, or "" when there is none (yet).
std::string findWindow(pid_t pid, const std::string& title);

std::string windowTitle(const std::string& windowId);
WindowSize windowSize(const std::string& windowId);
// The size a window asks the window manager to keep (its size hints give the same minimum and maximum), or
// 0 x 0 when it may be resized.
WindowSize fixedSize(const std::string& windowId);
// The size of the X screen, which a full-screen window covers.
WindowSize screenSize();

// Gives the window the keyboard focus and sends it a key event through the X server's XTEST extension, as a
// keyboard would; action is "key" (press and release 1 ms apart), "keydown" or "keyup" and key an X key name
// such as "Escape", "F1", "w" or "Shift_L". Returns whether xdotool succeeded.
bool sendKey(const std::string& windowId, const std::string& action, const std::string& key);

// Releases a key in the X server, whichever window has the focus, even none. A key left down stays down for
// the next window: a later game would see it held from its first frame.
bool releaseKey(const std::string& key);

// Saves the window's current contents as a PNG at path and reads it back; empty when the capture failed.
Image captureWindow(const std::string& windowId, const std::string& path);
