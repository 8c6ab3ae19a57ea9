// Stand-ins for what the driver needs from later modules: the show's entry
// and the shader table's flag. Linked into the in-process suites only.
int coremain(int, char**) { return 0; }
int KRV_shaders_enabled = 0;
