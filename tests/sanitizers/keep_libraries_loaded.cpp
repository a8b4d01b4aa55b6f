// Preloaded into the sanitizer runs: dlclose does nothing, so every library the process
// loads stays mapped until exit. The graphics driver is loaded and unloaded with each
// device; what it allocates once and keeps in its own globals would otherwise look
// leaked (the globals are gone, the blocks are not) and come from an unknown module that
// no suppression can name. Our code is never unloaded, so none of its leaks are hidden.
extern "C" int dlclose(void* handle) {
  (void)handle;
  return 0;
}
