#include "backend/gpu/GpuGlState.h"

#include "backend/gpu/GlHeaders.h"

namespace backend {

void GpuGlState::Forget()
{
    program = framebuffer = activeUnit = arrayBuffer = elementBuffer = UNKNOWN;
    for (uint32_t unit = 0; unit < UNITS; ++unit)
        flatTexture[unit] = cubeTexture[unit] = UNKNOWN;
    for (bool& known : attributeKnown)
        known = false;
    enabledKnown = fixedKnown = viewportKnown = false;
    scissorTest = UNKNOWN;
}

void GpuGlState::ForgetTexture(uint32_t name)
{
    for (uint32_t unit = 0; unit < UNITS; ++unit) {
        if (flatTexture[unit] == name)
            flatTexture[unit] = UNKNOWN;
        if (cubeTexture[unit] == name)
            cubeTexture[unit] = UNKNOWN;
    }
}

void GpuGlState::ForgetBuffer(uint32_t name)
{
    if (arrayBuffer == name)
        arrayBuffer = UNKNOWN;
    if (elementBuffer == name)
        elementBuffer = UNKNOWN;
    for (uint32_t slot = 0; slot < ATTRIBUTES; ++slot)
        if (attributes[slot].buffer == name)
            attributeKnown[slot] = false;
}

void GpuGlState::UseProgram(uint32_t name)
{
    if (program == name)
        return;
    glUseProgram(name);
    program = name;
    ++calls;
}

void GpuGlState::BindFramebuffer(uint32_t name)
{
    if (framebuffer == name)
        return;
    glBindFramebuffer(GL_FRAMEBUFFER, name);
    framebuffer = name;
    ++calls;
}

void GpuGlState::SelectUnit(uint32_t unit)
{
    if (activeUnit == unit)
        return;
    glActiveTexture(GL_TEXTURE0 + unit);
    activeUnit = unit;
    ++calls;
}

void GpuGlState::BindTexture(uint32_t unit, uint32_t target, uint32_t name)
{
    uint32_t& bound = target == GL_TEXTURE_CUBE_MAP ? cubeTexture[unit] : flatTexture[unit];
    if (bound == name)
        return;
    SelectUnit(unit);
    glBindTexture(target, name);
    bound = name;
    ++calls;
}

void GpuGlState::BindTextureForEdit(uint32_t target, uint32_t name)
{
    if (activeUnit == UNKNOWN)
        SelectUnit(0);
    BindTexture(activeUnit, target, name);
}

void GpuGlState::BindBuffer(uint32_t target, uint32_t name)
{
    uint32_t& bound = target == GL_ELEMENT_ARRAY_BUFFER ? elementBuffer : arrayBuffer;
    if (bound == name)
        return;
    glBindBuffer(target, name);
    bound = name;
    ++calls;
}

void GpuGlState::SetAttribPointer(uint32_t slot, const GpuAttribPointer& pointer)
{
    if (attributeKnown[slot] && attributes[slot] == pointer)
        return;
    BindBuffer(GL_ARRAY_BUFFER, pointer.buffer);
    glVertexAttribPointer(slot, pointer.size, pointer.type, pointer.normalised ? GL_TRUE : GL_FALSE,
                          GLsizei(pointer.stride), reinterpret_cast<const void*>(pointer.offset));
    attributes[slot] = pointer;
    attributeKnown[slot] = true;
    ++calls;
}

void GpuGlState::EnableAttributes(uint32_t mask)
{
    const uint32_t change = enabledKnown ? mask ^ enabledAttributes : (1u << ATTRIBUTES) - 1;
    for (uint32_t slot = 0; slot < ATTRIBUTES; ++slot) {
        if (!((change >> slot) & 1))
            continue;
        if ((mask >> slot) & 1)
            glEnableVertexAttribArray(slot);
        else
            glDisableVertexAttribArray(slot);
        ++calls;
    }
    enabledAttributes = mask;
    enabledKnown = true;
}

namespace {

void Switch(GLenum capability, bool on)
{
    if (on)
        glEnable(capability);
    else
        glDisable(capability);
}

} // namespace

void GpuGlState::SetColorMask(uint32_t mask)
{
    if (fixedKnown && fixed.colorMask == mask)
        return;
    glColorMask((mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0);
    fixed.colorMask = mask;
    ++calls;
}

void GpuGlState::SetDepthWrite(bool write)
{
    if (fixedKnown && fixed.depthWrite == write)
        return;
    glDepthMask(write ? GL_TRUE : GL_FALSE);
    fixed.depthWrite = write;
    ++calls;
}

void GpuGlState::SetStencilWriteMask(uint32_t mask)
{
    if (fixedKnown && fixed.stencilWriteMask == mask)
        return;
    glStencilMask(mask);
    fixed.stencilWriteMask = mask;
    ++calls;
}

void GpuGlState::SetFixed(const GpuFixedState& want)
{
    if (fixedKnown && fixed == want)
        return;
    const bool all = !fixedKnown;
    auto update = [&](bool changed, auto emit) {
        if (all || changed) {
            emit();
            ++calls;
        }
    };
    update(fixed.depthTest != want.depthTest, [&] { Switch(GL_DEPTH_TEST, want.depthTest); });
    update(fixed.depthFunc != want.depthFunc, [&] { glDepthFunc(want.depthFunc); });
    update(fixed.blend != want.blend, [&] { Switch(GL_BLEND, want.blend); });
    update(fixed.blendSource != want.blendSource || fixed.blendDest != want.blendDest,
           [&] { glBlendFunc(want.blendSource, want.blendDest); });
    update(fixed.cull != want.cull, [&] { Switch(GL_CULL_FACE, want.cull); });
    update(fixed.frontFace != want.frontFace, [&] { glFrontFace(want.frontFace); });
    update(fixed.polygonMode != want.polygonMode, [&] { glPolygonMode(GL_FRONT_AND_BACK, want.polygonMode); });
    update(fixed.pointSize != want.pointSize, [&] { glPointSize(want.pointSize); });
    update(fixed.stencilTest != want.stencilTest, [&] { Switch(GL_STENCIL_TEST, want.stencilTest); });
    update(fixed.stencilFunc != want.stencilFunc || fixed.stencilRef != want.stencilRef ||
               fixed.stencilReadMask != want.stencilReadMask,
           [&] { glStencilFunc(want.stencilFunc, GLint(want.stencilRef), want.stencilReadMask); });
    update(fixed.stencilFail != want.stencilFail || fixed.stencilDepthFail != want.stencilDepthFail ||
               fixed.stencilPass != want.stencilPass,
           [&] { glStencilOp(want.stencilFail, want.stencilDepthFail, want.stencilPass); });
    if (all) { // the cull face is always the back one
        glCullFace(GL_BACK);
        ++calls;
    }
    SetColorMask(want.colorMask);
    SetDepthWrite(want.depthWrite);
    SetStencilWriteMask(want.stencilWriteMask);
    fixed = want;
    fixedKnown = true;
}

void GpuGlState::SetViewport(const GpuGlViewport& want)
{
    if (viewportKnown && viewport == want)
        return;
    if (!viewportKnown || viewport.x != want.x || viewport.y != want.y || viewport.width != want.width ||
        viewport.height != want.height) {
        glViewport(want.x, want.y, want.width, want.height);
        ++calls;
    }
    if (!viewportKnown || viewport.minZ != want.minZ || viewport.maxZ != want.maxZ) {
        glDepthRange(want.minZ, want.maxZ);
        ++calls;
    }
    viewport = want;
    viewportKnown = true;
}

void GpuGlState::SetScissorTest(bool enable)
{
    if (scissorTest == uint32_t(enable))
        return;
    Switch(GL_SCISSOR_TEST, enable);
    scissorTest = uint32_t(enable);
    ++calls;
}

void GpuGlState::EnableAllWrites()
{
    if (!fixedKnown) {
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glDepthMask(GL_TRUE);
        glStencilMask(0xFFFFFFFFu);
        calls += 3;
    } else {
        SetColorMask(0xF);
        SetDepthWrite(true);
        SetStencilWriteMask(0xFFFFFFFFu);
    }
}

} // namespace backend
