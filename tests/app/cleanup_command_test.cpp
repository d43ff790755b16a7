// The CleanUp command's decisions: the registry view, which rows are cleaned, when it
// asks, when the dialog closes, and that a run cannot be entered twice.
#include "cleanup_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records every step the command takes, in order.
struct StepLog {
    std::vector<std::string> calls;
    bool answerYes = true;
    std::function<void(int row)> duringLanguagePass;  // runs inside a language pass

    CleanupSteps Steps() {
        return CleanupSteps{
            [this] {
                calls.push_back("ask");
                return answerYes;
            },
            [this](int row, BOOL view) {
                calls.push_back("language " + std::to_string(row) + " view " + std::to_string(view));
                if (duringLanguagePass) duringLanguagePass(row);
            },
            [this](BOOL view) { calls.push_back("shared view " + std::to_string(view)); },
        };
    }
};

CleanupChoice Choice(BOOL is64, LRESULT check32, LRESULT check64, int index) {
    CleanupChoice choice;
    choice.is64BitSystem = is64;
    choice.check32BitView = check32;
    choice.check64BitView = check64;
    choice.selectedIndex = index;
    return choice;
}

std::vector<std::string> AllEditionsRun(int view) {
    std::vector<std::string> calls{"ask"};
    for (int row = 1; row <= 15; ++row) calls.push_back("language " + std::to_string(row) + " view " + std::to_string(view));
    calls.push_back("shared view " + std::to_string(view));
    return calls;
}

}  // namespace

TEST(CleanupView, ThirtyTwoBitSystemAlwaysUsesThe32BitViewWhateverTheButtons) {
    const LRESULT states[][2] = {{BST_UNCHECKED, BST_UNCHECKED}, {BST_CHECKED, BST_UNCHECKED},
                                 {BST_UNCHECKED, BST_CHECKED}, {BST_CHECKED, BST_CHECKED}};
    for (const auto& state : states) {
        for (BOOL before : {FALSE, TRUE}) {
            StepLog log;
            BOOL use32 = before;
            EXPECT_TRUE(RunCleanup(Choice(FALSE, state[0], state[1], 4), log.Steps(), use32));
            EXPECT_EQ(use32, TRUE);
            EXPECT_EQ(log.calls, (std::vector<std::string>{"language 4 view 1", "shared view 1"}))
                << "check states " << state[0] << "/" << state[1];
        }
    }
}

TEST(CleanupView, SixtyFourBitSystemFollowsTheCheckedButton) {
    BOOL use32 = FALSE;
    EXPECT_EQ(ChooseUse32BitView(Choice(TRUE, BST_CHECKED, BST_UNCHECKED, 0), use32), TRUE);
    use32 = TRUE;
    EXPECT_EQ(ChooseUse32BitView(Choice(TRUE, BST_UNCHECKED, BST_CHECKED, 0), use32), FALSE);
}

TEST(CleanupView, SixtyFourBitButtonIsReadSecondAndDecidesWhenBothAreChecked) {
    EXPECT_EQ(ChooseUse32BitView(Choice(TRUE, BST_CHECKED, BST_CHECKED, 0), TRUE), FALSE);
    EXPECT_EQ(ChooseUse32BitView(Choice(TRUE, BST_CHECKED, BST_CHECKED, 0), FALSE), FALSE);
}

TEST(CleanupView, AnyNonZeroCheckStateCountsAsChecked) {
    EXPECT_EQ(ChooseUse32BitView(Choice(TRUE, BST_INDETERMINATE, BST_UNCHECKED, 0), FALSE), TRUE);
    EXPECT_EQ(ChooseUse32BitView(Choice(TRUE, BST_UNCHECKED, BST_INDETERMINATE, 0), TRUE), FALSE);
}

TEST(CleanupView, NeitherButtonCheckedKeepsThePreviousChoice) {
    EXPECT_EQ(ChooseUse32BitView(Choice(TRUE, BST_UNCHECKED, BST_UNCHECKED, 0), TRUE), TRUE);
    EXPECT_EQ(ChooseUse32BitView(Choice(TRUE, BST_UNCHECKED, BST_UNCHECKED, 0), FALSE), FALSE);
}

TEST(CleanupView, EveryPassOfARunGetsTheChosenView) {
    StepLog log;
    BOOL use32 = TRUE;
    EXPECT_TRUE(RunCleanup(Choice(TRUE, BST_UNCHECKED, BST_CHECKED, 0), log.Steps(), use32));
    EXPECT_EQ(use32, FALSE);
    EXPECT_EQ(log.calls, AllEditionsRun(0));

    StepLog log32;
    EXPECT_TRUE(RunCleanup(Choice(TRUE, BST_CHECKED, BST_UNCHECKED, 0), log32.Steps(), use32));
    EXPECT_EQ(use32, TRUE);
    EXPECT_EQ(log32.calls, AllEditionsRun(1));
}

TEST(CleanupRows, AllEditionsAnsweredNoRunsNothingAndKeepsTheDialogOpen) {
    StepLog log;
    log.answerYes = false;
    BOOL use32 = FALSE;
    EXPECT_FALSE(RunCleanup(Choice(TRUE, BST_CHECKED, BST_UNCHECKED, 0), log.Steps(), use32));
    EXPECT_EQ(log.calls, (std::vector<std::string>{"ask"}));
    // The view is chosen before the question, as every run does first.
    EXPECT_EQ(use32, TRUE);
}

