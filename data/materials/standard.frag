#version 120
uniform float sun_ymin;
uniform float sun_ymax;
uniform mat4 mat_sun_view2uv;
uniform mat4 mat_view2world;
uniform sampler2D sun_shadowmap;

varying vec3 vViewPos;
varying vec3 vViewNormal;
varying vec4 vColor;

// The map holds, per texel, how far below the top of the shadow volume the
// highest occluder lies (0..1, two bytes); cleared texels read above 1.
float occluderDepth(vec2 uv) {
  vec4 t = texture2D(sun_shadowmap, uv);
  return t.r + t.g / 255.0;
}

float sunVisibility(vec3 viewPos, float worldY) {
  vec2 uv = (mat_sun_view2uv * vec4(viewPos, 1.0)).xy;
  if (uv.x < 0.0 || uv.x > 1.0 || uv.y < 0.0 || uv.y > 1.0) return 1.0;
  float depth = (sun_ymax - worldY) / (sun_ymax - sun_ymin);
  float lit = 0.0;
  float texel = 1.0 / 1024.0;
  for (int y = -1; y <= 1; ++y) {
    for (int x = -1; x <= 1; ++x) {
      lit += depth <= occluderDepth(uv + vec2(float(x), float(y)) * texel * 1.5) + 0.004 ? 1.0 : 0.0;
    }
  }
  return lit / 9.0;
}

void main() {
  vec3 worldPos = (mat_view2world * vec4(vViewPos, 1.0)).xyz;
  vec3 n = normalize(mat3(mat_view2world) * vViewNormal);
  vec3 eye = (mat_view2world * vec4(0.0, 0.0, 0.0, 1.0)).xyz;
  vec3 v = normalize(eye - worldPos);
  vec3 sunDir = vec3(0.0, 1.0, 0.0);
  float sun = max(dot(n, sunDir), 0.0) * sunVisibility(vViewPos, worldPos.y);
  vec3 sky = mix(vec3(0.10, 0.09, 0.12), vec3(0.30, 0.34, 0.46), n.y * 0.5 + 0.5);
  // warm bounce from the horizon, where the evening light still comes from
  vec3 bounce = vec3(0.35, 0.22, 0.14) * max(dot(n, normalize(vec3(0.6, 0.15, 0.8))), 0.0);
  vec3 albedo = max(vColor.rgb, vec3(0.0));
  vec3 colour = albedo * (vec3(1.25, 1.15, 0.95) * sun + sky + bounce);
  float spec = pow(max(dot(reflect(-sunDir, n), v), 0.0), 24.0) * sun;
  colour += vec3(0.5, 0.45, 0.35) * spec;
  // a marker colour may go negative while it blinks out: it glows then not at all
  colour += albedo * 0.15;
  gl_FragData[0] = vec4(colour, 1.0);
  gl_FragData[1] = vec4(-vViewPos.z, normalize(vViewNormal));
}
