// The show's two built-in GLSL texts: the vertex shader paired with every
// scene and transition shader, and the CRT post shader. They stand apart from
// the asset loading so that the shader suites can compile the very same texts.
#include "demo/shadertexts.h"

const char vv_default[] =
    "#version 120\n"
    "varying vec2 texCoord;\n"
    "void main()\n"
    "{\n"
    "    texCoord = gl_MultiTexCoord0.xy;\n"
    "    gl_Position = ftransform();\n"
    "}\n";

// Barrel warp, colour fringes, vignette and scanlines of a curved CRT screen.
const char ff_xcopy[] =
    "#version 120\n"
    "uniform sampler2D fbo_texture;\n"
    "uniform sampler2D fbo_depth;\n"
    "uniform float fadevalue;\n"
    "uniform float scanlinevalue;\n"
    "uniform float time;\n"
    "varying vec2 texCoord;\n"
    "vec4 color;\n"
    "void main()\n"
    "{\n"
    "    vec2 uv = (texCoord - 0.5) * 2.15;\n"
    "    uv.x = uv.x * (1.0 + pow(abs(uv.y) / 16.0, 2.2));\n"
    "    uv.y = uv.y * (1.0 + pow(abs(uv.x) / 9.0, 2.2));\n"
    "    uv = uv / 2.0 + 0.5;\n"
    "    uv = uv * 0.92 + 0.04;\n"
    "    color.r = texture2D(fbo_texture, vec2(uv.x + 0.001, uv.y + 0.001)).r + 0.05;\n"
    "    color.g = texture2D(fbo_texture, vec2(uv.x, uv.y - 0.002)).g + 0.05;\n"
    "    color.b = texture2D(fbo_texture, vec2(uv.x - 0.002, uv.y)).b + 0.05;\n"
    "    color.a = 0.5;\n"
    "    float vig = 16.0 * uv.x * uv.y * (1.0 - uv.x) * (1.0 - uv.y);\n"
    "    color = color * pow(vig, 0.2);\n"
    "    float scans = clamp(0.35 + 0.35 * sin(0.5 * time + uv.y * 720.0 * 1.5), 0.0, 1.0);\n"
    "    float s = pow(scans, 1.7);\n"
    "    color = color * ((0.4 + 0.7 * s) * 1.5);\n"
    "    color = color * (1.0 - 0.65 * clamp((mod(uv.x, 2.0) - 1.0) * 2.0, 0.0, 1.0));\n"
    "    if (uv.x < 0.0 || uv.x > 1.0) color.a = 0.1;\n"
    "    if (uv.y < 0.0 || uv.y > 1.0) color.a = 0.1;\n"
    "    gl_FragColor = color;\n"
    "}\n";
