#include "backend/gpu/GpuShaderSource.h"

#include "backend/gpu/GpuTypes.h"

#include <string>

namespace backend {

size_t GpuShaderKeyHash::operator()(const GpuShaderKey& key) const
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(&key);
    uint64_t hash = 1469598103934665603ull;
    for (size_t i = 0; i < sizeof(key); ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return size_t(hash);
}

namespace {

std::string Num(uint32_t value)
{
    return std::to_string(value);
}

// Vertex colour of the kind a material source names, or the material's own.
std::string ColorSource(const GpuShaderKey& key, GpuColorFrom from, const char* material)
{
    if (from == GpuColorFrom::Diffuse && key.hasDiffuse)
        return "a_diffuse.bgra";
    if (from == GpuColorFrom::Specular && key.hasSpecular)
        return "a_specular.bgra";
    return material;
}

// The coordinate a stage reads, before its texture matrix, as a vec4.
std::string StageCoordinate(const GpuShaderKey& key, const GpuShaderStageKey& stage)
{
    switch (stage.coordSource) {
    case 1:
        return "vec4(eyeNormal, 1.0)";
    case 2:
        return "vec4(eyePosition.xyz, 1.0)";
    case 3:
        return "vec4(reflect(normalize(eyePosition.xyz), eyeNormal), 1.0)";
    default:
        break;
    }
    if (stage.coordSet == 0xFF || stage.coordSet >= key.texCoordCount)
        return "vec4(0.0, 0.0, 0.0, 1.0)";
    std::string name = "a_texcoord" + Num(stage.coordSet);
    switch (key.texCoordSizes[stage.coordSet]) {
    case 1:
        return "vec4(" + name + ".x, 1.0, 0.0, 0.0)";
    case 3:
        return "vec4(" + name + ".xyz, 1.0)";
    case 4:
        return name;
    default: // a two-component set meets the matrix as (u, v, 1, 0)
        return "vec4(" + name + ".xy, 1.0, 0.0)";
    }
}

// One enabled light's share of the lit colour; the program has one per light.
std::string LightTerm(const GpuShaderKey& key, const std::string& i)
{
    std::string s = "    {\n        vec3 l = u_lightToward[" + i + "];\n";
    s += "        ambient += u_lightAmbient[" + i + "].rgb;\n";
    s += "        float nl = dot(eyeNormal, l);\n";
    s += "        if (nl > 0.0) {\n";
    s += "            diffuse += u_lightDiffuse[" + i + "].rgb * nl;\n";
    if (key.specularEnable) {
        s += "            vec3 h = normalize(l + toEye);\n";
        s += "            float nh = max(dot(eyeNormal, h), 0.0);\n";
        s += "            if (nh > 0.0) // power 0 gives a flat highlight, as (N.H)^0 = 1\n";
        s += "                specular += u_lightSpecular[" + i + "].rgb * pow(nh, u_matPower);\n";
    }
    s += "        }\n    }\n";
    return s;
}

} // namespace

std::string GpuVertexShaderSource(const GpuShaderKey& key)
{
    std::string s = "#version 120\n";
    s += "attribute vec4 a_position;\n";
    if (key.hasNormal)
        s += "attribute vec3 a_normal;\n";
    if (key.hasDiffuse)
        s += "attribute vec4 a_diffuse;\n";
    if (key.hasSpecular)
        s += "attribute vec4 a_specular;\n";
    for (uint32_t i = 0; i < key.texCoordCount; ++i)
        s += "attribute vec4 a_texcoord" + Num(i) + ";\n";
    // D3D samples a pixel at its whole-numbered centre and GL half a pixel on;
    // moving the geometry just short of half a pixel samples where D3D does and
    // settles points on an edge the way D3D does (left and top edges drawn).
    s += "const float PIXEL_SHIFT = 0.5 - 1.0 / 64.0;\n";
    s += R"(uniform mat4 u_worldView;
uniform mat4 u_projection;
uniform mat3 u_normalMatrix;
uniform float u_flipY;
uniform vec4 u_viewport;
uniform mat4 u_texMatrix[8];
uniform vec3 u_lightToward[8];
uniform vec4 u_lightDiffuse[8];
uniform vec4 u_lightSpecular[8];
uniform vec4 u_lightAmbient[8];
uniform vec4 u_matDiffuse;
uniform vec4 u_matAmbient;
uniform vec4 u_matSpecular;
uniform vec4 u_matEmissive;
uniform float u_matPower;
uniform vec4 u_globalAmbient;
varying vec4 v_diffuse;
varying vec4 v_specular;
)";
    for (uint32_t i = 0; i < key.stageCount; ++i)
        s += "varying vec4 v_tc" + Num(i) + ";\n";
    s += "void main()\n{\n";
    if (key.pretransformed) {
        // Screen pixels with D3D's pixel centres at whole numbers; rhw is 1/w.
        s += R"(    float w = a_position.w != 0.0 ? 1.0 / a_position.w : 1.0;
    vec2 ndc = (a_position.xy + PIXEL_SHIFT - u_viewport.xy) / u_viewport.zw * 2.0 - 1.0;
    ndc.y = -u_flipY * ndc.y;
    gl_Position = vec4(ndc, 2.0 * a_position.z - 1.0, 1.0) * w;
    vec4 eyePosition = vec4(a_position.xyz, 1.0);
    vec3 eyeNormal = vec3(0.0);
)";
    } else {
        s += "    vec4 eyePosition = u_worldView * vec4(a_position.xyz, 1.0);\n";
        s += "    vec4 clip = u_projection * eyePosition;\n";
        // Depth 0..w becomes -w..w; into a texture the picture is turned upside down.
        s += "    gl_Position = vec4(clip.x, u_flipY * clip.y, 2.0 * clip.z - clip.w, clip.w);\n";
        s += "    gl_Position.xy += PIXEL_SHIFT * vec2(2.0, -2.0 * u_flipY) / u_viewport.zw * clip.w;\n";
        if (key.hasNormal) {
            s += "    vec3 eyeNormal = u_normalMatrix * a_normal;\n";
            if (key.normalizeNormals)
                s += "    eyeNormal = normalize(eyeNormal);\n";
        } else {
            s += "    vec3 eyeNormal = vec3(0.0);\n";
        }
    }
    std::string vertexDiffuse = key.hasDiffuse ? "a_diffuse.bgra" : "vec4(1.0)";
    std::string vertexSpecular = key.hasSpecular ? "a_specular.bgra" : "vec4(0.0)";
    if (key.lighting && !key.pretransformed) {
        s += "    vec4 md = " + ColorSource(key, key.diffuseFrom, "u_matDiffuse") + ";\n";
        s += "    vec4 ma = " + ColorSource(key, key.ambientFrom, "u_matAmbient") + ";\n";
        s += "    vec4 ms = " + ColorSource(key, key.specularFrom, "u_matSpecular") + ";\n";
        s += "    vec4 me = " + ColorSource(key, key.emissiveFrom, "u_matEmissive") + ";\n";
        s += R"(    vec3 ambient = u_globalAmbient.rgb;
    vec3 diffuse = vec3(0.0);
    vec3 specular = vec3(0.0);
)";
        s += key.localViewer ? "    vec3 toEye = -normalize(eyePosition.xyz);\n"
                             : "    vec3 toEye = vec3(0.0, 0.0, -1.0);\n";
        for (uint32_t i = 0; i < key.lightCount; ++i)
            s += LightTerm(key, Num(i));
        s += R"(    v_diffuse = clamp(vec4(me.rgb + ma.rgb * ambient + md.rgb * diffuse, md.a), 0.0, 1.0);
    v_specular = clamp(vec4(ms.rgb * specular, 0.0), 0.0, 1.0);
)";
    } else {
        s += "    v_diffuse = " + vertexDiffuse + ";\n";
        s += "    v_specular = " + vertexSpecular + ";\n";
    }
    for (uint32_t i = 0; i < key.stageCount; ++i) {
        const GpuShaderStageKey& stage = key.stages[i];
        std::string coordinate = StageCoordinate(key, stage);
        if (stage.transformCount == 0) {
            s += "    v_tc" + Num(i) + " = " + coordinate + ";\n";
        } else {
            s += "    v_tc" + Num(i) + " = u_texMatrix[" + Num(i) + "] * " + coordinate + ";\n";
            if (stage.transformCount < 4) // later components are not produced
                s +=
                    "    v_tc" + Num(i) + "." + std::string("yzw").substr(stage.transformCount - 1) + " = " +
                    (stage.transformCount == 3 ? std::string("0.0") : "vec" + Num(4 - stage.transformCount) + "(0.0)") +
                    ";\n";
        }
    }
    s += "}\n";
    return s;
}

