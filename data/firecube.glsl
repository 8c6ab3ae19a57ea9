#version 120
// Burning cube with the title: a charred cube turns in the dark with
// flames licking up around it; the title (texture1) shimmers in the heat in
// front; the curtain strip (texture0) hangs behind, lit by the fire.
// States: 0 the cube smoulders and the title rises, 1 full blaze,
// 2 the cube spins on the beat and the title shakes, 3 blue flames.
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

float hash(vec2 p)
{
    p = fract(p * vec2(123.34, 456.21));
    p += dot(p, p + 45.32);
    return fract(p.x * p.y);
}

float vnoise(vec2 p)
{
    vec2 i = floor(p);
    vec2 f = fract(p);
    f = f * f * (3.0 - 2.0 * f);
    return mix(mix(hash(i), hash(i + vec2(1.0, 0.0)), f.x),
               mix(hash(i + vec2(0.0, 1.0)), hash(i + vec2(1.0, 1.0)), f.x), f.y);
}

float fbm(vec2 p)
{
    float v = 0.0;
    float a = 0.5;
    for (int i = 0; i < 4; i++) {
        v += a * vnoise(p);
        p = p * 2.1 + vec2(3.1, 1.7);
        a *= 0.5;
    }
    return v;
}

// The cube in its own frame: the ray is turned instead of the cube.
float box(vec3 p)
{
    vec3 q = abs(p) - vec3(0.55);
    return length(max(q, 0.0)) + min(max(q.x, max(q.y, q.z)), 0.0) - 0.05;
}

void main()
{
    float t = time * 2.322;
    float st = statetime * 2.322;
    int s = int(mod(float(state), 4.0));
    vec3 band = clamp(fft.xyw * 0.1, 0.0, 1.0);
    vec2 p = (texCoord - 0.5) * vec2(640.0 / 360.0, 1.0);

    float spin = t * 0.5 + (s == 2 ? absfft.x * 0.004 : 0.0);
    float ca = cos(spin), sa = sin(spin);
    float cb = cos(spin * 0.7 + 0.5), sb = sin(spin * 0.7 + 0.5);
    mat3 rot = mat3(ca, 0.0, sa, 0.0, 1.0, 0.0, -sa, 0.0, ca) * mat3(1.0, 0.0, 0.0, 0.0, cb, sb, 0.0, -sb, cb);

    vec3 ro = rot * vec3(0.0, 0.15, -3.2);
    vec3 rd = rot * normalize(vec3(p.x, p.y - 0.05, 1.6));
    float dist = 0.0;
    float mind = 10.0;
    float d = 1.0;
    for (int i = 0; i < 40; i++) {
        d = box(ro + rd * dist);
        mind = min(mind, d);
        if (d < 0.002 || dist > 6.0) break;
        dist += d;
    }

    // How strongly it burns, per state.
    float heat = s == 0 ? 0.35 + 0.25 * smoothstep(0.0, 4.0, st) : 1.0;
    heat *= 0.75 + 0.45 * band.x;

    // Flames: noise rising upwards, shaped around the cube's outline.
    vec2 fq = vec2(p.x * 3.0, p.y * 2.0 - t * 1.6);
    float n = fbm(fq + vec2(0.0, vnoise(fq * 0.7 + t * 0.3)));
    float above = clamp(p.y + 0.6, 0.0, 1.6);
    float flame = exp(-mind * (3.5 - 1.5 * heat)) * (0.6 + above) * n * 1.3 * heat;
    flame -= 0.15 * (1.0 - above);
    flame = clamp(flame, 0.0, 1.5);
    vec3 fire = s == 3 ? vec3(flame * flame * 0.6, flame * 0.9, flame * 1.6)
                       : vec3(flame * 1.6, flame * flame * 1.0, flame * flame * flame * 0.5);

    // The curtain behind, lit red by the fire.
    vec3 back = texture2D(texture0, vec2(texCoord.x * 2.0, 1.0 - texCoord.y)).rgb;
    vec3 col = back * (0.1 + 0.4 * exp(-abs(p.x) * 2.0) * heat);

    if (d < 0.01) {
        vec3 pos = ro + rd * dist;
        vec2 e = vec2(0.002, 0.0);
        vec3 lnor = normalize(vec3(box(pos + e.xyy) - box(pos - e.xyy),
                                  box(pos + e.yxy) - box(pos - e.yxy),
                                  box(pos + e.yyx) - box(pos - e.yyx)));
        vec3 lp = pos;
        vec3 nor = lnor * rot;  // back to the world frame
        // Glowing cracks in the charred faces.
        vec2 fuv = abs(lnor.x) > 0.5 ? lp.yz : (abs(lnor.y) > 0.5 ? lp.xz : lp.xy);
        vec2 cq = fuv * 4.0 + t * 0.2;
        float crack = vnoise(cq) * 0.65 + vnoise(cq * 2.3 + 5.1) * 0.35;
        float glow = smoothstep(0.52, 0.5, abs(crack - 0.5) + 0.45) * heat;
        float diff = clamp(dot(nor, normalize(vec3(0.4, 0.8, -0.6))), 0.0, 1.0);
        vec3 ember = s == 3 ? vec3(0.3, 0.7, 1.5) : vec3(1.6, 0.6, 0.1);
        col = vec3(0.08, 0.06, 0.05) * (0.3 + diff) + ember * glow * (0.6 + 0.6 * band.y);
        col += ember * 0.25 * heat * clamp(-nor.y, 0.0, 1.0);  // lit from the fire below
    }
    col += fire;

    // The title, wavering in the heat; it rises into place in state 0.
    float rise = s == 0 ? (1.0 - smoothstep(0.0, 3.0, st)) * 0.3 : 0.0;
    vec2 shake = s == 2 ? vec2(sin(t * 40.0), cos(t * 33.0)) * 0.006 * band.x : vec2(0.0);
    vec2 tu = vec2(texCoord.x, (texCoord.y - 0.78 + rise) * 2.4 + 0.5) + shake;
    tu.x += (vnoise(vec2(texCoord.y * 30.0, t * 3.0)) - 0.5) * 0.01 * heat;
    vec4 title = bitmap(texture1, tu);
    float inside = step(0.0, tu.y) * step(tu.y, 1.0);
    float ink = title.a * max(title.r, max(title.g, title.b)) * inside;
    vec3 tcol = s == 3 ? vec3(0.7, 0.9, 1.0) : vec3(1.0, 0.85, 0.5);
    col = mix(col, tcol * (1.0 + 0.5 * band.z), ink * (s == 0 ? smoothstep(0.0, 2.0, st) : 1.0));
    gl_FragColor = vec4(col, 1.0);
}
