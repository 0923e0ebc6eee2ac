#version 120
uniform sampler2D billboardTex;

varying vec2 vUV;
varying vec4 vColor;

void main() {
  vec4 puff = texture2D(billboardTex, vUV);
  // the evening tints the baked cloud colour
  vec3 tint = vec3(1.0, 0.86, 0.80);
  gl_FragColor = vec4(vColor.rgb * puff.rgb * tint, clamp(puff.a * vColor.a * 2.2, 0.0, 1.0));
}
