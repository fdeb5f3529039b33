// Linked into every executable of a sanitizer build, never into a normal one: dlclose does nothing, so every
// library stays mapped until the process ends.
//
// Mesa's GLX unloads its driver (and LLVM with it) when GLFW closes the X display in glfwTerminate. The
// leak check runs later, at exit, and then finds the driver's still-referenced allocations with the module
// that referenced them gone: each is reported as a leak from "<unknown module>", which no suppression can
// name. With the driver still mapped they are reachable through its globals as they really are, and a true
// leak inside it is reported under its library's name.
extern "C" int dlclose(void*) {
    return 0;
}