namespace {

std::string Argument(uint32_t arg, uint32_t stage)
{
    std::string value;
    switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE:
        value = "v_diffuse";
        break;
    case D3DTA_TEXTURE:
        value = "t" + Num(stage);
        break;
    case D3DTA_TFACTOR:
        value = "u_tfactor";
        break;
    case D3DTA_SPECULAR:
        value = "v_specular";
        break;
    default: // CURRENT (and TEMP, which nothing here writes)
        value = "current";
        break;
    }
    if (arg & D3DTA_ALPHAREPLICATE)
        value = "vec4(" + value + ".a)";
    if (arg & D3DTA_COMPLEMENT)
        value = "(vec4(1.0) - " + value + ")";
    return value;
}

// One operation on whole vec4 arguments; the caller keeps rgb or a.
std::string Operation(uint32_t op, const std::string& a1, const std::string& a2, uint32_t stage)
{
    std::string t = "t" + Num(stage);
    switch (op) {
    case D3DTOP_SELECTARG1:
        return a1;
    case D3DTOP_SELECTARG2:
        return a2;
    case D3DTOP_MODULATE:
        return a1 + " * " + a2;
    case D3DTOP_MODULATE2X:
        return a1 + " * " + a2 + " * 2.0";
    case D3DTOP_MODULATE4X:
        return a1 + " * " + a2 + " * 4.0";
    case D3DTOP_ADD:
        return a1 + " + " + a2;
    case D3DTOP_ADDSIGNED:
        return a1 + " + " + a2 + " - vec4(0.5)";
    case D3DTOP_SUBTRACT:
        return a1 + " - " + a2;
    case D3DTOP_BLENDDIFFUSEALPHA:
        return "mix(" + a2 + ", " + a1 + ", v_diffuse.a)";
    case D3DTOP_BLENDTEXTUREALPHA:
        return "mix(" + a2 + ", " + a1 + ", " + t + ".a)";
    case D3DTOP_BLENDFACTORALPHA:
        return "mix(" + a2 + ", " + a1 + ", u_tfactor.a)";
    case D3DTOP_BLENDCURRENTALPHA:
        return "mix(" + a2 + ", " + a1 + ", current.a)";
    case D3DTOP_DOTPRODUCT3:
        return "vec4(clamp(4.0 * dot((" + a1 + ").rgb - 0.5, (" + a2 + ").rgb - 0.5), 0.0, 1.0))";
    default: // operations the device does not know (it logs them) pass the current value on
        return "current";
    }
}

} // namespace

