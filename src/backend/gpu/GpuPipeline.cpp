#include "backend/gpu/GpuPipeline.h"

#include "backend/gpu/GlHeaders.h"
#include "backend/gpu/GpuBaseTexture.h"
#include "backend/gpu/GpuGlContext.h"
#include "backend/gpu/GpuStateBlock.h"
#include "backend/gpu/GpuVertexLayout.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace backend {

namespace {

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix out;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a.m[r][k] * b.m[k][c];
            out.m[r][c] = sum;
        }
    return out;
}

// Inverse of the upper 3x3 of m, row-major; m's own 3x3 when it is singular.
void Inverse3(const Matrix& m, float out[9])
{
    const float a = m.m[0][0], b = m.m[0][1], c = m.m[0][2];
    const float d = m.m[1][0], e = m.m[1][1], f = m.m[1][2];
    const float g = m.m[2][0], h = m.m[2][1], i = m.m[2][2];
    float det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    if (std::fabs(det) < 1e-30f) {
        const float same[9] = {a, b, c, d, e, f, g, h, i};
        std::copy(same, same + 9, out);
        return;
    }
    float s = 1.0f / det;
    out[0] = (e * i - f * h) * s;
    out[1] = (c * h - b * i) * s;
    out[2] = (b * f - c * e) * s;
    out[3] = (f * g - d * i) * s;
    out[4] = (a * i - c * g) * s;
    out[5] = (c * d - a * f) * s;
    out[6] = (d * h - e * g) * s;
    out[7] = (b * g - a * h) * s;
    out[8] = (a * e - b * d) * s;
}

void ColorToFloats(uint32_t argb, float out[4])
{
    out[0] = float((argb >> 16) & 0xFF) / 255.0f;
    out[1] = float((argb >> 8) & 0xFF) / 255.0f;
    out[2] = float(argb & 0xFF) / 255.0f;
    out[3] = float((argb >> 24) & 0xFF) / 255.0f;
}

GLenum BlendFactor(uint32_t blend)
{
    switch (blend) {
    case D3DBLEND_ZERO:
        return GL_ZERO;
    case D3DBLEND_ONE:
        return GL_ONE;
    case D3DBLEND_SRCCOLOR:
        return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
        return GL_SRC_ALPHA_SATURATE;
    default:
        return GL_ONE;
    }
}

GLenum CompareFunc(uint32_t func)
{
    switch (func) {
    case D3DCMP_NEVER:
        return GL_NEVER;
    case D3DCMP_LESS:
        return GL_LESS;
    case D3DCMP_EQUAL:
        return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
        return GL_LEQUAL;
    case D3DCMP_GREATER:
        return GL_GREATER;
    case D3DCMP_NOTEQUAL:
        return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
        return GL_GEQUAL;
    default:
        return GL_ALWAYS;
    }
}

GLenum StencilOp(uint32_t op)
{
    switch (op) {
    case D3DSTENCILOP_ZERO:
        return GL_ZERO;
    case D3DSTENCILOP_REPLACE:
        return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT:
        return GL_INCR;
    case D3DSTENCILOP_DECRSAT:
        return GL_DECR;
    case D3DSTENCILOP_INVERT:
        return GL_INVERT;
    case D3DSTENCILOP_INCR:
        return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR:
        return GL_DECR_WRAP;
    default:
        return GL_KEEP;
    }
}

GLint AddressMode(uint32_t address)
{
    switch (address) {
    case D3DTADDRESS_MIRROR:
        return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
        return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
        return GL_CLAMP_TO_BORDER;
    default:
        return GL_REPEAT;
    }
}

GpuColorFrom MaterialSource(uint32_t source)
{
    if (source == D3DMCS_COLOR1)
        return GpuColorFrom::Diffuse;
    if (source == D3DMCS_COLOR2)
        return GpuColorFrom::Specular;
    return GpuColorFrom::Material;
}

} // namespace

