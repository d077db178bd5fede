// What the sanitizer build of the desktop client must overlook in Qt WebEngine (Chromium
// inside), as Debian builds it: at start it frees one of its own objects through the wrong
// type, and it keeps a few KiB of its own and of the system libraries it loads until the
// process ends. Nothing of ours is listed, so a leak of our own objects still fails. The
// desktop tests compile it too; outside a sanitizer build nobody reads it.

extern "C" {

const char* __asan_default_options() {
    return "new_delete_type_mismatch=0";
}

const char* __lsan_default_suppressions() {
    return "leak:libQt6WebEngineCore.so\n"
           "leak:libudev.so\n"
           "leak:libfontconfig.so\n";
}

}  // extern "C"