bool GpuTextureOpImplemented(uint32_t op)
{
    switch (op) {
    case D3DTOP_DISABLE:
    case D3DTOP_SELECTARG1:
    case D3DTOP_SELECTARG2:
    case D3DTOP_MODULATE:
    case D3DTOP_MODULATE2X:
    case D3DTOP_MODULATE4X:
    case D3DTOP_ADD:
    case D3DTOP_ADDSIGNED:
    case D3DTOP_SUBTRACT:
    case D3DTOP_BLENDDIFFUSEALPHA:
    case D3DTOP_BLENDTEXTUREALPHA:
    case D3DTOP_BLENDFACTORALPHA:
    case D3DTOP_BLENDCURRENTALPHA:
    case D3DTOP_DOTPRODUCT3:
        return true;
    default:
        return false;
    }
}

namespace {

bool ReadsTexture(uint32_t arg)
{
    return (arg & D3DTA_SELECTMASK) == D3DTA_TEXTURE;
}

std::string Compare(uint32_t func)
{
    switch (func) {
    case D3DCMP_NEVER:
        return "false";
    case D3DCMP_LESS:
        return "a < ref";
    case D3DCMP_EQUAL:
        return "a == ref";
    case D3DCMP_LESSEQUAL:
        return "a <= ref";
    case D3DCMP_GREATER:
        return "a > ref";
    case D3DCMP_NOTEQUAL:
        return "a != ref";
    case D3DCMP_GREATEREQUAL:
        return "a >= ref";
    default:
        return "true";
    }
}

} // namespace

