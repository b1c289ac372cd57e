// Programs that run under the umockdev preload: the preload library comes
// before the sanitizer runtime in the library list, which AddressSanitizer
// refuses by default. Built into each such program (not into kvnsim, where
// nothing would pull it in), so that it starts whatever the environment
// says, e.g. when ctest lists its tests without the test environment.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char *__asan_default_options() { return "verify_asan_link_order=0"; }
#endif


#if defined(__SANITIZE_THREAD__)
// The testbed's worker thread is GLib's: umockdev hands it data (device
// paths, sockets) under GLib's futex-based locks and joins it inside GLib,
// none of which ThreadSanitizer sees. Reports that arise only from that
// are suppressed here, by the uninstrumented code they point at: the
// umockdev library, GLib copying a string it was handed, and the socket
// descriptor the worker accepts for every open of a node and closes
// unseen, whose number the host's thread then reuses. The emulator's own
// hand-offs are made visible in its code instead (sim/testbed.cpp).
extern "C" const char *__tsan_default_suppressions() {
  return "race:libumockdev.so.0\n"
         "race:g_strdup\n"
         "race:g_socket_accept\n";
}
#endif
