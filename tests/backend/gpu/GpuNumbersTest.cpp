// Numbers that settings files, data and callers store as raw values, or that
// index the saved-state tables: a renumbering would silently break them.

#include "backend/gpu/GpuTypes.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace backend;

namespace {

using Pairs = std::vector<std::pair<uint32_t, uint32_t>>;

void ExpectNumbers(const char* group, const Pairs& pairs)
{
    for (size_t i = 0; i < pairs.size(); ++i)
        EXPECT_EQ(pairs[i].first, pairs[i].second) << group << " entry " << i;
}

} // namespace

TEST(GpuNumbers, StoredAndIndexedValuesKeepTheirWindowsNumbers)
{
    ExpectNumbers("formats", {{D3DFMT_R8G8B8, 20},
                              {D3DFMT_A8R8G8B8, 21},
                              {D3DFMT_X8R8G8B8, 22},
                              {D3DFMT_R5G6B5, 23},
                              {D3DFMT_X1R5G5B5, 24},
                              {D3DFMT_A1R5G5B5, 25},
                              {D3DFMT_A4R4G4B4, 26},
                              {D3DFMT_A8, 28},
                              {D3DFMT_A8R3G3B2, 29},
                              {D3DFMT_X4R4G4B4, 30},
                              {D3DFMT_P8, 41},
                              {D3DFMT_D24S8, 75},
                              {D3DFMT_INDEX16, 101},
                              {D3DFMT_INDEX32, 102},
                              {D3DFMT_DXT1, 0x31545844},
                              {D3DFMT_DXT5, 0x35545844}});
    ExpectNumbers("render states", {{D3DRS_ZENABLE, 7},
                                    {D3DRS_FILLMODE, 8},
                                    {D3DRS_ZWRITEENABLE, 14},
                                    {D3DRS_ALPHATESTENABLE, 15},
                                    {D3DRS_SRCBLEND, 19},
                                    {D3DRS_DESTBLEND, 20},
                                    {D3DRS_CULLMODE, 22},
                                    {D3DRS_ALPHAREF, 24},
                                    {D3DRS_ALPHAFUNC, 25},
                                    {D3DRS_DITHERENABLE, 26},
                                    {D3DRS_ALPHABLENDENABLE, 27},
                                    {D3DRS_SPECULARENABLE, 29},
                                    {D3DRS_STENCILENABLE, 52},
                                    {D3DRS_STENCILFAIL, 53},
                                    {D3DRS_STENCILZFAIL, 54},
                                    {D3DRS_STENCILPASS, 55},
                                    {D3DRS_STENCILFUNC, 56},
                                    {D3DRS_STENCILREF, 57},
                                    {D3DRS_STENCILMASK, 58},
                                    {D3DRS_STENCILWRITEMASK, 59},
                                    {D3DRS_TEXTUREFACTOR, 60},
                                    {D3DRS_LIGHTING, 137},
                                    {D3DRS_AMBIENT, 139},
                                    {D3DRS_COLORVERTEX, 141},
                                    {D3DRS_NORMALIZENORMALS, 143},
                                    {GPU_RENDER_STATE_COUNT, 256}});
    ExpectNumbers("stencil operations", {{D3DSTENCILOP_KEEP, 1},
                                         {D3DSTENCILOP_ZERO, 2},
                                         {D3DSTENCILOP_REPLACE, 3},
                                         {D3DSTENCILOP_INCRSAT, 4},
                                         {D3DSTENCILOP_DECRSAT, 5},
                                         {D3DSTENCILOP_INVERT, 6},
                                         {D3DSTENCILOP_INCR, 7},
                                         {D3DSTENCILOP_DECR, 8}});
    ExpectNumbers("stage states", {{D3DTSS_COLOROP, 1},
                                   {D3DTSS_COLORARG1, 2},
                                   {D3DTSS_COLORARG2, 3},
                                   {D3DTSS_ALPHAOP, 4},
                                   {D3DTSS_ALPHAARG1, 5},
                                   {D3DTSS_ALPHAARG2, 6},
                                   {D3DTSS_TEXCOORDINDEX, 11},
                                   {D3DTSS_ADDRESSU, 13},
                                   {D3DTSS_ADDRESSV, 14},
                                   {D3DTSS_MAGFILTER, 16},
                                   {D3DTSS_MINFILTER, 17},
                                   {D3DTSS_MIPFILTER, 18},
                                   {D3DTSS_MAXANISOTROPY, 21},
                                   {D3DTSS_TEXTURETRANSFORMFLAGS, 24},
                                   {D3DTSS_ADDRESSW, 25},
                                   {GPU_STAGE_COUNT, 8},
                                   {GPU_STAGE_STATE_COUNT, 128}});
    ExpectNumbers("stage operations and arguments", {{D3DTOP_DISABLE, 1},
                                                     {D3DTOP_SELECTARG1, 2},
                                                     {D3DTOP_SELECTARG2, 3},
                                                     {D3DTOP_MODULATE, 4},
                                                     {D3DTOP_BLENDCURRENTALPHA, 16},
                                                     {D3DTOP_DOTPRODUCT3, 24},
                                                     {D3DTA_DIFFUSE, 0},
                                                     {D3DTA_CURRENT, 1},
                                                     {D3DTA_TEXTURE, 2},
                                                     {D3DTA_TFACTOR, 3},
                                                     {D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR, 0x30000},
                                                     {D3DTTFF_COUNT2, 2},
                                                     {D3DTTFF_COUNT3, 3}});
    ExpectNumbers("filters, addressing, blending, tests, culling", {{D3DTEXF_NONE, 0},
                                                                    {D3DTEXF_POINT, 1},
                                                                    {D3DTEXF_LINEAR, 2},
                                                                    {D3DTEXF_ANISOTROPIC, 3},
                                                                    {D3DTADDRESS_WRAP, 1},
                                                                    {D3DTADDRESS_CLAMP, 3},
                                                                    {D3DBLEND_ONE, 2},
                                                                    {D3DBLEND_SRCCOLOR, 3},
                                                                    {D3DBLEND_INVSRCCOLOR, 4},
                                                                    {D3DBLEND_SRCALPHA, 5},
                                                                    {D3DBLEND_INVSRCALPHA, 6},
                                                                    {D3DCMP_GREATER, 5},
                                                                    {D3DCMP_GREATEREQUAL, 7},
                                                                    {D3DCULL_NONE, 1},
                                                                    {D3DCULL_CW, 2},
                                                                    {D3DCULL_CCW, 3},
                                                                    {D3DFILL_SOLID, 3}});
    ExpectNumbers("vertex formats, primitives, transforms", {{D3DFVF_XYZ, 0x002},
                                                             {D3DFVF_XYZRHW, 0x004},
                                                             {D3DFVF_NORMAL, 0x010},
                                                             {D3DFVF_DIFFUSE, 0x040},
                                                             {D3DFVF_TEX1, 0x100},
                                                             {D3DFVF_TEX2, 0x200},
                                                             {D3DPT_POINTLIST, 1},
                                                             {D3DPT_TRIANGLELIST, 4},
                                                             {D3DPT_TRIANGLESTRIP, 5},
                                                             {D3DTS_VIEW, 2},
                                                             {D3DTS_PROJECTION, 3},
                                                             {D3DTS_TEXTURE0, 16},
                                                             {D3DTS_WORLD, 256}});
    ExpectNumbers("pools, usage, locks, caps, presentation", {{D3DPOOL_DEFAULT, 0},
                                                              {D3DPOOL_MANAGED, 1},
                                                              {D3DUSAGE_RENDERTARGET, 1},
                                                              {D3DUSAGE_WRITEONLY, 8},
                                                              {D3DUSAGE_DYNAMIC, 0x200},
                                                              {D3DLOCK_NOSYSLOCK, 0x800},
                                                              {D3DLOCK_DISCARD, 0x2000},
                                                              {D3DCAPS2_FULLSCREENGAMMA, 0x20000},
                                                              {D3DCAPS2_CANCALIBRATEGAMMA, 0x100000},
                                                              {D3DSWAPEFFECT_DISCARD, 1},
                                                              {D3DPRESENT_INTERVAL_IMMEDIATE, 0x80000000u},
                                                              {D3DLIGHT_DIRECTIONAL, 3}});
}
