#version 120
uniform float animateSlider;
uniform float sun_ymin;
uniform float sun_ymax;
uniform mat4 mat_sun_view2uv;
uniform mat4 mat_view2world;
uniform sampler2D sun_shadowmap;

varying vec3 vViewPos;
varying vec3 vViewNormal;
varying vec4 vColor;
varying vec3 vObjectPos;

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
      lit += depth <= occluderDepth(uv + vec2(float(x), float(y)) * texel * 2.0) + 0.004 ? 1.0 : 0.0;
    }
  }
  return lit / 9.0;
}

// Small travelling waves as a tilt of the normal.
vec3 waves(vec3 p, float t) {
  vec2 g = vec2(0.0);
  g += vec2(0.8, 0.6) * cos(dot(p.xz, vec2(0.8, 0.6)) * 0.9 + t * 1.3) * 0.10;
  g += vec2(-0.5, 0.85) * cos(dot(p.xz, vec2(-0.5, 0.85)) * 1.7 + t * 1.9) * 0.07;
  g += vec2(0.3, -0.95) * cos(dot(p.xz, vec2(0.3, -0.95)) * 3.1 + t * 2.6) * 0.05;
  g += vec2(-0.9, -0.4) * cos(dot(p.xz, vec2(-0.9, -0.4)) * 5.3 + t * 3.3) * 0.03;
  return vec3(-g.x, 0.0, -g.y);
}

void main() {
  vec3 worldPos = (mat_view2world * vec4(vViewPos, 1.0)).xyz;
  vec3 n = normalize(mat3(mat_view2world) * vViewNormal);
  vec3 eye = (mat_view2world * vec4(0.0, 0.0, 0.0, 1.0)).xyz;
  vec3 v = normalize(eye - worldPos);
  vec3 sunDir = vec3(0.0, 1.0, 0.0);
  float shadow = sunVisibility(vViewPos, worldPos.y);
  vec3 sky = vec3(0.22, 0.25, 0.36);
  vec3 colour;

  bool net = vColor.r > 0.45;
  float land = length(vObjectPos) - 1.0;
  if (net) {
    // the net over the sea glows faintly, brighter where the sun reaches
    colour = vec3(0.07, 0.20, 0.27) * (0.5 + 0.5 * shadow) * vColor.rgb * 2.0;
  } else if (land > 0.0004) {
    float h = clamp(land / 0.012, 0.0, 1.0);
    vec3 albedo = mix(vec3(0.62, 0.55, 0.38), vec3(0.22, 0.38, 0.16), smoothstep(0.05, 0.4, h));
    albedo = mix(albedo, vec3(0.45, 0.42, 0.40), smoothstep(0.7, 1.0, h));
    float sun = max(dot(n, sunDir), 0.0) * shadow;
    colour = albedo * (vec3(1.2, 1.1, 0.9) * sun + sky * (n.y * 0.5 + 0.5) * 0.8);
  } else {
    vec3 wn = normalize(n + waves(worldPos, animateSlider));
    float fresnel = 0.04 + 0.96 * pow(1.0 - max(dot(wn, v), 0.0), 5.0);
    vec3 deep = mix(vec3(0.03, 0.16, 0.24), vColor.rgb * 0.5, 0.3);
    vec3 body = deep + vec3(0.05, 0.24, 0.26) * max(dot(wn, sunDir), 0.0) * shadow;
    vec3 reflected = mix(vec3(0.16, 0.14, 0.24), vec3(0.55, 0.55, 0.72), clamp(reflect(-v, wn).y * 1.5, 0.0, 1.0));
    colour = mix(body, reflected * (0.4 + 0.6 * shadow), fresnel);
    float spec = pow(max(dot(reflect(-sunDir, wn), v), 0.0), 80.0);
    colour += vec3(1.0, 0.9, 0.7) * spec * shadow * 1.5;
    // glitter of the low evening light on the crests
    vec3 low = normalize(vec3(0.6, 0.15, 0.8));
    colour += vec3(0.9, 0.55, 0.3) * pow(max(dot(reflect(-low, wn), v), 0.0), 40.0) * 0.6;
    colour *= 0.45 + 0.55 * shadow;
  }
  gl_FragData[0] = vec4(colour, 1.0);
  gl_FragData[1] = vec4(-vViewPos.z, normalize(vViewNormal));
}
