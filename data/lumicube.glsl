#version 120
// Luminous cube: a cube frame of light turns over a picture, its edges
// glowing in the colours of the band levels, a smaller solid cube inside
// carrying the second picture on its faces. The bass swells the glow.
// States: 0 over the first picture (texture0), 1 over the second
// (texture1), 2 the text (texture2) floats across, 3 the frame breaks into
// four spinning cubes.
uniform float time;
uniform float statetime;
uniform vec4 fft;
uniform vec3 absfft;
uniform int state;
uniform sampler2D texture0;
uniform sampler2D texture1;
uniform sampler2D texture2;
varying vec2 texCoord;

vec4 bitmap(sampler2D tex, vec2 uv)
{
    return texture2D(tex, vec2(uv.x, 1.0 - uv.y));
}

float sdBox(vec3 p, vec3 b)
{
    vec3 q = abs(p) - b;
    return length(max(q, 0.0)) + min(max(q.x, max(q.y, q.z)), 0.0);
}

// The edges of a box: twelve bars, folded into three by symmetry.
float frame(vec3 p, float b, float e)
{
    p = abs(p) - b;
    vec3 q = abs(p + e) - e;
    return min(min(length(max(vec3(p.x, q.y, q.z), 0.0)), length(max(vec3(q.x, p.y, q.z), 0.0))),
               length(max(vec3(q.x, q.y, p.z), 0.0)));
}

vec2 scene(vec3 p, bool split)
{
    if (split) {
        // Four small cubes around the middle.
        p.xy = abs(p.xy) - 0.6;
    }
    float size = split ? 0.35 : 0.8;
    float f = frame(p, size, 0.025);
    float c = sdBox(p, vec3(size * 0.45));
    return vec2(f, c);
}

void main()
{
    float t = time * 2.322;
    float st = statetime * 2.322;
    int s = int(mod(float(state), 4.0));
    bool split = s == 3;
    vec4 lv = clamp(fft * 0.1, 0.0, 1.0);
    vec2 p = (texCoord - 0.5) * vec2(640.0 / 360.0, 1.0);

    // The picture behind, slowly drifting.
    vec2 bu = (texCoord - 0.5) * 0.9 + 0.5 + vec2(sin(t * 0.2), cos(t * 0.17)) * 0.04;

    float a = t * 0.45 + absfft.y * 0.001;
    float b = t * 0.3;
    mat3 rot = mat3(cos(a), 0.0, sin(a), 0.0, 1.0, 0.0, -sin(a), 0.0, cos(a))
             * mat3(1.0, 0.0, 0.0, 0.0, cos(b), sin(b), 0.0, -sin(b), cos(b));
    vec3 ro = rot * vec3(0.0, 0.0, -3.4);
    vec3 rd = rot * normalize(vec3(p, 1.5));

    // March only inside the sphere that holds the cubes and their glow.
    float bb = dot(ro, rd);
    float disc = bb * bb - dot(ro, ro) + 1.8 * 1.8;
    float dist = 0.0;
    float far = 0.0;
    if (disc > 0.0) {
        dist = -bb - sqrt(disc);
        far = -bb + sqrt(disc);
    }
    float glow = 0.0;
    vec2 d = vec2(1.0);
    bool hit = false;
    for (int i = 0; i < 32; i++) {
        if (dist >= far) break;
        d = scene(ro + rd * dist, split);
        glow += 0.012 / (0.01 + d.x * d.x * 40.0);
        float m = min(d.x, d.y);
        if (d.y < 0.002) { hit = true; break; }
        dist += max(m * 0.9, 0.01);
    }
    vec3 tint = 0.6 + 0.4 * cos(6.2832 * (vec3(0.0, 0.33, 0.67) + lv.y * 0.5 + t * 0.04 + (s == 2 ? 0.5 : 0.0)));
    // The inner cube's face coordinates where the ray hit it.
    vec3 pos = ro + rd * dist;
    if (split) pos.xy = abs(pos.xy) - 0.6;
    vec3 ap = abs(pos);
    float size = split ? 0.35 : 0.8;
    vec2 fuv = ap.x > ap.y && ap.x > ap.z ? pos.yz : (ap.y > ap.z ? pos.xz : pos.xy);
    fuv = fuv / (size * 0.9) + 0.5;
    // One read of each picture (texture reads are dear): behind the cube
    // the one picture, on its faces the other; state 1 swaps them.
    bool swap = s == 1;
    vec3 pic0 = bitmap(texture0, swap ? fuv : bu).rgb;
    vec3 pic1 = bitmap(texture1, swap ? bu : fuv).rgb;
    vec3 back = swap ? pic1 : pic0;
    vec3 face = swap ? pic0 : pic1;
    vec3 col = back * 0.45;
    // In state 2 the picture dims to a starry dark for the text.
    if (s == 2) col = back * 0.08 + vec3(1.0) * step(0.995, fract(sin(dot(floor(texCoord * 200.0), vec2(12.9898, 78.233))) * 43758.5453));
    if (hit) {
        float edge = max(abs(fuv.x - 0.5), abs(fuv.y - 0.5));
        col = face * 0.9 + tint * smoothstep(0.4, 0.5, edge) * 0.8;
    }
    col += tint * glow * (0.06 + 0.12 * lv.x);

    if (s == 2) {
        vec2 tu = vec2(texCoord.x - mod(st * 0.08, 1.6) + 0.8, texCoord.y);
        vec4 txt = bitmap(texture2, tu);
        float ink = txt.a * max(txt.r, max(txt.g, txt.b)) * step(0.0, tu.x) * step(tu.x, 1.0);
        col = mix(col, txt.rgb * (1.2 + lv.w), ink);
    }
    // Each new state comes in on a short dip of the light.
    col *= clamp(0.55 + st * 2.0, 0.0, 1.0);
    gl_FragColor = vec4(col, 1.0);
}
