// Sanitizer builds only: dlclose does nothing, so Mesa's driver stays mapped when GLFW closes the X display.
// Unloaded, its live allocations would be leaks from "<unknown module>" at exit, which no suppression names;
// mapped, they are reachable through its globals, and its true leaks are reported under its library's name.
extern "C" int dlclose(void*) {
    return 0;
}
