#include "backend/gpu/GpuStateBlock.h"

#include <bit>

namespace backend {

Matrix GpuIdentityMatrix()
{
    Matrix m;
    for (int i = 0; i < 4; ++i)
        m.m[i][i] = 1.0f;
    return m;
}

void GpuStateBlock::SetDefaults(uint32_t targetWidth, uint32_t targetHeight)
{
    for (uint32_t& value : renderStates)
        value = 0;
    uint32_t* rs = renderStates;
    rs[D3DRS_ZENABLE] = D3DZB_TRUE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = 1;
    rs[D3DRS_ALPHATESTENABLE] = 0;
    rs[D3DRS_LASTPIXEL] = 1;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAREF] = 0;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_DITHERENABLE] = 0;
    rs[D3DRS_ALPHABLENDENABLE] = 0;
    rs[D3DRS_FOGENABLE] = 0;
    rs[D3DRS_SPECULARENABLE] = 0;
    rs[D3DRS_STENCILENABLE] = 0;
    rs[D3DRS_STENCILFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILREF] = 0;
    rs[D3DRS_STENCILMASK] = 0xFFFFFFFFu;
    rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFFu;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    rs[D3DRS_CLIPPING] = 1;
    rs[D3DRS_LIGHTING] = 1;
    rs[D3DRS_AMBIENT] = 0;
    rs[D3DRS_COLORVERTEX] = 1;
    rs[D3DRS_LOCALVIEWER] = 1;
    rs[D3DRS_NORMALIZENORMALS] = 0;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_POINTSIZE] = std::bit_cast<uint32_t>(1.0f);
    rs[D3DRS_COLORWRITEENABLE] = 0xF;

    for (uint32_t stage = 0; stage < GPU_STAGE_COUNT; ++stage) {
        uint32_t* ss = stageStates[stage];
        for (uint32_t type = 0; type < GPU_STAGE_STATE_COUNT; ++type)
            ss[type] = 0;
        ss[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        ss[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        ss[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        ss[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        ss[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        ss[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        ss[D3DTSS_TEXCOORDINDEX] = stage;
        ss[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
        ss[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        ss[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
        ss[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
        ss[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        ss[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        ss[D3DTSS_MAXANISOTROPY] = 1;
        ss[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
        textureTransforms[stage] = GpuIdentityMatrix();
    }
    world = GpuIdentityMatrix();
    view = GpuIdentityMatrix();
    projection = GpuIdentityMatrix();
    for (uint32_t i = 0; i < GPU_MAX_LIGHTS; ++i) {
        lights[i] = GpuLight();
        lights[i].Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
        lights[i].Direction = {0.0f, 0.0f, 1.0f};
        lightEnabled[i] = false;
    }
    material = GpuMaterial();
    viewport = GpuViewport();
    viewport.Width = targetWidth;
    viewport.Height = targetHeight;
}

Matrix* GpuStateBlock::Transform(uint32_t type)
{
    if (type == D3DTS_WORLD)
        return &world;
    if (type == D3DTS_VIEW)
        return &view;
    if (type == D3DTS_PROJECTION)
        return &projection;
    if (type >= D3DTS_TEXTURE0 && type <= D3DTS_TEXTURE7)
        return &textureTransforms[type - D3DTS_TEXTURE0];
    return nullptr;
}

const Matrix* GpuStateBlock::Transform(uint32_t type) const
{
    return const_cast<GpuStateBlock*>(this)->Transform(type);
}

} // namespace backend
