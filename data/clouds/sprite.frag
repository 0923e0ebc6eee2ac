#version 120
uniform sampler2D billboardTex;

varying vec2 vUV;
varying vec4 vColor;

void main() {
  vec4 puff = texture2D(billboardTex, vUV);
  // the evening light: gold on the bright tops, lavender in the shade
  vec3 lit = vColor.rgb * puff.rgb;
  vec3 tint = mix(vec3(0.75, 0.72, 0.95), vec3(1.25, 1.05, 0.85), clamp(lit.r - 0.3, 0.0, 1.0));
  gl_FragColor = vec4(lit * tint, clamp(puff.a * vColor.a * 2.2, 0.0, 1.0));
}
