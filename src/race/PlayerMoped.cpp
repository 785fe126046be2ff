#include "race/PlayerMoped.h"

#include "engine/platform/InputSystem.h"
#include "engine/scene/Camera.h"
#include "physics/TRigidBody.h"
#include "tracks/Track.h"

#include "backend/window/KeyCodes.h"

#include <algorithm>
#include <cmath>

using backend::Vector3;

namespace {

constexpr uint8_t KEY_DOWN = 0x80;
constexpr float BOOST_START_RESERVE = 1.0f;

constexpr float CAMERA_DISTANCE = 4.3f;
constexpr float CAMERA_INVERSE_DISTANCE = 1.0f / CAMERA_DISTANCE;
constexpr float CAMERA_AIM_HEIGHT = 0.7f;
constexpr float CAMERA_CLEARANCE = 1.8f;
// Most the camera turns in a frame.
constexpr float CAMERA_TURN = 0.017f;
// How far the camera lags behind a moped turning with a key held.
constexpr float CAMERA_LAG = 0.2f;
constexpr float LOOK_BACK_RATE = 0.5f;
constexpr float REALIGN_RATE = 0.4f;
constexpr float REALIGN_FAST = 0.025f;
constexpr float ALIGNED = 0.999999f;
constexpr float HEIGHT_RATE = 0.12f;
constexpr float HEIGHT_STEP = 0.12f;
constexpr float HEIGHT_SNAP = 0.02f;
// Shorter ground-plane directions have no heading.
constexpr float MIN_HEADING_LENGTH = 1e-6f;

constexpr float PI = 3.14159265f;
constexpr float TWO_PI = 6.28318531f;

// Where a wanted heading m lies from the camera's heading c in the ground plane.
struct Bearing {
    bool valid = false; // both have a heading
    float d = 1.0f;     // cosine of the angle between them, within [-1, 1]
    float s = 0.0f;     // above 0 when the yaw must grow to reach m
};

Bearing Compare(float mx, float mz, float cx, float cz)
{
    Bearing b;
    const float ml = std::hypot(mx, mz), cl = std::hypot(cx, cz);
    if (!(ml > MIN_HEADING_LENGTH) || !(cl > MIN_HEADING_LENGTH))
        return b;
    mx /= ml;
    mz /= ml;
    cx /= cl;
    cz /= cl;
    b.valid = true;
    b.d = std::clamp(cx * mx + cz * mz, -1.0f, 1.0f);
    b.s = mx * cz - mz * cx;
    return b;
}

// A turn by `angle` toward m; when m lies exactly behind, the yaw grows.
float Toward(const Bearing& b, float angle)
{
    if (b.s > 0.0f)
        return angle;
    if (b.s < 0.0f)
        return -angle;
    return b.d < 0.0f ? angle : 0.0f;
}

float WrapYaw(float yaw)
{
    if (yaw > TWO_PI || yaw < 0.0f) {
        yaw = std::fmod(yaw, TWO_PI);
        if (yaw < 0.0f)
            yaw += TWO_PI;
    }
    return yaw;
}

} // namespace

void PlayerMoped::ReadKeyboard(bool racing)
{
    const InputSystem& input = g_InputSystem;
    auto down = [&input](uint8_t key) { return input.keyboardValid && (input.keys[key] & KEY_DOWN) != 0; };

    if (racing && down(backend::DIK_SPACE))
        throttle = THROTTLE_HANDBRAKE;
    else if (racing && down(backend::DIK_DOWN))
        throttle = THROTTLE_BRAKE;
    else if (racing && down(backend::DIK_UP))
        throttle = THROTTLE_ACCELERATE;
    else
        throttle = THROTTLE_NONE;

    steering = down(backend::DIK_LEFT) ? STEER_LEFT : down(backend::DIK_RIGHT) ? STEER_RIGHT : STEER_NONE;

    // A running boost stays on while the key is held, until the driving model ends it.
    if (racing && (down(backend::DIK_LCONTROL) || down(backend::DIK_RCONTROL))) {
        if (boostAmount > BOOST_START_RESERVE)
            boost = 1;
    } else {
        boost = 0;
    }
}

Vector3 PlayerMoped::ChaseEye(float yaw, float* aimHeight) const
{
    const float aim = position.y + CAMERA_AIM_HEIGHT;
    Vector3 eye = {position.x - std::sin(yaw) * CAMERA_DISTANCE, aim, position.z - std::cos(yaw) * CAMERA_DISTANCE};
    if (track == nullptr || !track->terrain.SnapToGround(&eye, CAMERA_CLEARANCE))
        eye.y = aim;
    // Ground far below the moped: keep the camera up with it.
    if (eye.y - aim < -CAMERA_CLEARANCE)
        eye.y = position.y + CAMERA_CLEARANCE;
    *aimHeight = aim;
    return eye;
}

