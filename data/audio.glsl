#version 120
// Audio scope: the four band levels as glowing bars and a ring that the bass
// swells and the running sums turn. States: 0 bars, 1 ring, 2 mirrored bars
// with the ring, 3 rays around the ring.
uniform float time;
uniform float statetime;
uniform vec3 absfft;
uniform vec4 fft;
uniform int state;
varying vec2 texCoord;

const float PI = 3.14159265;

vec3 bandColour(float i)
{
    return 0.55 + 0.45 * cos(6.2832 * (vec3(0.0, 0.33, 0.67) + i * 0.22 + 0.1));
}

float level(float i)
{
    if (i < 0.5) return fft.x;
    if (i < 1.5) return fft.y;
    if (i < 2.5) return fft.z;
    return fft.w;
}

vec3 bars(vec2 uv, bool mirrored, float t)
{
    float i = floor(uv.x * 4.0);
    float fx = fract(uv.x * 4.0);
    float h = clamp(level(i) * 0.1, 0.0, 1.0) * 0.85 + 0.03;
    float y = mirrored ? abs(uv.y - 0.5) * 2.0 : uv.y;
    float inside = step(0.12, fx) * step(fx, 0.88) * step(y, h);
    // Bars are built from lit segments, with a soft glow around them.
    // The segments run upwards, a light sweeps across.
    float seg = step(0.25, fract(y * 24.0 - t * 2.0));
    inside *= 0.6 + 0.6 * exp(-abs(fract(uv.x - t * 0.25) - 0.5) * 6.0);
    float glow = exp(-abs(y - h) * 30.0) * step(0.05, fx) * step(fx, 0.95);
    return bandColour(i) * (inside * seg * 0.9 + glow * 0.6);
}

vec3 ring(vec2 p, float t)
{
    float r = length(p);
    float a = atan(p.y, p.x);
    float bass = clamp(fft.x * 0.1, 0.0, 1.0);
    float turn = absfft.y * 0.01 + t * 0.3;
    float wobble = 0.04 * sin(a * 6.0 + turn * 3.0) * clamp(fft.y * 0.1, 0.0, 1.0)
                 + 0.02 * sin(a * 17.0 - turn * 5.0) * clamp(fft.w * 0.1, 0.0, 1.0);
    float radius = 0.25 + 0.12 * bass + wobble;
    float line = exp(-abs(r - radius) * 90.0);
    vec3 c = bandColour(fract(a / (2.0 * PI) + turn * 0.05) * 4.0);
    return c * line * 1.4 + c * exp(-abs(r - radius) * 12.0) * 0.15;
}

vec3 rays(vec2 p, float t)
{
    float a = atan(p.y, p.x);
    float r = length(p);
    float n = 24.0;
    float k = floor((a / (2.0 * PI) + 0.5) * n);
    float l = clamp(level(mod(k, 4.0)) * 0.1, 0.0, 1.0);
    float inside = step(0.3, r) * step(r, 0.3 + l * 0.35)
                 * step(0.2, fract((a / (2.0 * PI) + 0.5) * n));
    return bandColour(mod(k, 4.0)) * inside * (0.6 + 0.4 * sin(t * 4.0 + k));
}

void main()
{
    float t = time * 2.322;
    float st = statetime * 2.322;
    int s = int(mod(float(state), 4.0));
    vec2 p = (texCoord - 0.5) * vec2(640.0 / 360.0, 1.0);

    vec3 col = vec3(0.01, 0.01, 0.03) + vec3(0.03, 0.02, 0.06) * (1.0 - length(p));
    // A faint grid behind everything.
    vec2 g = abs(fract(texCoord * vec2(32.0, 18.0)) - 0.5);
    col += vec3(0.02, 0.04, 0.05) * step(0.46, max(g.x, g.y));

    if (s == 0) col += bars(texCoord, false, t);
    else if (s == 1) col += ring(p, t);
    else if (s == 2) col += bars(texCoord, true, t) * 0.6 + ring(p, t);
    else col += ring(p, t) + rays(p, t);
    // Each new state comes in on a short dip of the light.
    col *= clamp(0.55 + st * 2.0, 0.0, 1.0);
    gl_FragColor = vec4(col, 1.0);
}