GpuShaderKey GpuPipeline::MakeKey(const GpuStateBlock& state, const GpuVertexLayout& layout,
                                  GpuBaseTexture* const* textures)
{
    GpuShaderKey key;
    const uint32_t* rs = state.renderStates;
    key.pretransformed = layout.pretransformed;
    key.hasNormal = layout.normalOffset >= 0 && !layout.pretransformed;
    key.hasDiffuse = layout.diffuseOffset >= 0;
    key.hasSpecular = layout.specularOffset >= 0;
    key.texCoordCount = uint8_t(layout.texCoordCount);
    for (uint32_t i = 0; i < layout.texCoordCount; ++i)
        key.texCoordSizes[i] = uint8_t(layout.texCoordSizes[i]);
    key.lighting = rs[D3DRS_LIGHTING] != 0 && !layout.pretransformed;
    if (key.lighting) {
        key.normalizeNormals = rs[D3DRS_NORMALIZENORMALS] != 0;
        key.localViewer = rs[D3DRS_LOCALVIEWER] != 0;
        if (rs[D3DRS_COLORVERTEX]) {
            key.diffuseFrom = MaterialSource(rs[D3DRS_DIFFUSEMATERIALSOURCE]);
            key.ambientFrom = MaterialSource(rs[D3DRS_AMBIENTMATERIALSOURCE]);
            key.specularFrom = MaterialSource(rs[D3DRS_SPECULARMATERIALSOURCE]);
            key.emissiveFrom = MaterialSource(rs[D3DRS_EMISSIVEMATERIALSOURCE]);
        }
    }
    key.specularEnable = rs[D3DRS_SPECULARENABLE] != 0;
    if (key.lighting)
        for (uint32_t i = 0; i < GPU_MAX_LIGHTS; ++i)
            if (state.lightEnabled[i] && state.lights[i].Type == D3DLIGHT_DIRECTIONAL)
                ++key.lightCount;
    key.alphaFunc =
        rs[D3DRS_ALPHATESTENABLE] ? uint8_t(std::clamp<uint32_t>(rs[D3DRS_ALPHAFUNC], 1, 8)) : uint8_t(D3DCMP_ALWAYS);
    for (uint32_t s = 0; s < GPU_STAGE_COUNT; ++s) {
        const uint32_t* ss = state.stageStates[s];
        if (ss[D3DTSS_COLOROP] == D3DTOP_DISABLE || ss[D3DTSS_COLOROP] == 0)
            break;
        GpuShaderStageKey& stage = key.stages[s];
        stage.colorOp = uint8_t(std::min<uint32_t>(ss[D3DTSS_COLOROP], 255));
        stage.colorArg1 = uint8_t(ss[D3DTSS_COLORARG1] & 0x3F);
        stage.colorArg2 = uint8_t(ss[D3DTSS_COLORARG2] & 0x3F);
        stage.alphaOp = uint8_t(std::min<uint32_t>(ss[D3DTSS_ALPHAOP], 255));
        stage.alphaArg1 = uint8_t(ss[D3DTSS_ALPHAARG1] & 0x3F);
        stage.alphaArg2 = uint8_t(ss[D3DTSS_ALPHAARG2] & 0x3F);
        stage.texKind = (textures[s] && textures[s]->IsCube()) ? GpuTexKind::Cube : GpuTexKind::Flat;
        uint32_t index = ss[D3DTSS_TEXCOORDINDEX];
        stage.coordSource = uint8_t((index >> 16) & 3);
        uint32_t set = index & 0xFFFF;
        stage.coordSet = set < 8 ? uint8_t(set) : uint8_t(0xFF);
        uint32_t count = ss[D3DTSS_TEXTURETRANSFORMFLAGS] & 0xFF;
        stage.transformCount = uint8_t(count <= 4 ? count : 0);
        key.stageCount = uint8_t(s + 1);
    }
    return key;
}

