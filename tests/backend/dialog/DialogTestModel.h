#pragma once
// A small model behind the dialog in its tests: three rows per list, the two
// enable rules of the launcher, and "Play!" allowed unless a test forbids it.

#include "backend/dialog/LauncherDialog.h"

#include <map>
#include <string>

namespace dialogtest {

class DialogTestModel : public backend::LauncherDialogModel {
public:
    DialogTestModel();

    int RowCount(int list) const override;
    std::string RowText(int list, int row) const override;
    int Selection(int list) const override;
    void Select(int list, int row) override;
    bool IsChecked(int check) const override;
    void SetChecked(int check, bool checked) override;
    bool IsEnabled(int control) const override;
    bool CanPlay() const override { return playAllowed; }

    std::map<int, int> selections;
    std::map<int, bool> checks;
    bool playAllowed = true;
};

} // namespace dialogtest