bool GpuStageReadsTexture(const GpuShaderStageKey& stage)
{
    bool colorReads =
        ReadsTexture(stage.colorArg1) || ReadsTexture(stage.colorArg2) || stage.colorOp == D3DTOP_BLENDTEXTUREALPHA;
    bool alphaReads =
        stage.alphaOp != D3DTOP_DISABLE &&
        (ReadsTexture(stage.alphaArg1) || ReadsTexture(stage.alphaArg2) || stage.alphaOp == D3DTOP_BLENDTEXTUREALPHA);
    return colorReads || alphaReads;
}

std::string GpuFragmentShaderSource(const GpuShaderKey& key)
{
    std::string s = "#version 120\n";
    s += "uniform vec4 u_tfactor;\nuniform float u_alphaRef;\n";
    s += "varying vec4 v_diffuse;\nvarying vec4 v_specular;\n";
    for (uint32_t i = 0; i < key.stageCount; ++i) {
        s += "varying vec4 v_tc" + Num(i) + ";\n";
        s += std::string("uniform ") + (key.stages[i].texKind == GpuTexKind::Cube ? "samplerCube" : "sampler2D") +
             " u_tex" + Num(i) + ";\n";
    }
    s += "void main()\n{\n    vec4 current = v_diffuse;\n";
    for (uint32_t i = 0; i < key.stageCount; ++i) {
        const GpuShaderStageKey& stage = key.stages[i];
        std::string n = Num(i);
        if (GpuStageReadsTexture(stage)) {
            if (stage.texKind == GpuTexKind::Cube)
                s += "    vec4 t" + n + " = textureCube(u_tex" + n + ", v_tc" + n + ".xyz);\n";
            else
                s += "    vec4 t" + n + " = texture2D(u_tex" + n + ", v_tc" + n + ".xy);\n";
        } else {
            s += "    vec4 t" + n + " = vec4(1.0);\n";
        }
        std::string color = Operation(stage.colorOp, Argument(stage.colorArg1, i), Argument(stage.colorArg2, i), i);
        if (stage.colorOp == D3DTOP_DOTPRODUCT3) {
            // The dot product goes to all four channels, whatever the alpha op says.
            s += "    current = clamp(" + color + ", 0.0, 1.0);\n";
            continue;
        }
        s += "    vec3 rgb" + n + " = (" + color + ").rgb;\n";
        // A disabled alpha op on an enabled stage passes the current alpha on.
        std::string alpha = stage.alphaOp == D3DTOP_DISABLE ? std::string("current")
                                                            : Operation(stage.alphaOp, Argument(stage.alphaArg1, i),
                                                                        Argument(stage.alphaArg2, i), i);
        s += "    float a" + n + " = (" + alpha + ").a;\n";
        s += "    current = clamp(vec4(rgb" + n + ", a" + n + "), 0.0, 1.0);\n";
    }
    if (key.specularEnable)
        s += "    current.rgb = clamp(current.rgb + v_specular.rgb, 0.0, 1.0);\n";
    if (key.alphaFunc != D3DCMP_ALWAYS) {
        // Compared as 8-bit values, the way the reference value is given.
        s += "    float a = floor(current.a * 255.0 + 0.5);\n    float ref = u_alphaRef;\n";
        s += "    if (!(" + Compare(key.alphaFunc) + "))\n        discard;\n";
    }
    s += "    gl_FragColor = current;\n}\n";
    return s;
}

} // namespace backend
