// Pango has fontconfig load its configuration once per process and keep it
// until exit; under AddressSanitizer those blocks would turn every clean
// close of the window into a leak report and exit status 1. (GTK's
// accessibility bridge keeps a few blocks of its own as well; an ASan build
// run by hand with NO_AT_BRIDGE=1 exits cleanly.)
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char *__lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
