#include "race/MultiplayerRace.h"

#include "tracks/Track.h"

#include "backend/gpu/GpuDevice.h"
#include "backend/math/MatrixMath.h"
#include "backend/math/Vector.h"
#include "engine/platform/BitmapFont.h"
#include "engine/platform/RenderDevice.h"

#include <cstdio>

using namespace backend;

namespace {

constexpr uint32_t WHITE = 0xFFFFFFFFu;
constexpr int ALIGN_LEFT = 0;
constexpr int ALIGN_CENTRE = 1;
constexpr float LABEL_HEIGHT = 1.3f;
constexpr float NEAR_LABEL_RANGE_SQ = 100.0f;

Vector3 ToVector3(const TVec4& v)
{
    return {v.x, v.y, v.z};
}

} // namespace

void MultiplayerRace::Render()
{
    GpuDevice* device = g_RenderDevice.device;
    device->SetTransform(D3DTS_VIEW, &camera.view);
    device->SetTransform(D3DTS_PROJECTION, &camera.projection);
    track->Render(&camera);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    track->environmentMap.Apply(1, D3DTOP_BLENDCURRENTALPHA, &camera, false);
    playerMoped.Render(&camera, false);
    for (const std::unique_ptr<Opponent>& opponent : opponents)
        if (opponent->moped)
            opponent->moped->Render(&camera, false);
    track->environmentMap.Remove();
    playerMoped.RenderRider(&camera, false);
    for (const std::unique_ptr<Opponent>& opponent : opponents)
        if (opponent->moped)
            opponent->moped->RenderRider(&camera, false);
    track->RenderTransparent(&camera);
    track->RenderLensFlare(&camera);
    playerMoped.RenderEffects(&camera);
    for (const std::unique_ptr<Opponent>& opponent : opponents)
        if (opponent->moped)
            opponent->moped->RenderEffects(&camera);
    track->RenderParticles(&camera);
}

void MultiplayerRace::RenderHud(BitmapFont* font)
{
    int32_t place = 1;
    for (const std::unique_ptr<Opponent>& opponent : opponents) {
        if (!opponent->moped) {
            if (opponent->finished)
                ++place;
        } else if (opponent->moped->progress.IsAhead(playerMoped.progress)) {
            ++place;
        }
    }

    Matrix viewProjection;
    MatrixMultiply(&viewProjection, &camera.view, &camera.projection);
    for (const std::unique_ptr<Opponent>& opponent : opponents) {
        if (!opponent->moped)
            continue;
        const Vector3 at = ToVector3(opponent->moped->position);
        const Vector3 d = {at.x - camera.eye.x, at.y - camera.eye.y, at.z - camera.eye.z};
        const float d2 = d.x * d.x + d.y * d.y + d.z * d.z;
        const Vector3 head = {at.x, at.y + LABEL_HEIGHT, at.z};
        if (!(d2 < NAME_LABEL_RANGE_SQ) || !camera.IsPointInFrustum(&head))
            continue;
        Vector3 clip;
        Vec3TransformCoord(&clip, &head, &viewProjection);
        const float x = (clip.x + 1.0f) * 0.5f * 800.0f;
        const float y = (1.0f - (clip.y + 1.0f) * 0.5f) * 600.0f;
        const float scale =
            d2 < NEAR_LABEL_RANGE_SQ ? 0.5f : 0.3f + 0.2f * (1.0f - (d2 - NEAR_LABEL_RANGE_SQ) / 2400.0f);
        font->DrawText(opponent->name, x, y, scale, 0.0f, WHITE, ALIGN_CENTRE);
    }

    Race::RenderHud(font);

    font->DrawText("Position", 690.0f, 4.0f, 0.65f, 0.0f, WHITE, ALIGN_LEFT);
    char text[32];
    const int32_t shown = playerMoped.progress.lap == RACE_LAP_COUNT ? finishPosition : place;
    std::snprintf(text, sizeof text, "%i/%i", shown, static_cast<int>(opponents.size()) + 1);
    font->DrawText(text, 700.0f, 20.0f, 1.2f, 2.0f, WHITE, ALIGN_LEFT);
    if (phase == RACEPHASE_WAITING)
        font->DrawText("Waiting for other players to join...", 400.0f, 286.0f, 0.55f, 0.0f, WHITE, ALIGN_CENTRE);

    g_RenderDevice.ChangeRenderState(D3DRS_ALPHABLENDENABLE, 1);
    for (size_t i = 0; i < opponents.size(); ++i) {
        if (!opponents[i]->moped)
            continue;
        const Vector3 at = ToVector3(opponents[i]->moped->position);
        minimap.RenderMarker(&at, OPPONENT_MARKER_COLOURS[i % MAX_OPPONENTS]);
    }
    const Vector3 here = ToVector3(playerMoped.position);
    minimap.RenderMarker(&here, LOCAL_MARKER_COLOUR);
    g_RenderDevice.RevertRenderState(D3DRS_ALPHABLENDENABLE);

    messages.Render(*font, 0.0f, 200.0f, 12.0f);
}
