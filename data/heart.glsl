#version 120
// Beating heart: a glossy heart that beats on the bass, filled with the
// pictures (texture0, texture1) and surrounded by rings sent out on every
// beat. States: 0 heart with the first picture, 1 with the second picture,
// 2 a wallpaper of small hearts behind it, 3 the heart breaks into
// kaleidoscope pieces of both pictures.
uniform float time;
uniform float statetime;
uniform vec4 fft;
uniform vec3 absfft;
uniform int state;
uniform sampler2D texture0;
uniform sampler2D texture1;
varying vec2 texCoord;

vec4 bitmap(sampler2D tex, vec2 uv)
{
    return texture2D(tex, vec2(uv.x, 1.0 - uv.y));
}

// Signed distance to a heart of about unit size, point up = +y.
float heart(vec2 p)
{
    p.x = abs(p.x);
    if (p.y + p.x > 1.0) return sqrt(dot(p - vec2(0.25, 0.75), p - vec2(0.25, 0.75))) - 0.3536;
    float a = dot(p - vec2(0.0, 1.0), p - vec2(0.0, 1.0));
    float m = 0.5 * max(p.x + p.y, 0.0);
    float b = dot(p - vec2(m), p - vec2(m));
    return sqrt(min(a, b)) * sign(p.x - p.y);
}

void main()
{
    float t = time * 2.322;
    float st = statetime * 2.322;
    int s = int(mod(float(state), 4.0));
    vec3 band = clamp(fft.xyw * 0.1, 0.0, 1.0);
    vec2 p = (texCoord - 0.5) * vec2(640.0 / 360.0, 1.0);

    // Lub-dub: two quick beats per cycle, plus the bass.
    float cyc = fract(t * 1.1);
    float beat = exp(-cyc * 14.0) + 0.6 * exp(-abs(cyc - 0.22) * 18.0);
    float size = 0.4 * (1.0 + 0.1 * beat + 0.12 * band.x);

    vec3 col = mix(vec3(0.12, 0.0, 0.04), vec3(0.02, 0.0, 0.03), length(p));
    if (s == 2) {
        vec2 g = p * 6.0 + vec2(t * 0.3, t * 0.5);
        vec2 c = fract(g) - 0.5;
        float d = heart(vec2(c.x, c.y + 0.3) * 2.6);
        col += vec3(0.5, 0.05, 0.2) * smoothstep(0.05, 0.0, d) * (0.4 + 0.6 * band.z);
    }
    // Rings on the beat.
    float r = length(p);
    for (int i = 0; i < 3; i++) {
        float age = fract(t * 1.1 - float(i) * 0.333);
        float rr = 0.2 + age * 0.9;
        col += vec3(1.0, 0.2, 0.4) * exp(-abs(r - rr) * 60.0) * (1.0 - age) * (0.4 + band.y);
    }

    // The heart's tip is its origin: lift it so the heart sits in the middle.
    vec2 hp = p / size + vec2(0.0, 0.55);
    float d = heart(vec2(hp.x, hp.y)) * size;
    float inside = smoothstep(0.004, -0.004, d);
    // A pseudo-depth from the distance gives the heart its round, glossy look.
    float depth = clamp(-d / (size * 0.45), 0.0, 1.0);
    float bulge = sqrt(depth);
    // The picture spans the heart, bent round near its rim.
    vec2 q = vec2(hp.x * 0.46 + 0.5, hp.y * 0.9) + (p / (r + 0.001)) * (1.0 - bulge) * -0.04;
    // Each picture is read once (texture reads are dear): the state
    // picks where and which.
    vec2 kq = q;
    float seg = 0.0;
    if (s == 3) {
        float a = atan(p.y, p.x) + t * 0.4 + absfft.x * 0.002;
        seg = mod(floor(a / 0.7854), 2.0);
        float la = mod(a, 0.7854);
        la = min(la, 0.7854 - la);
        kq = vec2(cos(la), sin(la)) * r * (1.4 + 0.2 * beat) + 0.5;
    }
    vec4 pic0 = bitmap(texture0, kq);
    vec4 pic1 = bitmap(texture1, kq);
    vec4 pic = (s == 1 || (s == 3 && seg > 0.5)) ? pic1 : pic0;
    vec3 red = vec3(0.9, 0.05, 0.15) * (0.4 + 0.6 * bulge);
    vec3 fill = mix(red, pic.rgb * (0.5 + 0.7 * bulge), 0.65 * pic.a);
    // Highlight on the upper left lobe.
    vec2 hl = hp - vec2(-0.35, 0.75);
    fill += vec3(1.0, 0.85, 0.9) * exp(-dot(hl, hl) * 30.0) * 0.6;
    fill *= 1.0 + 0.5 * beat;
    col = mix(col, fill, inside);
    // Glow around the rim.
    col += vec3(1.0, 0.15, 0.3) * exp(-max(d, 0.0) * 25.0) * (0.3 + 0.7 * beat) * (1.0 - inside);
    // Each new state comes in on a short dip of the light.
    col *= clamp(0.55 + st * 2.0, 0.0, 1.0);
    gl_FragColor = vec4(col, 1.0);
}
