#version 120
// Luma dissolve: the incoming picture shows through the outgoing one in
// order of the outgoing picture's brightness, the brightest parts first,
// with a soft edge, so lights spread into the next scene.
uniform sampler2D texture0;
uniform sampler2D texture1;
uniform float blend;
varying vec2 texCoord;

void main()
{
    vec4 a = texture2D(texture0, texCoord);
    vec4 b = texture2D(texture1, texCoord);
    float luma = dot(a.rgb, vec3(0.299, 0.587, 0.114));
    float soft = 0.1;
    // The threshold sweeps from above the brightest to below the darkest.
    float k = 1.0 + soft - clamp(blend, 0.0, 1.0) * (1.0 + 2.0 * soft);
    float m = smoothstep(k - soft, k + soft, luma);
    gl_FragColor = vec4(mix(a.rgb, b.rgb, m), 1.0);
}
