// The application's tests draw text through Pango, which has fontconfig load
// its configuration once per process and keep it; those blocks are still
// held at exit. tests/app/lsan.supp says the same for the application when
// the end-to-end tests run it.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char *__lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
