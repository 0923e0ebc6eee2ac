#version 120
// The tower's cubes and marker: lit by the sun overhead, shadowed through
// the sun's height map.
attribute vec3 va_position;
attribute vec3 va_normal;

varying vec3 vViewPos;
varying vec3 vViewNormal;
varying vec4 vColor;

void main() {
  vec4 viewPos = gl_ModelViewMatrix * vec4(va_position, 1.0);
  vViewPos = viewPos.xyz;
  vViewNormal = gl_NormalMatrix * va_normal;
  vColor = gl_Color;
  gl_Position = gl_ProjectionMatrix * viewPos;
}
