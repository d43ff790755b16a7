#include "cleanup_command.h"

#include "catalog/language_table.h"

BOOL ChooseUse32BitView(const CleanupChoice& choice, BOOL current) {
    if (!choice.is64BitSystem) return TRUE;
    BOOL use32BitView = current;
    if (choice.check32BitView) use32BitView = TRUE;
    if (choice.check64BitView) use32BitView = FALSE;
    return use32BitView;
}

bool RunCleanup(const CleanupChoice& choice, const CleanupSteps& steps, BOOL& use32BitView) {
    use32BitView = ChooseUse32BitView(choice, use32BitView);
    const BOOL view = use32BitView;
    const int index = choice.selectedIndex;
    if (index == 0) {
        if (!steps.confirmAllEditions()) return false;
        for (int row = kFirstEditionRow; row < kLanguageRowCount; ++row) steps.cleanLanguage(row, view);
    } else if (index >= kFirstEditionRow && index <= kLastEditionRow) {
        steps.cleanLanguage(index, view);
    } else {
        return false;  // nothing selected: there is no row to clean
    }
    steps.cleanShared(view);
    return true;
}

bool CCleanupCommand::Execute(const CleanupChoice& choice, const CleanupSteps& steps, BOOL& use32BitView) {
    if (m_bRunning) return false;
    struct RunningFlag {
        bool& flag;
        explicit RunningFlag(bool& f) : flag(f) { flag = true; }
        ~RunningFlag() { flag = false; }
    } running(m_bRunning);
    return RunCleanup(choice, steps, use32BitView);
}