bool GpuPipeline::HonoursRenderState(uint32_t renderState)
{
    switch (renderState) {
    case D3DRS_ZENABLE:
    case D3DRS_FILLMODE:
    case D3DRS_ZWRITEENABLE:
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_CULLMODE:
    case D3DRS_ZFUNC:
    case D3DRS_ALPHAREF:
    case D3DRS_ALPHAFUNC:
    case D3DRS_DITHERENABLE: // no visible dither on 8-bit channels
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_SPECULARENABLE:
    case D3DRS_STENCILENABLE:
    case D3DRS_STENCILFAIL:
    case D3DRS_STENCILZFAIL:
    case D3DRS_STENCILPASS:
    case D3DRS_STENCILFUNC:
    case D3DRS_STENCILREF:
    case D3DRS_STENCILMASK:
    case D3DRS_STENCILWRITEMASK:
    case D3DRS_TEXTUREFACTOR:
    case D3DRS_CLIPPING: // GL always clips, which draws the same picture
    case D3DRS_LIGHTING:
    case D3DRS_AMBIENT:
    case D3DRS_COLORVERTEX:
    case D3DRS_LOCALVIEWER:
    case D3DRS_NORMALIZENORMALS:
    case D3DRS_DIFFUSEMATERIALSOURCE:
    case D3DRS_SPECULARMATERIALSOURCE:
    case D3DRS_AMBIENTMATERIALSOURCE:
    case D3DRS_EMISSIVEMATERIALSOURCE:
    case D3DRS_POINTSIZE:
    case D3DRS_COLORWRITEENABLE:
        return true;
    default:
        return false;
    }
}

GpuPipeline::GpuPipeline(GpuGlContext& glContext) : context(glContext), gl(glContext.State()), shaders(gl) {}

bool GpuPipeline::Apply(const GpuStateBlock& state, const GpuVertexLayout& layout, GpuBaseTexture* const* textures,
                        const GpuDrawTarget& target, uint32_t vertexBuffer, uintptr_t vertexOffset, uint32_t stride)
{
    GpuShaderKey key = MakeKey(state, layout, textures);
    GpuProgram* program = shaders.Get(key);
    if (!program)
        return false;
    gl.UseProgram(program->name);
    LoadUniforms(*program, key, state, target);
    BindTextures(key, state, textures);
    SetFixedState(state, target);
    SetVertexArrays(layout, vertexBuffer, vertexOffset, stride);
    return true;
}

bool GpuPipeline::Changed(GpuProgram& program, GpuUniformValues::Group group, int location, const float* values,
                          uint32_t count)
{
    if (location < 0)
        return false;
    GpuUniformValues& cache = program.uniforms;
    const uint32_t bit = 1u << group;
    float* held = cache.values[group];
    if ((cache.known & bit) && std::equal(values, values + count, held))
        return false;
    std::copy(values, values + count, held);
    cache.known |= bit;
    ++uniformUploads;
    gl.Count();
    return true;
}

void GpuPipeline::LoadUniforms(GpuProgram& p, const GpuShaderKey& key, const GpuStateBlock& state,
                               const GpuDrawTarget& target)
{
    using U = GpuUniformValues;
    if (p.worldView >= 0 || p.normalMatrix >= 0) {
        Matrix worldView = Multiply(state.world, state.view);
        if (Changed(p, U::WORLD_VIEW, p.worldView, &worldView.m[0][0], 16))
            glUniformMatrix4fv(p.worldView, 1, GL_FALSE, &worldView.m[0][0]);
        float normal[9];
        Inverse3(worldView, normal);
        if (Changed(p, U::NORMAL_MATRIX, p.normalMatrix, normal, 9))
            glUniformMatrix3fv(p.normalMatrix, 1, GL_TRUE, normal);
    }
    if (Changed(p, U::PROJECTION, p.projection, &state.projection.m[0][0], 16))
        glUniformMatrix4fv(p.projection, 1, GL_FALSE, &state.projection.m[0][0]);
    const float flip = target.flipped ? -1.0f : 1.0f;
    if (Changed(p, U::FLIP_Y, p.flipY, &flip, 1))
        glUniform1f(p.flipY, flip);
    const GpuViewport& vp = state.viewport;
    const float viewport[4] = {float(vp.X), float(vp.Y), float(std::max(1u, vp.Width)), float(std::max(1u, vp.Height))};
    if (Changed(p, U::VIEWPORT, p.viewport, viewport, 4))
        glUniform4fv(p.viewport, 1, viewport);
    const GLsizei matrices = key.stageCount;
    if (matrices > 0 && Changed(p, U::TEX_MATRIX, p.texMatrix, &state.textureTransforms[0].m[0][0], 16 * matrices))
        glUniformMatrix4fv(p.texMatrix, matrices, GL_FALSE, &state.textureTransforms[0].m[0][0]);
    if (p.lightToward >= 0)
        LoadLights(p, state);

    const GpuMaterial& m = state.material;
    auto color4 = [&](U::Group group, int location, const ColorValue& c) {
        const float value[4] = {c.r, c.g, c.b, c.a};
        if (Changed(p, group, location, value, 4))
            glUniform4fv(location, 1, value);
    };
    color4(U::MAT_DIFFUSE, p.matDiffuse, m.Diffuse);
    color4(U::MAT_AMBIENT, p.matAmbient, m.Ambient);
    color4(U::MAT_SPECULAR, p.matSpecular, m.Specular);
    color4(U::MAT_EMISSIVE, p.matEmissive, m.Emissive);
    if (Changed(p, U::MAT_POWER, p.matPower, &m.Power, 1))
        glUniform1f(p.matPower, m.Power);
    float color[4];
    ColorToFloats(state.renderStates[D3DRS_AMBIENT], color);
    if (Changed(p, U::GLOBAL_AMBIENT, p.globalAmbient, color, 4))
        glUniform4fv(p.globalAmbient, 1, color);
    ColorToFloats(state.renderStates[D3DRS_TEXTUREFACTOR], color);
    if (Changed(p, U::TFACTOR, p.tfactor, color, 4))
        glUniform4fv(p.tfactor, 1, color);
    const float alphaRef = float(state.renderStates[D3DRS_ALPHAREF] & 0xFF);
    if (Changed(p, U::ALPHA_REF, p.alphaRef, &alphaRef, 1))
        glUniform1f(p.alphaRef, alphaRef);
}

