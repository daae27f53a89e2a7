// A shared library that loads but offers no server entry point, for the
// runtime's tests.
extern "C" __attribute__((visibility("default"))) int notAServer() {
  return 0;
}
