#version 120
// Moss cube: a cube overgrown with moss turns on a stage in front of the
// curtain (texture0), its fur of tufts standing up on the bass; the slogan
// picture (texture1) bounces below it.
// States: 0 the cube alone, 1 violet light and the slogan comes in,
// 2 the moss grows long and the cube hops on the beat, 3 the lights go
// green and the cube spins with the bass.
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

// A rounded cube with a fur of tufts: a cheap pattern of sines on its
// surface, pushed out by `fur`.
float mossCube(vec3 p, float fur)
{
    vec3 q = abs(p) - vec3(0.6);
    float box = length(max(q, 0.0)) + min(max(q.x, max(q.y, q.z)), 0.0) - 0.08;
    // Far from the fur the tufts need not be worked out: they reach out at
    // most 1.25 fur, so this is a safe step.
    float tufts = sin(p.x * 23.0) * sin(p.y * 21.0) * sin(p.z * 25.0)
                + 0.5 * sin(p.x * 47.0 + p.y * 13.0) * sin(p.z * 43.0 - p.y * 17.0);
    return box - fur * (0.5 + 0.5 * tufts);
}

void main()
{
    float t = time * 2.322;
    float st = statetime * 2.322;
    int s = int(mod(float(state), 4.0));
    vec4 lv = clamp(fft * 0.1, 0.0, 1.0);
    vec2 p = (texCoord - 0.5) * vec2(640.0 / 360.0, 1.0);

    float fur = (s == 2 ? 0.09 : 0.045) * (0.7 + 0.6 * lv.x);
    float hop = s == 2 ? abs(sin(t * 3.1416 * 1.1)) * 0.25 * (0.5 + lv.x) : 0.0;
    float spin = t * 0.6 + (s == 3 ? absfft.x * 0.004 : 0.0);
    float ca = cos(spin), sa = sin(spin);
    float cb = cos(0.55), sb = sin(0.55);
    mat3 rot = mat3(ca, 0.0, sa, 0.0, 1.0, 0.0, -sa, 0.0, ca) * mat3(1.0, 0.0, 0.0, 0.0, cb, sb, 0.0, -sb, cb);
    vec3 ro = vec3(0.0, 0.1 - hop, -4.3);
    vec3 rd = normalize(vec3(p.x, p.y - 0.02, 1.7));
    ro = rot * ro;
    rd = rot * rd;

    // The curtain behind, with a spotlight on it.
    vec3 back = texture2D(texture0, vec2(texCoord.x * 1.5, 1.0 - texCoord.y)).rgb;
    float spot = exp(-dot(p - vec2(0.0, 0.05), p - vec2(0.0, 0.05)) * 3.0);
    vec3 lightc = s == 3 ? vec3(0.3, 1.0, 0.4) : (s == 1 ? vec3(0.75, 0.6, 1.1) : vec3(1.0, 0.9, 0.7));
    vec3 col = back * (0.15 + 0.6 * spot * (0.7 + 0.5 * lv.y)) * lightc;
    // The stage floor.
    if (p.y < -0.36) col = mix(vec3(0.12, 0.08, 0.05), vec3(0.03), clamp(-p.y * 2.0 - 0.7, 0.0, 1.0)) * lightc;

    // March only within the cube's bounding sphere.
    float bb = dot(ro, rd);
    float disc = bb * bb - dot(ro, ro) + 1.35 * 1.35;
    if (disc > 0.0) {
        float dist = -bb - sqrt(disc);
        float far = -bb + sqrt(disc);
        float d = 1.0;
        for (int i = 0; i < 32; i++) {
            d = mossCube(ro + rd * dist, fur);
            if (d < 0.003 || dist > far) break;
            dist += d * 0.7;  // the fur bends distances: walk carefully
        }
        if (d < 0.01) {
            vec3 pos = ro + rd * dist;
            vec2 e = vec2(0.004, -0.004);
            vec3 nor = normalize(e.xyy * mossCube(pos + e.xyy, fur) + e.yyx * mossCube(pos + e.yyx, fur)
                               + e.yxy * mossCube(pos + e.yxy, fur) + e.xxx * mossCube(pos + e.xxx, fur));
            // How deep in the fur the point lies: deeper is darker.
            vec3 q = abs(pos) - vec3(0.6);
            float core = length(max(q, 0.0)) + min(max(q.x, max(q.y, q.z)), 0.0) - 0.08;
            float depth = clamp(core / max(fur, 0.001), 0.0, 1.0);
            vec3 lightDir = rot * normalize(vec3(-0.4, 0.7, -0.6));
            float diff = clamp(dot(nor, lightDir), 0.0, 1.0);
            // Patches of yellower and darker moss over the cube.
            float patch = sin(pos.x * 5.0 + pos.y * 3.0) * sin(pos.z * 4.0 - pos.y * 2.0);
            vec3 tip = mix(vec3(0.35, 0.65, 0.12), vec3(0.6, 0.7, 0.15), clamp(patch, 0.0, 1.0));
            vec3 moss = mix(vec3(0.03, 0.09, 0.02), tip, depth) * (0.8 + 0.2 * patch);
            moss += vec3(0.5, 0.6, 0.2) * pow(depth, 4.0) * lv.w;  // tips catch the highs
            col = moss * (0.25 + 0.9 * diff) * lightc;
        }
    }

    // The slogan below the cube.
    if (s == 1 || s == 2) {
        float bounce = abs(sin(t * 2.2)) * 0.04 * (0.5 + lv.x);
        float in1 = s == 1 ? smoothstep(0.0, 1.5, st) : 1.0;
        vec2 tu = vec2(texCoord.x, (texCoord.y - 0.1 - bounce) * 2.5 + 0.5 - (1.0 - in1) * 1.5);
        vec4 txt = bitmap(texture1, tu);
        float ink = txt.a * max(txt.r, max(txt.g, txt.b)) * step(0.0, tu.y) * step(tu.y, 1.0);
        col = mix(col, txt.rgb * (1.0 + 0.5 * lv.z), ink);
    }
    // Each new state comes in on a short dip of the light.
    col *= clamp(0.55 + st * 2.0, 0.0, 1.0);
    gl_FragColor = vec4(col, 1.0);
}