// The enabled directional lights, in camera space, in the order of their
// indices (the program was made for their number).
void GpuPipeline::LoadLights(GpuProgram& p, const GpuStateBlock& state)
{
    using U = GpuUniformValues;
    float toward[GPU_MAX_LIGHTS][3] = {};
    float diffuse[GPU_MAX_LIGHTS][4] = {}, specular[GPU_MAX_LIGHTS][4] = {}, ambient[GPU_MAX_LIGHTS][4] = {};
    uint32_t count = 0;
    for (uint32_t i = 0; i < GPU_MAX_LIGHTS; ++i) {
        const GpuLight& light = state.lights[i];
        if (!state.lightEnabled[i] || light.Type != D3DLIGHT_DIRECTIONAL)
            continue;
        // Lights live in world space; the shader lights in camera space.
        const Vector3& d = light.Direction;
        const Matrix& v = state.view;
        float x = d.x * v.m[0][0] + d.y * v.m[1][0] + d.z * v.m[2][0];
        float y = d.x * v.m[0][1] + d.y * v.m[1][1] + d.z * v.m[2][1];
        float z = d.x * v.m[0][2] + d.y * v.m[1][2] + d.z * v.m[2][2];
        float length = std::sqrt(x * x + y * y + z * z);
        float scale = length > 0.0f ? -1.0f / length : 0.0f;
        toward[count][0] = x * scale;
        toward[count][1] = y * scale;
        toward[count][2] = z * scale;
        const ColorValue* colors[3] = {&light.Diffuse, &light.Specular, &light.Ambient};
        float(*outs[3])[4] = {diffuse, specular, ambient};
        for (int k = 0; k < 3; ++k) {
            outs[k][count][0] = colors[k]->r;
            outs[k][count][1] = colors[k]->g;
            outs[k][count][2] = colors[k]->b;
            outs[k][count][3] = colors[k]->a;
        }
        ++count;
    }
    if (count == 0)
        return;
    if (Changed(p, U::LIGHT_TOWARD, p.lightToward, &toward[0][0], 3 * count))
        glUniform3fv(p.lightToward, GLsizei(count), &toward[0][0]);
    if (Changed(p, U::LIGHT_DIFFUSE, p.lightDiffuse, &diffuse[0][0], 4 * count))
        glUniform4fv(p.lightDiffuse, GLsizei(count), &diffuse[0][0]);
    if (Changed(p, U::LIGHT_SPECULAR, p.lightSpecular, &specular[0][0], 4 * count))
        glUniform4fv(p.lightSpecular, GLsizei(count), &specular[0][0]);
    if (Changed(p, U::LIGHT_AMBIENT, p.lightAmbient, &ambient[0][0], 4 * count))
        glUniform4fv(p.lightAmbient, GLsizei(count), &ambient[0][0]);
}

