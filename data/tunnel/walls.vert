#version 120
// Wall segments: lit per pixel in eye space by a light at the camera.
attribute vec3 va_position;
attribute vec3 va_normal;

varying vec3 vEye;
varying vec3 vNormal;
varying vec3 vLocal;
varying vec4 vColor;

void main() {
  vec4 eye = gl_ModelViewMatrix * vec4(va_position, 1.0);
  vEye = eye.xyz;
  vNormal = gl_NormalMatrix * va_normal;
  vLocal = va_position;
  vColor = gl_Color;
  gl_Position = gl_ProjectionMatrix * eye;
}
