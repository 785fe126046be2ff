#pragma once
// The launcher's lists, selections, check boxes and enable rules, without a
// toolkit: the dialog (backend/dialog) shows it, tests drive it directly.

#include "app/DisplayMode.h"
#include "app/GameConfig.h"
#include "app/SoundDeviceTable.h"
#include "backend/dialog/LauncherDialog.h"
#include "engine/platform/DeviceSettings.h"

#include <string>
#include <vector>

// The size of the game window when it is windowed.
constexpr uint32_t WINDOWED_WIDTH = 800;
constexpr uint32_t WINDOWED_HEIGHT = 600;

class LauncherModel : public backend::LauncherDialogModel {
public:
    // Sound device rows point into `soundDevices`, which must outlive the settings made here.
    explicit LauncherModel(SoundDeviceTable& soundDevices);

    // Fixed rows of the render device and texture filter lists.
    void AddFixedRows();
    // A new row unless a row with the same size and format exists.
    void AddDisplayMode(uint32_t width, uint32_t height, backend::GpuFormat format);
    // Empties the mode rows (and their modes) together.
    void ClearDisplayModes();
    // The format of a windowed game when the mode list is empty.
    void SetDesktopFormat(backend::GpuFormat format) { desktopFormat = format; }
    // Rows "1x" to "<max>x"; none for 0.
    void SetMaxAnisotropy(uint32_t maxAnisotropy);
    // A device row: name null is the default device. False when the device
    // was dropped because the table is full.
    bool AddSoundDevice(const char* name, const char* description);

    // Row 0 in every list, every box unchecked.
    void SetDefaults();
    // A list row is taken when it exists, a check when the value is 0 or 1.
    void ApplyConfig(const GameConfig& config);
    // Fills the settings and the config from the current choices; a list
    // without a selection leaves its settings as they were.
    void Apply(DeviceSettings& settings, GameConfig& config) const;

    const std::vector<DisplayMode>& DisplayModes() const { return displayModes; }

    // The dialog's view of the model.
    int RowCount(int list) const override;
    std::string RowText(int list, int row) const override;
    int Selection(int list) const override;
    void Select(int list, int row) override;
    bool IsChecked(int check) const override;
    void SetChecked(int check, bool checked) override;
    bool IsEnabled(int control) const override;
    bool CanPlay() const override;

private:
    struct List {
        std::vector<std::string> rows;
        int selection = -1;
    };
    List* FindList(int list);
    const List* FindList(int list) const;
    bool* FindCheck(int check);
    const bool* FindCheck(int check) const;

    SoundDeviceTable& soundDevices;
    List renderDevices, displayModeRows, textureFilters, anisotropyLevels, soundDeviceRows;
    std::vector<DisplayMode> displayModes; // parallel to displayModeRows
    std::vector<int> soundDeviceSlots;     // parallel to soundDeviceRows; -1 is the default device
    backend::GpuFormat desktopFormat = backend::D3DFMT_X8R8G8B8;
    bool windowed = false, tripleBuffering = false, disableMipmapping = false;
    bool softwareSoundBuffers = false, disableMusic = false;
};

// Bits per pixel of a display format as the mode list shows it (0 for others).
int DisplayFormatBits(backend::GpuFormat format);
