// Defaults for the sanitizer build of the tests, compiled into every test program so that
// test discovery and child runs need no environment of their own.

extern "C" {

// Qt, fontconfig and GLib keep some allocations until the process ends, on purpose.
const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n"
           "leak:libQt6Core\n"
           "leak:libQt6Gui\n"
           "leak:libQt6Widgets\n"
           "leak:libdbus\n"
           "leak:libglib\n";
}

const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

}  // extern "C"
