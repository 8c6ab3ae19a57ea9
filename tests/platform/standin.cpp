// Stand-ins for what the driver needs from later modules: the show's entry
// and the shader table's flag. Linked into the in-process suites only. A
// test may give coremain a body of its own through standin_coremain.
#include <cstddef>

int (*standin_coremain)(int argc, char** argv) = NULL;

int coremain(int argc, char** argv) { return standin_coremain ? standin_coremain(argc, argv) : 0; }

int KRV_shaders_enabled = 0;
