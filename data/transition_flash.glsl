#version 120
// Flash: the picture burns out towards the flash colour, cuts to the incoming
// scene at the height of the flash and fades back down.
uniform sampler2D texture0;
uniform sampler2D texture1;
uniform float timingProgress;
uniform float blend;
uniform vec3 color;
varying vec2 texCoord;

void main()
{
    vec4 a = texture2D(texture0, texCoord);
    vec4 b = texture2D(texture1, texCoord);
    float p = clamp(timingProgress, 0.0, 1.0);
    // 0 at both ends, 1 at the middle, with a sharp peak.
    float sn = max(sin(p * 3.14159265), 0.0);  // no negative base at p = 1
    float flash = 0.8 * sn * sn * sn * sn;
    vec3 scene = mix(a.rgb, b.rgb, step(0.5, blend));
    vec3 col = mix(scene, color, flash);
    // Bright parts of the pictures bloom into the flash first.
    col += color * flash * 0.3 * dot(scene, vec3(0.333));
    gl_FragColor = vec4(min(col, vec3(1.0)), 1.0);
}
