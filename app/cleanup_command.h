// The decisions of the CleanUp command, apart from the dialog: which registry view the
// passes get, which language rows they clean, whether to ask first, and whether the
// dialog closes afterwards.
#pragma once

#include <windows.h>

#include <functional>

// What the command reads from the dialog.
struct CleanupChoice {
    BOOL is64BitSystem = FALSE;
    LRESULT check32BitView = BST_UNCHECKED;  // BM_GETCHECK of "32 Bit"; read only on a 64-bit system
    LRESULT check64BitView = BST_UNCHECKED;  // BM_GETCHECK of "64 Bit"; read only on a 64-bit system
    int selectedIndex = 0;                   // CB_GETCURSEL of the language list (CB_ERR: none)
};

// What the command does to the world.
struct CleanupSteps {
    std::function<bool()> confirmAllEditions;              // false when the user answers No
    std::function<void(int row, BOOL use32BitView)> cleanLanguage;
    std::function<void(BOOL use32BitView)> cleanShared;
};

// Whether the answer to the all-editions question lets the run go on: only an explicit
// Yes does. Windows gives a Yes/No box no other answer, but Wine ends it with IDCANCEL on
// Escape, and a box that cannot be shown answers 0; neither may start a cleanup.
constexpr bool ConfirmsCleanup(int answer) { return answer == IDYES; }

// The registry view of a run: always the 32-bit one on a 32-bit system; otherwise
// "32 Bit" checked chooses it and "64 Bit" checked, read second, overrides that. With
// neither checked, `current` stays.
BOOL ChooseUse32BitView(const CleanupChoice& choice, BOOL current);

// One run of the command. Writes the chosen view into `use32BitView` first. Selection 0
// asks before it cleans rows 1 to 15 in order; a selection of 1 to 15 cleans that row
// without asking; any other selection (CB_ERR) cleans nothing. Every run that cleaned
// ends with the shared pass. True when the dialog is to close, that is, after the passes.
bool RunCleanup(const CleanupChoice& choice, const CleanupSteps& steps, BOOL& use32BitView);

// The command as the dialog holds it: a run cannot start while another is under way.
// The engine keeps the dialog's messages flowing while it waits for the installer, so a
// click on CleanUp can arrive in the middle of a run; it is ignored.
class CCleanupCommand {
public:
    // RunCleanup, unless a run is under way; then nothing happens and the result is false.
    bool Execute(const CleanupChoice& choice, const CleanupSteps& steps, BOOL& use32BitView);
    bool IsRunning() const { return m_bRunning; }
    // Cancel, Escape and the close button end the dialog only between runs: a run always
    // completes, and then closes the dialog itself.
    bool AcceptsCancel() const { return !m_bRunning; }

private:
    bool m_bRunning = false;
};
