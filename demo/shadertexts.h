// The show's built-in GLSL texts.
#pragma once

// The vertex shader paired with every demo shader: hands texCoord to them.
extern const char vv_default[];
// The CRT post shader's fragment text: barrel warp, colour fringes,
// vignette and scanlines.
extern const char ff_xcopy[];