void GpuPipeline::BindTextures(const GpuShaderKey& key, const GpuStateBlock& state, GpuBaseTexture* const* textures)
{
    for (uint32_t s = 0; s < key.stageCount; ++s) {
        GpuBaseTexture* texture = textures[s];
        uint32_t name = texture ? texture->PrepareForDraw() : 0;
        if (name == 0) { // an empty stage reads opaque white
            gl.BindTexture(s, GL_TEXTURE_2D, context.WhiteTexture());
            continue;
        }
        GLenum target = texture->IsCube() ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D;
        gl.BindTexture(s, target, name);
        // Sampler settings belong to the stage: apply them to whatever texture it holds.
        const uint32_t* ss = state.stageStates[s];
        GpuSamplerSettings want;
        want.minFilter = ss[D3DTSS_MINFILTER];
        want.magFilter = ss[D3DTSS_MAGFILTER];
        want.mipFilter = ss[D3DTSS_MIPFILTER];
        want.addressU = ss[D3DTSS_ADDRESSU];
        want.addressV = ss[D3DTSS_ADDRESSV];
        want.addressW = ss[D3DTSS_ADDRESSW];
        bool anisotropic = want.minFilter == D3DTEXF_ANISOTROPIC || want.magFilter == D3DTEXF_ANISOTROPIC;
        want.maxAnisotropy =
            anisotropic ? std::clamp<uint32_t>(ss[D3DTSS_MAXANISOTROPY], 1, context.MaxAnisotropy()) : 1;
        if (texture->AppliedSampler() == want)
            continue;
        bool linearMin = want.minFilter == D3DTEXF_LINEAR || want.minFilter == D3DTEXF_ANISOTROPIC;
        GLint minFilter;
        switch (want.mipFilter) {
        case D3DTEXF_NONE:
            minFilter = linearMin ? GL_LINEAR : GL_NEAREST;
            break;
        case D3DTEXF_POINT:
            minFilter = linearMin ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
            break;
        default: // LINEAR, and ANISOTROPIC, which is no mip filter of its own
            minFilter = linearMin ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
            break;
        }
        bool linearMag = want.magFilter == D3DTEXF_LINEAR || want.magFilter == D3DTEXF_ANISOTROPIC;
        gl.SelectUnit(s);
        glTexParameteri(target, GL_TEXTURE_MIN_FILTER, minFilter);
        glTexParameteri(target, GL_TEXTURE_MAG_FILTER, linearMag ? GL_LINEAR : GL_NEAREST);
        glTexParameteri(target, GL_TEXTURE_WRAP_S, AddressMode(want.addressU));
        glTexParameteri(target, GL_TEXTURE_WRAP_T, AddressMode(want.addressV));
        gl.Count(4);
        if (target == GL_TEXTURE_CUBE_MAP) {
            glTexParameteri(target, GL_TEXTURE_WRAP_R, AddressMode(want.addressW));
            gl.Count();
        }
        if (context.MaxAnisotropy() > 1) {
            glTexParameterf(target, GL_TEXTURE_MAX_ANISOTROPY_EXT, float(want.maxAnisotropy));
            gl.Count();
        }
        texture->AppliedSampler() = want;
    }
}

GpuGlViewport GpuPipeline::GlViewport(const GpuViewport& viewport, const GpuDrawTarget& target)
{
    GpuGlViewport out;
    out.x = GLint(viewport.X);
    out.y = target.flipped ? GLint(viewport.Y) : GLint(target.height) - GLint(viewport.Y + viewport.Height);
    out.width = GLsizei(viewport.Width);
    out.height = GLsizei(viewport.Height);
    out.minZ = viewport.MinZ;
    out.maxZ = viewport.MaxZ;
    return out;
}

