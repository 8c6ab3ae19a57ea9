// The window set-up when GLEW does not start: this program defines its own
// glewInit, which fails without loading any entry point, in place of the
// library's. The error line is printed, and GLSL stays off because the
// shader entry points are missing.
#include <GL/glew.h>

#include "tests/platform/layertest.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

extern "C" GLenum GLEWAPIENTRY glewInit(void) { return GLEW_ERROR_NO_GL_VERSION; }

namespace {

class NoGlew : public lt::WindowTest {};

TEST_F(NoGlew, PrintsTheErrorAndLeavesShadersOff) {
    std::string out = kt::Captured([] { krv_initwindow(32, 32, 0); });
    EXPECT_EQ(out, "[KRV] Init Glew\n\nError Initing Glew\n\nReady for GLSL\n");
    EXPECT_TRUE(glewExperimental);
    EXPECT_EQ(glCreateShader, nullptr);
    EXPECT_EQ(KRV_shaders_enabled, 0);
    EXPECT_EQ(wglGetCurrentContext(), hrc) << "the context is there all the same";
}

}  // namespace
