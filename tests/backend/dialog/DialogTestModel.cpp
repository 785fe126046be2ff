#include "DialogTestModel.h"

using namespace backend;

namespace dialogtest {

namespace {

constexpr int ROWS = 3;

} // namespace

DialogTestModel::DialogTestModel()
{
    for (int list : {LAUNCHER_RENDER_DEVICE, LAUNCHER_DISPLAY_MODE, LAUNCHER_TEXTURE_FILTER, LAUNCHER_ANISOTROPY,
                     LAUNCHER_SOUND_DEVICE})
        selections[list] = 0;
    for (int check : {LAUNCHER_WINDOWED, LAUNCHER_TRIPLE_BUFFERING, LAUNCHER_DISABLE_MIPMAPPING,
                      LAUNCHER_SOFTWARE_SOUND, LAUNCHER_DISABLE_MUSIC})
        checks[check] = false;
}

int DialogTestModel::RowCount(int list) const
{
    return selections.count(list) ? ROWS : 0;
}

std::string DialogTestModel::RowText(int list, int row) const
{
    return "list " + std::to_string(list) + " row " + std::to_string(row);
}

int DialogTestModel::Selection(int list) const
{
    auto it = selections.find(list);
    return it == selections.end() ? -1 : it->second;
}

void DialogTestModel::Select(int list, int row)
{
    if (selections.count(list) && row >= -1 && row < ROWS)
        selections[list] = row;
}

bool DialogTestModel::IsChecked(int check) const
{
    auto it = checks.find(check);
    return it != checks.end() && it->second;
}

void DialogTestModel::SetChecked(int check, bool checked)
{
    if (checks.count(check))
        checks[check] = checked;
}

bool DialogTestModel::IsEnabled(int control) const
{
    if (control == LAUNCHER_DISPLAY_MODE)
        return !IsChecked(LAUNCHER_WINDOWED);
    if (control == LAUNCHER_ANISOTROPY)
        return Selection(LAUNCHER_TEXTURE_FILTER) == 2;
    return true;
}

} // namespace dialogtest