void GpuPipeline::SetFixedState(const GpuStateBlock& state, const GpuDrawTarget& target)
{
    const uint32_t* rs = state.renderStates;
    gl.SetViewport(GlViewport(state.viewport, target));
    gl.SetScissorTest(false);
    GpuFixedState fixed;
    // Without a depth buffer nothing is tested or written; the one buffer stays attached.
    fixed.depthTest = rs[D3DRS_ZENABLE] != 0 && target.hasDepth;
    fixed.depthFunc = fixed.depthTest ? CompareFunc(rs[D3DRS_ZFUNC]) : GL_LESS;
    fixed.depthWrite = rs[D3DRS_ZWRITEENABLE] != 0 && target.hasDepth;
    fixed.blend = rs[D3DRS_ALPHABLENDENABLE] != 0;
    fixed.blendSource = fixed.blend ? BlendFactor(rs[D3DRS_SRCBLEND]) : GL_ONE;
    fixed.blendDest = fixed.blend ? BlendFactor(rs[D3DRS_DESTBLEND]) : GL_ZERO;
    // Culling names the winding seen on the screen; a texture target shows the
    // picture upside down, which turns the winding over.
    uint32_t cull = rs[D3DRS_CULLMODE];
    fixed.cull = cull == D3DCULL_CW || cull == D3DCULL_CCW;
    bool clockwiseFront = (cull == D3DCULL_CCW) != target.flipped;
    fixed.frontFace = !fixed.cull || !clockwiseFront ? GL_CCW : GL_CW;
    fixed.polygonMode = rs[D3DRS_FILLMODE] == D3DFILL_POINT       ? GL_POINT
                        : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                                                  : GL_FILL;
    fixed.colorMask = rs[D3DRS_COLORWRITEENABLE] & 0xF;
    float pointSize = std::bit_cast<float>(rs[D3DRS_POINTSIZE]);
    fixed.pointSize = std::isfinite(pointSize) && pointSize > 1.0f ? pointSize : 1.0f;
    SetStencil(rs, target, fixed);
    gl.SetFixed(fixed);
}

// While the test is off (or there is no stencil buffer) everything stays at
// GL's defaults, so that only switching it on and off reaches GL.
void GpuPipeline::SetStencil(const uint32_t* rs, const GpuDrawTarget& target, GpuFixedState& fixed)
{
    fixed.stencilTest = rs[D3DRS_STENCILENABLE] != 0 && target.hasStencil;
    const bool on = fixed.stencilTest;
    fixed.stencilFunc = on ? CompareFunc(rs[D3DRS_STENCILFUNC]) : GL_ALWAYS;
    fixed.stencilRef = on ? rs[D3DRS_STENCILREF] & 0xFF : 0; // the buffer's 8 bits
    fixed.stencilReadMask = on ? rs[D3DRS_STENCILMASK] : 0xFFFFFFFFu;
    fixed.stencilWriteMask = on ? rs[D3DRS_STENCILWRITEMASK] : 0xFFFFFFFFu;
    fixed.stencilFail = on ? StencilOp(rs[D3DRS_STENCILFAIL]) : GL_KEEP;
    fixed.stencilDepthFail = on ? StencilOp(rs[D3DRS_STENCILZFAIL]) : GL_KEEP;
    fixed.stencilPass = on ? StencilOp(rs[D3DRS_STENCILPASS]) : GL_KEEP;
}

void GpuPipeline::SetVertexArrays(const GpuVertexLayout& layout, uint32_t vertexBuffer, uintptr_t vertexOffset,
                                  uint32_t stride)
{
    uint32_t wanted = 0;
    auto attribute = [&](uint32_t slot, GLint size, GLenum type, bool normalised, uint32_t offset) {
        wanted |= 1u << slot;
        gl.SetAttribPointer(slot, {vertexBuffer, size, type, normalised, stride, vertexOffset + offset});
    };
    attribute(GPU_ATTRIB_POSITION, layout.pretransformed ? 4 : 3, GL_FLOAT, false, layout.positionOffset);
    if (layout.normalOffset >= 0 && !layout.pretransformed)
        attribute(GPU_ATTRIB_NORMAL, 3, GL_FLOAT, false, uint32_t(layout.normalOffset));
    if (layout.diffuseOffset >= 0)
        attribute(GPU_ATTRIB_DIFFUSE, 4, GL_UNSIGNED_BYTE, true, uint32_t(layout.diffuseOffset));
    if (layout.specularOffset >= 0)
        attribute(GPU_ATTRIB_SPECULAR, 4, GL_UNSIGNED_BYTE, true, uint32_t(layout.specularOffset));
    for (uint32_t i = 0; i < layout.texCoordCount; ++i)
        attribute(GPU_ATTRIB_TEXCOORD0 + i, GLint(layout.texCoordSizes[i]), GL_FLOAT, false, layout.texCoordOffsets[i]);
    gl.EnableAttributes(wanted);
}

} // namespace backend