TEST(CleanupRows, AllEditionsAnsweredYesCleansRowsOneToFifteenThenSharedThenCloses) {
    StepLog log;
    BOOL use32 = FALSE;
    EXPECT_TRUE(RunCleanup(Choice(FALSE, BST_CHECKED, BST_UNCHECKED, 0), log.Steps(), use32));
    EXPECT_EQ(log.calls, AllEditionsRun(1));
}

TEST(CleanupRows, OneEditionCleansThatRowAloneWithoutAsking) {
    for (int row = 1; row <= 15; ++row) {
        StepLog log;
        BOOL use32 = TRUE;
        EXPECT_TRUE(RunCleanup(Choice(TRUE, BST_UNCHECKED, BST_CHECKED, row), log.Steps(), use32));
        EXPECT_EQ(log.calls,
                  (std::vector<std::string>{"language " + std::to_string(row) + " view 0", "shared view 0"}))
            << "row " << row;
    }
}

TEST(CleanupRows, NoSelectionOrAnIndexOutsideTheTableRunsNothingAndKeepsTheDialogOpen) {
    for (int index : {CB_ERR, -2, 16, 100}) {
        StepLog log;
        BOOL use32 = FALSE;
        EXPECT_FALSE(RunCleanup(Choice(TRUE, BST_UNCHECKED, BST_CHECKED, index), log.Steps(), use32))
            << "index " << index;
        EXPECT_TRUE(log.calls.empty()) << "index " << index;
    }
}

TEST(CleanupReentry, ASecondCleanUpDuringAPassIsIgnoredAndTheRunCompletes) {
    CCleanupCommand command;
    StepLog log;
    BOOL use32 = FALSE;
    const CleanupChoice choice = Choice(TRUE, BST_UNCHECKED, BST_CHECKED, 0);
    StepLog inner;  // the steps the second click would take
    bool innerResult = true;
    log.duringLanguagePass = [&](int row) {
        if (row == 3) innerResult = command.Execute(choice, inner.Steps(), use32);
    };
    EXPECT_TRUE(command.Execute(choice, log.Steps(), use32));
    EXPECT_FALSE(innerResult);
    EXPECT_TRUE(inner.calls.empty());
    EXPECT_EQ(log.calls, AllEditionsRun(0));
}

TEST(CleanupReentry, CancelIsRefusedDuringEveryPassAndAcceptedAfterTheRun) {
    CCleanupCommand command;
    EXPECT_TRUE(command.AcceptsCancel());
    StepLog log;
    std::vector<bool> acceptedDuringPasses;
    log.duringLanguagePass = [&](int) { acceptedDuringPasses.push_back(command.AcceptsCancel()); };
    CleanupSteps steps = log.Steps();
    const auto shared = steps.cleanShared;
    steps.cleanShared = [&](BOOL view) {
        acceptedDuringPasses.push_back(command.AcceptsCancel());
        shared(view);
    };
    BOOL use32 = FALSE;
    EXPECT_TRUE(command.Execute(Choice(FALSE, 0, 0, 0), steps, use32));
    EXPECT_EQ(acceptedDuringPasses, std::vector<bool>(16, false));
    EXPECT_TRUE(command.AcceptsCancel());
}

TEST(CleanupReentry, CancelIsRefusedWhileTheQuestionIsOpen) {
    CCleanupCommand command;
    bool acceptedWhileAsking = true;
    CleanupSteps steps{[&] {
                           acceptedWhileAsking = command.AcceptsCancel();
                           return false;
                       },
                       [](int, BOOL) {}, [](BOOL) {}};
    BOOL use32 = FALSE;
    EXPECT_FALSE(command.Execute(Choice(FALSE, 0, 0, 0), steps, use32));
    EXPECT_FALSE(acceptedWhileAsking);
}

TEST(CleanupReentry, ANewRunStartsAfterADeclinedOrFinishedRun) {
    CCleanupCommand command;
    BOOL use32 = FALSE;
    StepLog declined;
    declined.answerYes = false;
    EXPECT_FALSE(command.Execute(Choice(FALSE, 0, 0, 0), declined.Steps(), use32));
    StepLog accepted;
    EXPECT_TRUE(command.Execute(Choice(FALSE, 0, 0, 0), accepted.Steps(), use32));
    EXPECT_EQ(accepted.calls, AllEditionsRun(1));
    StepLog again;
    EXPECT_TRUE(command.Execute(Choice(FALSE, 0, 0, 7), again.Steps(), use32));
    EXPECT_EQ(again.calls, (std::vector<std::string>{"language 7 view 1", "shared view 1"}));
}

TEST(CleanupConfirmation, OnlyAnExplicitYesStartsTheAllEditionsRun) {
    EXPECT_TRUE(ConfirmsCleanup(IDYES));
    EXPECT_FALSE(ConfirmsCleanup(IDNO));
    EXPECT_FALSE(ConfirmsCleanup(IDCANCEL));  // Wine's answer to Escape
    EXPECT_FALSE(ConfirmsCleanup(0));         // the box could not be shown
}
