#version 120
// The scene with ambient occlusion from its depth: each kernel vector picks a
// neighbour at a distance that shrinks with depth; neighbours clearly in
// front darken the pixel. Empty pixels stay transparent so the sky shows.
uniform sampler2D texColor;
uniform sampler2D texDepth;
uniform vec3 fk[32];
uniform float pTimer;

varying vec2 vUV;

void main() {
  vec4 colour = texture2D(texColor, vUV);
  if (colour.a <= 0.0) {
    gl_FragColor = vec4(0.0);
    return;
  }
  vec4 geometry = texture2D(texDepth, vUV);
  float depth = max(geometry.r, 0.2);
  // a per-pixel turn of the kernel hides its pattern
  float turn = fract(sin(dot(floor(gl_FragCoord.xy), vec2(12.9898, 78.233))) * 43758.547) * 6.2831853;
  mat2 spin = mat2(cos(turn), sin(turn), -sin(turn), cos(turn));
  float radius = 0.9 / depth;
  float range = 2.5;
  float occlusion = 0.0;
  for (int i = 0; i < 32; ++i) {
    vec2 offset = spin * fk[i].xy * radius * vec2(0.75, 1.0);
    float neighbour = texture2D(texDepth, vUV + offset * 0.12).r;
    float closer = depth - neighbour - fk[i].z * 0.4;
    if (neighbour > 0.0 && closer > 0.05) occlusion += 1.0 - smoothstep(0.0, range, closer);
  }
  occlusion = clamp(occlusion / 32.0 * 1.6, 0.0, 0.85);
  vec3 rgb = colour.rgb * (1.0 - occlusion);
  // soft shoulder for the bright float values
  rgb = rgb / (1.0 + 0.25 * max(rgb - 0.8, 0.0));
  gl_FragColor = vec4(rgb, clamp(colour.a, 0.0, 1.0));
}