void PlayerMoped::PoseCamera(Camera* camera, const Vector3& eye, float aimHeight) const
{
    camera->eye = eye;
    camera->angles = {-std::atan((eye.y - aimHeight) * CAMERA_INVERSE_DISTANCE), cameraYaw, 0.0f};
    camera->Update();
}

void PlayerMoped::PlaceChaseCamera(uint32_t newLookBack, Camera* camera)
{
    // A moped pointing straight up or down has no heading: it keeps the one the camera had.
    const float heading = lookBack == 1 ? cameraYaw - PI : cameraYaw;
    lookBack = newLookBack;
    camera->angles = {0.0f, 0.0f, 0.0f};
    camera->Update();
    const Bearing b = Compare(forward.x, forward.z, camera->forward.x, camera->forward.z);
    float yaw = b.valid ? Toward(b, std::acos(b.d)) : heading;
    if (lookBack == 1)
        yaw += PI;
    cameraYaw = WrapYaw(yaw);

    float aim = 0.0f;
    const Vector3 eye = ChaseEye(cameraYaw, &aim);
    PoseCamera(camera, eye, aim);
}

void PlayerMoped::UpdateChaseCamera(Camera* camera)
{
    const float toward = lookBack == 1 ? -1.0f : 1.0f;
    const Bearing b = Compare(forward.x * toward, forward.z * toward, camera->forward.x, camera->forward.z);
    if (b.valid) {
        if (lookBack == 1) {
            if (b.d < ALIGNED)
                cameraYaw += Toward(b, std::min((1.0f - b.d) * LOOK_BACK_RATE, CAMERA_TURN));
        } else if (steering == STEER_LEFT) {
            // Lags up to CAMERA_LAG behind a moped turning left, never turning the other way.
            const float a = std::acos(b.d);
            if (a > CAMERA_LAG && b.s < 0.0f)
                cameraYaw -= std::min(a - CAMERA_LAG, CAMERA_TURN);
        } else if (steering == STEER_RIGHT) {
            const float a = std::acos(b.d);
            if (a > CAMERA_LAG && b.s > 0.0f)
                cameraYaw += std::min(a - CAMERA_LAG, CAMERA_TURN);
        } else if (b.d < ALIGNED) {
            const float r = (1.0f - b.d) * REALIGN_RATE;
            const float step = r > REALIGN_FAST ? r - REALIGN_FAST + CAMERA_TURN : std::min(r, CAMERA_TURN);
            cameraYaw += Toward(b, step);
            cameraRealign = 1;
        } else if (cameraRealign != 0) {
            if (b.d < 1.0f)
                cameraYaw += Toward(b, std::acos(b.d));
            cameraRealign = 0;
        }
    }
    cameraYaw = WrapYaw(cameraYaw);

    float aim = 0.0f;
    Vector3 eye = ChaseEye(cameraYaw, &aim);
    const float rise = eye.y - camera->eye.y;
    if (std::fabs(rise) > HEIGHT_SNAP)
        eye.y = camera->eye.y + std::clamp(rise * HEIGHT_RATE, -HEIGHT_STEP, HEIGHT_STEP);
    PoseCamera(camera, eye, aim);
}

void PlayerMoped::Reset()
{
    Moped::Reset();
    lastLapMs = 0;
    lapMs = 0;
    totalMs = 0;
}

void PlayerMoped::UpdateRaceClock(uint32_t ms)
{
    // The finishing frame still counts; after it both clocks stand.
    if (progress.lap != RACE_LAP_COUNT) {
        lapMs += ms;
        totalMs += ms;
    }
    UpdateRaceState();
    if (progress.event == PROGRESS_LAP_COMPLETED) {
        lastLapMs = lapMs;
        lapMs = 0;
    }
}

void PlayerMoped::PackControlMessage(uint8_t message[CONTROL_MESSAGE_SIZE]) const
{
    ControlMessage controls;
    controls.throttle = static_cast<uint8_t>(throttle);
    controls.steering = static_cast<uint8_t>(steering);
    controls.boost = boost == 1 ? 1 : 0;
    controls.recovering = status == MOPEDSTATUS_RECOVERING ? 1 : 0;
    controls.Pack(message);
}

void PlayerMoped::PackStateMessage(uint8_t message[MOPED_STATE_MESSAGE_SIZE]) const
{
    MopedStateMessage state;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            state.world[row * 4 + column] = world.row[row][column];
    for (int i = 0; i < 4; ++i)
        state.velocity[i] = velocity[i];
    state.rearTyreSpin = Dot3(rearTyre->GetAngularMomentum(), right);
    state.driveTorque = driveTorque;
    state.steerAngle = steerAngle;
    state.Pack(message);
}

void PlayerMoped::SyncRaceTime(uint32_t raceMs)
{
    if (progress.lap == RACE_LAP_COUNT)
        return;
    if (raceMs > totalMs) {
        lapMs += raceMs - totalMs;
    } else if (totalMs - raceMs < lapMs) {
        // A step back as long as the lap or longer leaves the lap time alone.
        lapMs -= totalMs - raceMs;
    }
    totalMs = raceMs;
}
