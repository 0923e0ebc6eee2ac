#version 120
// The water planet: sea and islands, and the net drawn over them.
attribute vec3 va_position;
attribute vec3 va_normal;

varying vec3 vViewPos;
varying vec3 vViewNormal;
varying vec4 vColor;
varying vec3 vObjectPos;

void main() {
  vec4 viewPos = gl_ModelViewMatrix * vec4(va_position, 1.0);
  vViewPos = viewPos.xyz;
  vViewNormal = gl_NormalMatrix * va_normal;
  vColor = gl_Color;
  vObjectPos = va_position;
  gl_Position = gl_ProjectionMatrix * viewPos;
}
