#version 120
// The tower's cubes from one buffer: positions and normals already in the
// world, the colour per vertex; the rest as "materials/standard".
attribute vec3 va_position;
attribute vec3 va_normal;
attribute vec3 va_color;

varying vec3 vViewPos;
varying vec3 vViewNormal;
varying vec4 vColor;

void main() {
  vec4 viewPos = gl_ModelViewMatrix * vec4(va_position, 1.0);
  vViewPos = viewPos.xyz;
  vViewNormal = gl_NormalMatrix * va_normal;
  vColor = vec4(va_color, 1.0);
  gl_Position = gl_ProjectionMatrix * viewPos;
}
