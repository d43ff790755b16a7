// For every call a pass makes, a run in which that one call fails must still make every
// later step that does not depend on it, return TRUE and leave no handle open.
#include <gtest/gtest.h>

#include <functional>
#include <regex>

#include "passes/install_cleaner.h"
#include "simulated_installation.h"

using namespace velmora;
using namespace velmora::sim;

namespace {

const wchar_t kLocation[] = L"C:\\Program Files (x86)\\TORVEN\\VARNO 2017";

// Handle ordinals shift when an earlier open fails, so they are left out of comparisons.
std::wstring WithoutOrdinals(const std::wstring& call) {
    static const std::wregex ordinal(L" -> #[kfph][0-9]+|#[kfph][0-9]+");
    return std::regex_replace(call, ordinal, L"#");
}

bool IsStep(const std::wstring& call) {
    for (const wchar_t* name :
         {L"RegDeleteTreeW(", L"RegDeleteKeyExW(", L"ShellExecuteExW(", L"RegDisableReflectionKey(", L"RegDeleteValueW("})
        if (call.rfind(name, 0) == 0) return true;
    return false;
}

std::wstring CallName(const std::wstring& call) { return call.substr(0, call.find(L'(')); }

// A failed look at the processor makes the system read as 32-bit: the same steps follow,
// with other paths and views, so only their kind is compared then.
bool IsArchitectureProbe(const std::wstring& call) {
    for (const wchar_t* name : {L"GetModuleHandleW", L"GetProcAddress", L"GetNativeSystemInfo", L"GetSystemInfo"})
        if (CallName(call) == name) return true;
    return false;
}

// The steps of the baseline after `failing` that must still happen when that call fails.
std::vector<std::wstring> RequiredLaterSteps(const std::vector<std::wstring>& baseline, size_t failing) {
    const std::wstring& failed = baseline[failing];
    const bool kindOnly = IsArchitectureProbe(failed);
    // What a failed call on a key (its open, a listing, a value's deletion) would have done
    // with it, up to the key's close, depends on it and is left out; after a failed open or
    // listing, so is what would have been done below the key.
    size_t dependentEnd = failing;
    const size_t handle = failed.rfind(L"RegOpenKeyExW(", 0) == 0 ? failed.rfind(L" -> #k") + 4 : failed.find(L"(#k") + 1;
    const std::wstring key = handle < failed.size() ? failed.substr(handle, failed.find_first_of(L",)", handle) - handle) : L"";
    std::wstring below = L"\x01";
    for (size_t i = 0; !key.empty() && i <= failing; ++i)  // the key's own path, where it was opened by one
        if (baseline[i].rfind(L"RegOpenKeyExW(HK", 0) == 0 && baseline[i].find(L" -> " + key) != std::wstring::npos &&
            (CallName(failed) == L"RegEnumKeyExW" || failed == baseline[i]))
            below = baseline[i].substr(14, baseline[i].find(L", ", baseline[i].find(L", ") + 2) - 14);
    if (failed.rfind(L"RegOpenKeyExW(HK", 0) == 0 && key.empty()) below = failed.substr(14, failed.find(L", 0, ") - 14);
    if (!key.empty())
        while (dependentEnd + 1 < baseline.size() && baseline[dependentEnd] != L"RegCloseKey(" + key + L")") ++dependentEnd;
    std::vector<std::wstring> steps;
    std::wstring opened;  // what the step's key was opened as, for a step on an open key
    for (size_t i = failing + 1; i < baseline.size(); ++i) {
        const std::wstring& call = baseline[i];
        if (call.rfind(L"RegOpenKeyExW(", 0) == 0) opened = call;
        if (!IsStep(call) || i <= dependentEnd || call.find(below) != std::wstring::npos ||
            (call.find(L"(#k") != std::wstring::npos && opened.find(below) != std::wstring::npos))
            continue;
        // Without a system folder there is nothing to launch from.
        if (failed.rfind(L"GetSystemDirectoryW", 0) == 0 && call.rfind(L"ShellExecuteExW", 0) == 0) continue;
        steps.push_back(kindOnly ? CallName(call) : WithoutOrdinals(call));
    }
    return steps;
}

void Sweep(const std::function<void(SimWindows&)>& install, const std::function<BOOL(CInstallCleaner&)>& pass,
           size_t& sweepSize) {
    SimWindows baselineWindows;
    install(baselineWindows);
    CInstallCleaner baselineCleaner(baselineWindows);
    baselineWindows.log.clear();
    ASSERT_TRUE(pass(baselineCleaner));
    const std::vector<std::wstring> baseline = baselineWindows.log;
    sweepSize = baseline.size();

    for (size_t failing = 0; failing < baseline.size(); ++failing) {
        SimWindows w;
        install(w);
        CInstallCleaner cleaner(w);
        w.log.clear();
        w.FailCallAt(failing);
        SCOPED_TRACE(testing::Message() << "failing call " << failing << ": "
                                        << std::string(baseline[failing].begin(), baseline[failing].end()));
        EXPECT_TRUE(pass(cleaner));
        EXPECT_EQ(w.OpenHandleCount(), 0u);
        // The required steps appear, in order, among the calls after the failed one.
        size_t next = failing + 1;
        const bool kindOnly = IsArchitectureProbe(baseline[failing]);
        for (const std::wstring& step : RequiredLaterSteps(baseline, failing)) {
            while (next < w.log.size() &&
                   (kindOnly ? CallName(w.log[next]) : WithoutOrdinals(w.log[next])) != step)
                ++next;
            EXPECT_LT(next, w.log.size()) << "missing: " << std::string(step.begin(), step.end());
            ++next;
        }
    }
}

TEST(FailureSweep, LanguagePassGoesOnPastAnyFailedCall) {
    size_t sweepSize = 0;
    Sweep([](SimWindows& w) {
              InstallEdition(w, 1, true, kLocation);
              AddInstallerRecords(w, EditionPackedCode(g_languageTable[1]));
          },
          [](CInstallCleaner& c) { return c.CleanLanguage(1, TRUE); }, sweepSize);
    EXPECT_GT(sweepSize, 50u);
    RecordProperty("calls", static_cast<int>(sweepSize));
}

TEST(FailureSweep, SharedPassGoesOnPastAnyFailedCall) {
    size_t sweepSize = 0;
    Sweep(
        [](SimWindows& w) {
            InstallShared(w, true, std::wstring(kLocation) + L"\\Shared");
            for (const std::wstring packed : {kFirstSharedPackedCode, L"41D9B3E5100A00002A003C1E0FA6B725"})
                AddInstallerRecords(w, packed);
        },
        [](CInstallCleaner& c) {
            c.m_bIs64BitSystem = TRUE;  // as the language pass before it would have found
            return c.CleanShared(TRUE);
        },
        sweepSize);
    EXPECT_GT(sweepSize, 30u);
    RecordProperty("calls", static_cast<int>(sweepSize));
}

}  // namespace
