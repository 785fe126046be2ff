#include "app/LauncherModel.h"

#include <algorithm>
#include <cstdio>

using namespace backend;

namespace {

// Render device rows, texture filter rows and what they select.
const char* const RENDER_DEVICE_ROWS[] = {"Hardware T&L", "Hardware", "Reference Rasterizer"};
const char* const TEXTURE_FILTER_ROWS[] = {"Nearest", "Trilinear", "Anisotropic"};
constexpr int ANISOTROPIC_ROW = 2;
// More rows than any driver offers would only make the list unusable.
constexpr uint32_t MAX_ANISOTROPY_ROWS = 64;

void SelectIfValid(int& selection, int row, size_t rowCount)
{
    if (row >= 0 && size_t(row) < rowCount)
        selection = row;
}

} // namespace

int DisplayFormatBits(GpuFormat format)
{
    switch (format) {
    case D3DFMT_X1R5G5B5:
    case D3DFMT_R5G6B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
        return 16;
    case D3DFMT_R8G8B8:
        return 24;
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A8R8G8B8:
        return 32;
    default:
        return 0;
    }
}

LauncherModel::LauncherModel(SoundDeviceTable& soundDevices) : soundDevices(soundDevices) {}

void LauncherModel::AddFixedRows()
{
    if (renderDevices.rows.empty())
        renderDevices.rows.assign(std::begin(RENDER_DEVICE_ROWS), std::end(RENDER_DEVICE_ROWS));
    if (textureFilters.rows.empty())
        textureFilters.rows.assign(std::begin(TEXTURE_FILTER_ROWS), std::end(TEXTURE_FILTER_ROWS));
}

void LauncherModel::AddDisplayMode(uint32_t width, uint32_t height, GpuFormat format)
{
    // Modes that differ only in their refresh rate share a row.
    for (const DisplayMode& mode : displayModes)
        if (mode.width == width && mode.height == height && mode.format == format)
            return;
    displayModes.push_back({width, height, format});
    char text[64];
    std::snprintf(text, sizeof(text), "%dx%dx%d", int(width), int(height), DisplayFormatBits(format));
    displayModeRows.rows.emplace_back(text);
}

void LauncherModel::ClearDisplayModes()
{
    displayModes.clear();
    displayModeRows.rows.clear();
    displayModeRows.selection = -1;
}

void LauncherModel::SetMaxAnisotropy(uint32_t maxAnisotropy)
{
    anisotropyLevels.rows.clear();
    anisotropyLevels.selection = -1;
    for (uint32_t level = 1; level <= std::min(maxAnisotropy, MAX_ANISOTROPY_ROWS); ++level)
        anisotropyLevels.rows.push_back(std::to_string(level) + "x");
}

bool LauncherModel::AddSoundDevice(const char* name, const char* description)
{
    int slot = -1;
    if (name) {
        slot = soundDevices.Add(name);
        if (slot < 0)
            return false;
    }
    soundDeviceRows.rows.emplace_back(description ? description : (name ? name : ""));
    soundDeviceSlots.push_back(slot);
    return true;
}

void LauncherModel::SetDefaults()
{
    for (List* list : {&renderDevices, &displayModeRows, &textureFilters, &anisotropyLevels, &soundDeviceRows})
        list->selection = list->rows.empty() ? -1 : 0;
    windowed = tripleBuffering = disableMipmapping = softwareSoundBuffers = disableMusic = false;
}

void LauncherModel::ApplyConfig(const GameConfig& config)
{
    // A row that no longer exists (fewer modes or devices than last time) keeps the default.
    SelectIfValid(renderDevices.selection, config.renderDeviceIndex, renderDevices.rows.size());
    SelectIfValid(displayModeRows.selection, config.displayModeIndex, displayModeRows.rows.size());
    SelectIfValid(textureFilters.selection, config.textureFilterIndex, textureFilters.rows.size());
    SelectIfValid(anisotropyLevels.selection, config.anisotropyIndex, anisotropyLevels.rows.size());
    SelectIfValid(soundDeviceRows.selection, config.soundDeviceIndex, soundDeviceRows.rows.size());
    const auto applyCheck = [](bool& check, int32_t value) {
        if (value == 0 || value == 1)
            check = value == 1;
    };
    applyCheck(windowed, config.windowed);
    applyCheck(tripleBuffering, config.tripleBuffering);
    applyCheck(disableMipmapping, config.disableMipmapping);
    applyCheck(softwareSoundBuffers, config.softwareSoundBuffers);
    applyCheck(disableMusic, config.disableMusic);
}

