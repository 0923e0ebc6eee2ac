#version 120
// Cloud particles: each quad's corners spread from its centre across the
// camera's right and up directions.
attribute vec3 va_pos;
attribute vec2 va_displacement;
attribute float va_radius;
attribute vec4 va_color;

uniform vec3 cameraRight;
uniform vec3 cameraUp;
uniform mat4 mat_view2world;
uniform vec4 buffycolly;

varying vec2 vUV;
varying vec4 vColor;

void main() {
  vec3 world = va_pos + (cameraRight * va_displacement.x + cameraUp * va_displacement.y) * va_radius;
  vUV = va_displacement * 0.5 + 0.5;
  vec3 eye = (mat_view2world * vec4(0.0, 0.0, 0.0, 1.0)).xyz;
  // particles fade out as the camera comes close to them
  float near = clamp((distance(eye, va_pos) - va_radius) / (va_radius * 2.0), 0.0, 1.0);
  vColor = va_color * buffycolly;
  vColor.a *= near;
  gl_Position = gl_ModelViewProjectionMatrix * vec4(world, 1.0);
}
