#version 120
// The sprite's picture tinted by the current colour.
uniform sampler2D texture;
varying vec2 vUv;
varying vec4 vColor;

void main() {
  gl_FragColor = texture2D(texture, vUv) * vColor;
}