void LauncherModel::Apply(DeviceSettings& settings, GameConfig& config) const
{
    if (!displayModes.empty()) {
        const int row = displayModeRows.selection >= 0 ? displayModeRows.selection : 0;
        const DisplayMode& mode = displayModes[size_t(row)];
        settings.width = mode.width;
        settings.height = mode.height;
        settings.format = mode.format;
    } else if (windowed) {
        settings.width = WINDOWED_WIDTH;
        settings.height = WINDOWED_HEIGHT;
        settings.format = desktopFormat;
    }

    switch (renderDevices.selection) {
    case 0:
        settings.deviceType = D3DDEVTYPE_HAL;
        settings.behaviorFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
        break;
    case 1:
        settings.deviceType = D3DDEVTYPE_HAL;
        settings.behaviorFlags = D3DCREATE_MIXED_VERTEXPROCESSING;
        break;
    case 2:
        settings.deviceType = D3DDEVTYPE_REF;
        settings.behaviorFlags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
        break;
    default:
        break;
    }

    settings.windowed = windowed;
    settings.backBufferCount = tripleBuffering ? 2 : 1;
    switch (textureFilters.selection) {
    case 0:
        settings.minMagFilter = D3DTEXF_POINT;
        break;
    case 1:
        settings.minMagFilter = D3DTEXF_LINEAR;
        break;
    case 2:
        settings.minMagFilter = D3DTEXF_ANISOTROPIC;
        break;
    default:
        break;
    }
    settings.mipFilter = disableMipmapping ? D3DTEXF_NONE : settings.minMagFilter;
    settings.maxAnisotropy = uint32_t(std::max(anisotropyLevels.selection + 1, 1));

    // No selection is the default device, never an invalid one.
    const int soundRow = soundDeviceRows.selection;
    const int slot =
        (soundRow >= 0 && size_t(soundRow) < soundDeviceSlots.size()) ? soundDeviceSlots[size_t(soundRow)] : -1;
    settings.soundDevice = (slot >= 0 && slot < soundDevices.count) ? soundDevices.names[slot].c_str() : nullptr;
    settings.softwareSoundBuffers = softwareSoundBuffers;
    settings.disableMusic = disableMusic;

    config.renderDeviceIndex = renderDevices.selection;
    config.displayModeIndex = displayModeRows.selection;
    config.windowed = windowed ? 1 : 0;
    config.tripleBuffering = tripleBuffering ? 1 : 0;
    config.textureFilterIndex = textureFilters.selection;
    config.anisotropyIndex = anisotropyLevels.selection;
    config.disableMipmapping = disableMipmapping ? 1 : 0;
    config.soundDeviceIndex = soundDeviceRows.selection;
    config.softwareSoundBuffers = softwareSoundBuffers ? 1 : 0;
    config.disableMusic = disableMusic ? 1 : 0;
}

LauncherModel::List* LauncherModel::FindList(int list)
{
    return const_cast<List*>(static_cast<const LauncherModel*>(this)->FindList(list));
}

const LauncherModel::List* LauncherModel::FindList(int list) const
{
    switch (list) {
    case LAUNCHER_RENDER_DEVICE:
        return &renderDevices;
    case LAUNCHER_DISPLAY_MODE:
        return &displayModeRows;
    case LAUNCHER_TEXTURE_FILTER:
        return &textureFilters;
    case LAUNCHER_ANISOTROPY:
        return &anisotropyLevels;
    case LAUNCHER_SOUND_DEVICE:
        return &soundDeviceRows;
    default:
        return nullptr;
    }
}

bool* LauncherModel::FindCheck(int check)
{
    return const_cast<bool*>(static_cast<const LauncherModel*>(this)->FindCheck(check));
}

const bool* LauncherModel::FindCheck(int check) const
{
    switch (check) {
    case LAUNCHER_WINDOWED:
        return &windowed;
    case LAUNCHER_TRIPLE_BUFFERING:
        return &tripleBuffering;
    case LAUNCHER_DISABLE_MIPMAPPING:
        return &disableMipmapping;
    case LAUNCHER_SOFTWARE_SOUND:
        return &softwareSoundBuffers;
    case LAUNCHER_DISABLE_MUSIC:
        return &disableMusic;
    default:
        return nullptr;
    }
}

int LauncherModel::RowCount(int list) const
{
    const List* l = FindList(list);
    return l ? int(l->rows.size()) : 0;
}

std::string LauncherModel::RowText(int list, int row) const
{
    const List* l = FindList(list);
    if (!l || row < 0 || size_t(row) >= l->rows.size())
        return std::string();
    return l->rows[size_t(row)];
}

int LauncherModel::Selection(int list) const
{
    const List* l = FindList(list);
    return l ? l->selection : -1;
}

void LauncherModel::Select(int list, int row)
{
    if (List* l = FindList(list)) {
        if (row == -1)
            l->selection = -1;
        else
            SelectIfValid(l->selection, row, l->rows.size());
    }
}

bool LauncherModel::IsChecked(int check) const
{
    const bool* c = FindCheck(check);
    return c && *c;
}

void LauncherModel::SetChecked(int check, bool checked)
{
    if (bool* c = FindCheck(check))
        *c = checked;
}

bool LauncherModel::IsEnabled(int control) const
{
    switch (control) {
    case LAUNCHER_DISPLAY_MODE:
        return !windowed;
    case LAUNCHER_ANISOTROPY:
        return textureFilters.selection == ANISOTROPIC_ROW;
    case LAUNCHER_PLAY:
        return CanPlay();
    default:
        return true;
    }
}

bool LauncherModel::CanPlay() const
{
    // Full screen needs a mode to switch to; a window falls back to 800 x 600.
    return windowed || !displayModes.empty();
}
