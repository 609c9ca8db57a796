// What the lit and body families bind, and the lighting they share. Lights
// come in the object's own space (the material transforms them with the
// inverse world matrix), so shading runs on object-space positions and
// normals; only the hemisphere ambient needs the world normal, which the
// inverse world matrix gives too (normals transform by its transpose).
#include "Common.fxh"
#include "Noise.fxh"

parameter mat4 gWorldViewProj : WORLDVIEWPROJECTION;
parameter mat4 gWorldInv : WORLDINV;
parameter vec4 gLightDirection : LIGHTDIRECTION;
parameter vec4 gLightColour : LIGHTCOLOR;
parameter vec4 gLightPosition : LIGHTPOSITION;
parameter vec4 gLightAttenuation : LIGHTATTENUATION;
parameter vec4 gEyePosition : EYEPOSITION;
parameter vec4 gAmbient : SCENEAMBIENT;
parameter vec4 gSkyDirection : SCENESKYDIR;
parameter vec4 gSkyColour : SCENESKYCOLOR;
parameter vec4 gGroundColour : SCENEGROUNDCOLOR;
parameter vec4 gDiffuse : DIFFUSECOLOR;
parameter vec4 gSpecular : SPECULARCOLOR;
parameter int gPower : SPECULARPOWER;
parameter vec4 gCookTorrance : COOKTORRANCE;
parameter vec4 gRoughness : ROUGHNESS;
parameter vec4 gCustom : CUSTOMDATA0;
parameter vec4 gTimer : TIMER;
parameter sampler2D gBase : BASETEXTURE0;
parameter sampler3D gNoise : LOOKUPTEXTURE0
    < string function = "NoiseLookUpFill"; string name = "NoiseLookUp"; string type = "volume";
      int width = 32; int height = 32; int depth = 32; >;
parameter sampler2D gFresnel : LOOKUPTEXTURE1
    < string function = "FresnelLookUpFill"; string name = "FresnelLookUp";
      int width = 64; int height = 1; int format = 51; >;

glsl {
    // One shaded point: object-space position, normal and direction to the
    // eye, the world normal, texture coordinate and the unlit colour.
    struct Surface {
        vec3 position;
        vec3 normal;
        vec3 toEye;
        vec3 worldNormal;
        vec2 uv;
        vec4 albedo;
    };

    // One light at a point: unit direction toward the light and its colour
    // after attenuation.
    struct LightSample {
        vec3 toLight;
        vec3 colour;
    };

    vec3 EyeInObjectSpace() { return (vec4(gEyePosition.xyz, 1.0) * gWorldInv).xyz; }

    vec3 WorldNormal(vec3 objectNormal) {
        vec3 n = (gWorldInv * vec4(objectNormal, 0.0)).xyz;
        float len = length(n);
        return len > 1e-6 ? n / len : vec3(0.0, 1.0, 0.0);
    }

    vec3 SafeNormalize(vec3 v, vec3 fallback) {
        float len = length(v);
        return len > 1e-6 ? v / len : fallback;
    }

    LightSample DirectionalLight() {
        LightSample l;
        l.toLight = SafeNormalize(-gLightDirection.xyz, vec3(0.0, 1.0, 0.0));
        l.colour = gLightColour.rgb;
        return l;
    }

    // 1 / (a0 + a1 d + a2 d^2), never brighter than the light itself, and
    // faded smoothly to nothing at the light's range.
    LightSample PointLight(vec3 position) {
        LightSample l;
        vec3 d = gLightPosition.xyz - position;
        float dist = length(d);
        l.toLight = dist > 1e-6 ? d / dist : vec3(0.0, 1.0, 0.0);
        float falloff = gLightAttenuation.x + gLightAttenuation.y * dist + gLightAttenuation.z * dist * dist;
        float attenuation = falloff > 1e-4 ? min(1.0 / falloff, 1.0) : 1.0;
        float range = gLightAttenuation.w;
        float window = range > 0.0 ? Saturate(1.0 - (dist * dist) / (range * range)) : 1.0;
        l.colour = gLightColour.rgb * attenuation * window * window;
        return l;
    }

    // Scene ambient plus a sky-to-ground hemisphere by the world normal.
    vec3 HemisphereAmbient(vec3 worldNormal) {
        vec3 sky = SafeNormalize(gSkyDirection.xyz, vec3(0.0, 1.0, 0.0));
        float up = 0.5 + 0.5 * dot(worldNormal, sky);
        return gAmbient.rgb + mix(gGroundColour.rgb, gSkyColour.rgb, up) * 0.25;
    }

    float Lambert(Surface s, LightSample l) { return max(dot(s.normal, l.toLight), 0.0); }

    // Blinn-Phong, zero where the light is behind the surface.
    float BlinnPhong(Surface s, LightSample l, float exponent) {
        if (dot(s.normal, l.toLight) <= 0.0) return 0.0;
        vec3 h = SafeNormalize(l.toLight + s.toEye, s.normal);
        return pow(max(dot(s.normal, h), 0.0), exponent);
    }

    float SpecularExponent() { return max(float(gPower), 1.0); }

    // Reflectance and rim terms by the view angle, from "FresnelLookUp".
    vec2 FresnelAndRim(Surface s) {
        vec4 f = texture(gFresnel, vec2(Saturate(dot(s.normal, s.toEye)), 0.5));
        return vec2(f.r, f.a);
    }

    // The noise volume at an object-space point; wraps.
    vec4 NoiseAt(vec3 p) { return texture(gNoise, p); }

    // A normal bent by the slope of a scalar field f sampled around p.
    vec3 BumpedNormal(vec3 n, vec3 p, float scale, float strength) {
        float e = 0.01;
        float f0 = NoiseAt(p * scale).a;
        vec3 grad = vec3(NoiseAt((p + vec3(e, 0.0, 0.0)) * scale).a - f0,
                         NoiseAt((p + vec3(0.0, e, 0.0)) * scale).a - f0,
                         NoiseAt((p + vec3(0.0, 0.0, e)) * scale).a - f0) / e;
        grad -= n * dot(grad, n);
        return SafeNormalize(n - grad * strength, n);
    }
}
