#version 120
// The sun's pass over the tower's one buffer (positions in the world).
attribute vec3 va_position;
attribute vec3 va_normal;
attribute vec3 va_color;

varying vec3 vLightPos;

void main() {
  vec4 lightPos = gl_ModelViewMatrix * vec4(va_position, 1.0);
  vLightPos = lightPos.xyz;
  gl_Position = gl_ProjectionMatrix * lightPos;
}
