// Leaks of system libraries (D-Bus, fontconfig, X, Mesa) that outlive every GUI test process;
// the leak checker of the sanitizer build reads this list at start-up.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n"
           "leak:libfontconfig.so\n"
           "leak:libX11.so\n"
           "leak:libxcb\n"
           "leak:libglut.so\n"
           "leak:swrast_dri.so\n"
           "leak:libgallium\n"
           "leak:libLLVM\n"
           "leak:libGLX_mesa.so\n";
}
