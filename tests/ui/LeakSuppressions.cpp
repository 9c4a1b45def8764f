// Leak reports to ignore in the sanitizer build of the window tests: the system's font
// configuration library keeps its caches until exit, which says nothing about this program.
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
