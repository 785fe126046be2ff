#pragma once
// Numbers and records of the GPU device. Every value the game stores, passes
// or uses as an array index keeps its Windows number.

#include "backend/gpu/GpuFormat.h"
#include "backend/math/MathTypes.h"

#include <cstdint>

namespace backend {

struct NativeWindow;

// Result of a device call: GPU_OK or a negative error.
using GpuResult = int32_t;

constexpr GpuResult GPU_OK = 0;
constexpr GpuResult GPUERR_INVALIDCALL = int32_t(0x8876086Cu);
constexpr GpuResult GPUERR_DEVICELOST = int32_t(0x88760868u);
constexpr GpuResult GPUERR_DEVICENOTRESET = int32_t(0x88760869u);
constexpr GpuResult GPUERR_NOTAVAILABLE = int32_t(0x8876086Au);
constexpr GpuResult GPUERR_OUTOFVIDEOMEMORY = int32_t(0x8876017Cu);
constexpr GpuResult GPUERR_OUTOFMEMORY = int32_t(0x8007000Eu);

inline bool GpuSucceeded(GpuResult result)
{
    return result >= 0;
}
inline bool GpuFailed(GpuResult result)
{
    return result < 0;
}

// Render states (index into a 256-entry state block).
enum GpuRenderStateType : uint32_t {
    D3DRS_ZENABLE = 7,
    D3DRS_FILLMODE = 8,
    D3DRS_SHADEMODE = 9,
    D3DRS_ZWRITEENABLE = 14,
    D3DRS_ALPHATESTENABLE = 15,
    D3DRS_LASTPIXEL = 16,
    D3DRS_SRCBLEND = 19,
    D3DRS_DESTBLEND = 20,
    D3DRS_CULLMODE = 22,
    D3DRS_ZFUNC = 23,
    D3DRS_ALPHAREF = 24,
    D3DRS_ALPHAFUNC = 25,
    D3DRS_DITHERENABLE = 26,
    D3DRS_ALPHABLENDENABLE = 27,
    D3DRS_FOGENABLE = 28,
    D3DRS_SPECULARENABLE = 29,
    D3DRS_STENCILENABLE = 52,
    D3DRS_STENCILFAIL = 53,
    D3DRS_STENCILZFAIL = 54,
    D3DRS_STENCILPASS = 55,
    D3DRS_STENCILFUNC = 56,
    D3DRS_STENCILREF = 57,
    D3DRS_STENCILMASK = 58,
    D3DRS_STENCILWRITEMASK = 59,
    D3DRS_TEXTUREFACTOR = 60,
    D3DRS_CLIPPING = 136,
    D3DRS_LIGHTING = 137,
    D3DRS_AMBIENT = 139,
    D3DRS_COLORVERTEX = 141,
    D3DRS_LOCALVIEWER = 142,
    D3DRS_NORMALIZENORMALS = 143,
    D3DRS_DIFFUSEMATERIALSOURCE = 145,
    D3DRS_SPECULARMATERIALSOURCE = 146,
    D3DRS_AMBIENTMATERIALSOURCE = 147,
    D3DRS_EMISSIVEMATERIALSOURCE = 148,
    D3DRS_POINTSIZE = 154,
    D3DRS_COLORWRITEENABLE = 168,
};
constexpr uint32_t GPU_RENDER_STATE_COUNT = 256;

// Texture-stage states (index into a 128-entry block per stage).
enum GpuTextureStageStateType : uint32_t {
    D3DTSS_COLOROP = 1,
    D3DTSS_COLORARG1 = 2,
    D3DTSS_COLORARG2 = 3,
    D3DTSS_ALPHAOP = 4,
    D3DTSS_ALPHAARG1 = 5,
    D3DTSS_ALPHAARG2 = 6,
    D3DTSS_TEXCOORDINDEX = 11,
    D3DTSS_ADDRESSU = 13,
    D3DTSS_ADDRESSV = 14,
    D3DTSS_BORDERCOLOR = 15,
    D3DTSS_MAGFILTER = 16,
    D3DTSS_MINFILTER = 17,
    D3DTSS_MIPFILTER = 18,
    D3DTSS_MIPMAPLODBIAS = 19,
    D3DTSS_MAXMIPLEVEL = 20,
    D3DTSS_MAXANISOTROPY = 21,
    D3DTSS_TEXTURETRANSFORMFLAGS = 24,
    D3DTSS_ADDRESSW = 25,
};
constexpr uint32_t GPU_STAGE_COUNT = 8;
constexpr uint32_t GPU_STAGE_STATE_COUNT = 128;

// Texture-stage operations.
enum GpuTextureOp : uint32_t {
    D3DTOP_DISABLE = 1,
    D3DTOP_SELECTARG1 = 2,
    D3DTOP_SELECTARG2 = 3,
    D3DTOP_MODULATE = 4,
    D3DTOP_MODULATE2X = 5,
    D3DTOP_MODULATE4X = 6,
    D3DTOP_ADD = 7,
    D3DTOP_ADDSIGNED = 8,
    D3DTOP_SUBTRACT = 10,
    D3DTOP_BLENDDIFFUSEALPHA = 12,
    D3DTOP_BLENDTEXTUREALPHA = 13,
    D3DTOP_BLENDFACTORALPHA = 14,
    D3DTOP_BLENDCURRENTALPHA = 16,
    D3DTOP_DOTPRODUCT3 = 24,
};

// Texture-stage arguments: a source in the low bits plus modifiers.
enum GpuTextureArg : uint32_t {
    D3DTA_SELECTMASK = 0x0F,
    D3DTA_DIFFUSE = 0,
    D3DTA_CURRENT = 1,
    D3DTA_TEXTURE = 2,
    D3DTA_TFACTOR = 3,
    D3DTA_SPECULAR = 4,
    D3DTA_COMPLEMENT = 0x10,
    D3DTA_ALPHAREPLICATE = 0x20,
};

enum GpuBlend : uint32_t {
    D3DBLEND_ZERO = 1,
    D3DBLEND_ONE = 2,
    D3DBLEND_SRCCOLOR = 3,
    D3DBLEND_INVSRCCOLOR = 4,
    D3DBLEND_SRCALPHA = 5,
    D3DBLEND_INVSRCALPHA = 6,
    D3DBLEND_DESTALPHA = 7,
    D3DBLEND_INVDESTALPHA = 8,
    D3DBLEND_DESTCOLOR = 9,
    D3DBLEND_INVDESTCOLOR = 10,
    D3DBLEND_SRCALPHASAT = 11,
};

enum GpuCmpFunc : uint32_t {
    D3DCMP_NEVER = 1,
    D3DCMP_LESS = 2,
    D3DCMP_EQUAL = 3,
    D3DCMP_LESSEQUAL = 4,
    D3DCMP_GREATER = 5,
    D3DCMP_NOTEQUAL = 6,
    D3DCMP_GREATEREQUAL = 7,
    D3DCMP_ALWAYS = 8,
};

// What a stencil test does to the stencil value.
enum GpuStencilOp : uint32_t {
    D3DSTENCILOP_KEEP = 1,
    D3DSTENCILOP_ZERO = 2,
    D3DSTENCILOP_REPLACE = 3,
    D3DSTENCILOP_INCRSAT = 4,
    D3DSTENCILOP_DECRSAT = 5,
    D3DSTENCILOP_INVERT = 6,
    D3DSTENCILOP_INCR = 7,
    D3DSTENCILOP_DECR = 8,
};

enum GpuCull : uint32_t { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum GpuFill : uint32_t { D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3 };
enum GpuShade : uint32_t { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2 };
enum GpuZBufferType : uint32_t { D3DZB_FALSE = 0, D3DZB_TRUE = 1 };

enum GpuTextureFilter : uint32_t {
    D3DTEXF_NONE = 0,
    D3DTEXF_POINT = 1,
    D3DTEXF_LINEAR = 2,
    D3DTEXF_ANISOTROPIC = 3,
};

enum GpuTextureAddress : uint32_t {
    D3DTADDRESS_WRAP = 1,
    D3DTADDRESS_MIRROR = 2,
    D3DTADDRESS_CLAMP = 3,
    D3DTADDRESS_BORDER = 4,
};

enum GpuTextureTransformFlags : uint32_t {
    D3DTTFF_DISABLE = 0,
    D3DTTFF_COUNT1 = 1,
    D3DTTFF_COUNT2 = 2,
    D3DTTFF_COUNT3 = 3,
    D3DTTFF_COUNT4 = 4,
    D3DTTFF_PROJECTED = 256,
};

// High bits of D3DTSS_TEXCOORDINDEX: where the coordinates come from.
enum GpuTexCoordSource : uint32_t {
    D3DTSS_TCI_PASSTHRU = 0,
    D3DTSS_TCI_CAMERASPACENORMAL = 0x10000,
    D3DTSS_TCI_CAMERASPACEPOSITION = 0x20000,
    D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR = 0x30000,
};

// Flexible vertex format bits.
enum GpuFvf : uint32_t {
    D3DFVF_POSITION_MASK = 0x00E,
    D3DFVF_XYZ = 0x002,
    D3DFVF_XYZRHW = 0x004,
    D3DFVF_NORMAL = 0x010,
    D3DFVF_PSIZE = 0x020,
    D3DFVF_DIFFUSE = 0x040,
    D3DFVF_SPECULAR = 0x080,
    D3DFVF_TEXCOUNT_MASK = 0xF00,
    D3DFVF_TEXCOUNT_SHIFT = 8,
    D3DFVF_TEX0 = 0x000,
    D3DFVF_TEX1 = 0x100,
    D3DFVF_TEX2 = 0x200,
    D3DFVF_TEX3 = 0x300,
    D3DFVF_TEX4 = 0x400,
};
// Size bits of texture-coordinate set i (two bits from bit 16): 0 = two floats.
constexpr uint32_t D3DFVF_TEXCOORDSIZE1(uint32_t i)
{
    return 3u << (i * 2 + 16);
}
constexpr uint32_t D3DFVF_TEXCOORDSIZE2(uint32_t)
{
    return 0;
}
constexpr uint32_t D3DFVF_TEXCOORDSIZE3(uint32_t i)
{
    return 1u << (i * 2 + 16);
}
constexpr uint32_t D3DFVF_TEXCOORDSIZE4(uint32_t i)
{
    return 2u << (i * 2 + 16);
}

enum GpuPrimitiveType : uint32_t {
    D3DPT_POINTLIST = 1,
    D3DPT_LINELIST = 2,
    D3DPT_LINESTRIP = 3,
    D3DPT_TRIANGLELIST = 4,
    D3DPT_TRIANGLESTRIP = 5,
    D3DPT_TRIANGLEFAN = 6,
};

enum GpuTransformType : uint32_t {
    D3DTS_VIEW = 2,
    D3DTS_PROJECTION = 3,
    D3DTS_TEXTURE0 = 16,
    D3DTS_TEXTURE1 = 17,
    D3DTS_TEXTURE2 = 18,
    D3DTS_TEXTURE3 = 19,
    D3DTS_TEXTURE4 = 20,
    D3DTS_TEXTURE5 = 21,
    D3DTS_TEXTURE6 = 22,
    D3DTS_TEXTURE7 = 23,
    D3DTS_WORLD = 256,
};

enum GpuPool : uint32_t {
    D3DPOOL_DEFAULT = 0,
    D3DPOOL_MANAGED = 1,
    D3DPOOL_SYSTEMMEM = 2,
    D3DPOOL_SCRATCH = 3,
};

enum GpuUsage : uint32_t {
    D3DUSAGE_RENDERTARGET = 0x001,
    D3DUSAGE_DEPTHSTENCIL = 0x002,
    D3DUSAGE_WRITEONLY = 0x008,
    D3DUSAGE_SOFTWAREPROCESSING = 0x010,
    D3DUSAGE_DONOTCLIP = 0x020,
    D3DUSAGE_POINTS = 0x040,
    D3DUSAGE_DYNAMIC = 0x200,
};

enum GpuLockFlags : uint32_t {
    D3DLOCK_READONLY = 0x0010,
    D3DLOCK_NOSYSLOCK = 0x0800,
    D3DLOCK_NOOVERWRITE = 0x1000,
    D3DLOCK_DISCARD = 0x2000,
};

enum GpuClearFlags : uint32_t {
    D3DCLEAR_TARGET = 1,
    D3DCLEAR_ZBUFFER = 2,
    D3DCLEAR_STENCIL = 4,
};

enum GpuDeviceType : uint32_t { D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2, D3DDEVTYPE_SW = 3 };

// Behaviour flags of CreateDevice.
enum GpuCreateFlags : uint32_t {
    D3DCREATE_FPU_PRESERVE = 0x02,
    D3DCREATE_MULTITHREADED = 0x04,
    D3DCREATE_PUREDEVICE = 0x10,
    D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20,
    D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40,
    D3DCREATE_MIXED_VERTEXPROCESSING = 0x80,
};

enum GpuCaps2 : uint32_t {
    D3DCAPS2_NO2DDURING3DSCENE = 0x00000002,
    D3DCAPS2_FULLSCREENGAMMA = 0x00020000,
    D3DCAPS2_CANRENDERWINDOWED = 0x00080000,
    D3DCAPS2_CANCALIBRATEGAMMA = 0x00100000,
    D3DCAPS2_CANMANAGERESOURCE = 0x10000000,
    D3DCAPS2_DYNAMICTEXTURES = 0x20000000,
};

enum GpuSwapEffect : uint32_t {
    D3DSWAPEFFECT_DISCARD = 1,
    D3DSWAPEFFECT_FLIP = 2,
    D3DSWAPEFFECT_COPY = 3,
    D3DSWAPEFFECT_COPY_VSYNC = 4,
};

enum GpuPresentInterval : uint32_t {
    D3DPRESENT_INTERVAL_DEFAULT = 0,
    D3DPRESENT_INTERVAL_ONE = 1,
    D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000u,
};

enum GpuBackBufferType : uint32_t { D3DBACKBUFFER_TYPE_MONO = 0 };

enum GpuGammaFlags : uint32_t { D3DSGR_NO_CALIBRATION = 0, D3DSGR_CALIBRATE = 1 };

enum GpuLightType : uint32_t { D3DLIGHT_POINT = 1, D3DLIGHT_SPOT = 2, D3DLIGHT_DIRECTIONAL = 3 };

// Where lighting takes a material colour from.
enum GpuMaterialColorSource : uint32_t { D3DMCS_MATERIAL = 0, D3DMCS_COLOR1 = 1, D3DMCS_COLOR2 = 2 };

enum GpuResourceType : uint32_t {
    D3DRTYPE_SURFACE = 1,
    D3DRTYPE_TEXTURE = 3,
    D3DRTYPE_CUBETEXTURE = 5,
    D3DRTYPE_VERTEXBUFFER = 6,
    D3DRTYPE_INDEXBUFFER = 7,
};

enum GpuCubeFace : uint32_t {
    D3DCUBEMAP_FACE_POSITIVE_X = 0,
    D3DCUBEMAP_FACE_NEGATIVE_X = 1,
    D3DCUBEMAP_FACE_POSITIVE_Y = 2,
    D3DCUBEMAP_FACE_NEGATIVE_Y = 3,
    D3DCUBEMAP_FACE_POSITIVE_Z = 4,
    D3DCUBEMAP_FACE_NEGATIVE_Z = 5,
};

// A packed 32-bit ARGB colour (bytes B, G, R, A in memory).
using GpuColor = uint32_t;

constexpr GpuColor GpuColorArgb(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
{
    return ((a & 0xFF) << 24) | ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF);
}

struct GpuRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct GpuPoint {
    int32_t x = 0, y = 0;
};

struct GpuDisplayMode {
    uint32_t Width = 0;
    uint32_t Height = 0;
    uint32_t RefreshRate = 0;
    GpuFormat Format = D3DFMT_UNKNOWN;
};

struct GpuPresentParameters {
    uint32_t BackBufferWidth = 0;
    uint32_t BackBufferHeight = 0;
    GpuFormat BackBufferFormat = D3DFMT_UNKNOWN;
    uint32_t BackBufferCount = 0;
    uint32_t MultiSampleType = 0;
    uint32_t SwapEffect = 0;
    NativeWindow* hDeviceWindow = nullptr;
    int32_t Windowed = 0;
    int32_t EnableAutoDepthStencil = 0;
    GpuFormat AutoDepthStencilFormat = D3DFMT_UNKNOWN;
    uint32_t Flags = 0;
    uint32_t FullScreen_RefreshRateInHz = 0;
    uint32_t FullScreen_PresentationInterval = 0;
};

struct GpuSurfaceDesc {
    GpuFormat Format = D3DFMT_UNKNOWN;
    GpuResourceType Type = D3DRTYPE_SURFACE;
    uint32_t Usage = 0;
    GpuPool Pool = D3DPOOL_DEFAULT;
    uint32_t Size = 0;
    uint32_t MultiSampleType = 0;
    uint32_t Width = 0;
    uint32_t Height = 0;
};

struct GpuVertexBufferDesc {
    GpuFormat Format = D3DFMT_UNKNOWN;
    GpuResourceType Type = D3DRTYPE_VERTEXBUFFER;
    uint32_t Usage = 0;
    GpuPool Pool = D3DPOOL_DEFAULT;
    uint32_t Size = 0;
    uint32_t FVF = 0;
};

struct GpuIndexBufferDesc {
    GpuFormat Format = D3DFMT_INDEX16;
    GpuResourceType Type = D3DRTYPE_INDEXBUFFER;
    uint32_t Usage = 0;
    GpuPool Pool = D3DPOOL_DEFAULT;
    uint32_t Size = 0;
};

struct GpuLockedRect {
    int32_t Pitch = 0;
    void* pBits = nullptr;
};

// The capabilities the game reads; the rest of the Windows record is left out.
struct GpuCaps {
    GpuDeviceType DeviceType = D3DDEVTYPE_HAL;
    uint32_t AdapterOrdinal = 0;
    uint32_t Caps = 0;
    uint32_t Caps2 = 0;
    uint32_t Caps3 = 0;
    uint32_t PresentationIntervals = 0;
    uint32_t DevCaps = 0;
    uint32_t MaxTextureWidth = 0;
    uint32_t MaxTextureHeight = 0;
    uint32_t MaxAnisotropy = 0;
    uint32_t MaxTextureBlendStages = 0;
    uint32_t MaxSimultaneousTextures = 0;
    uint32_t MaxActiveLights = 0;
    uint32_t MaxPrimitiveCount = 0;
    uint32_t MaxVertexIndex = 0;
    uint32_t MaxStreams = 0;
};

struct GpuGammaRamp {
    uint16_t red[256] = {};
    uint16_t green[256] = {};
    uint16_t blue[256] = {};
};

struct GpuViewport {
    uint32_t X = 0;
    uint32_t Y = 0;
    uint32_t Width = 0;
    uint32_t Height = 0;
    float MinZ = 0.0f;
    float MaxZ = 1.0f;
};

struct GpuLight {
    GpuLightType Type = D3DLIGHT_DIRECTIONAL;
    ColorValue Diffuse;
    ColorValue Specular;
    ColorValue Ambient;
    Vector3 Position;
    Vector3 Direction;
    float Range = 0.0f;
    float Falloff = 0.0f;
    float Attenuation0 = 0.0f;
    float Attenuation1 = 0.0f;
    float Attenuation2 = 0.0f;
    float Theta = 0.0f;
    float Phi = 0.0f;
};
static_assert(sizeof(GpuLight) == 104);

struct GpuMaterial {
    ColorValue Diffuse;
    ColorValue Ambient;
    ColorValue Specular;
    ColorValue Emissive;
    float Power = 0.0f;
};
static_assert(sizeof(GpuMaterial) == 68);

constexpr uint32_t GPU_MAX_LIGHTS = 8;

} // namespace backend
