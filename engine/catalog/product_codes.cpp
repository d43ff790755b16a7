#include "catalog/product_codes.h"

#include <algorithm>

#include "catalog/text_format.h"

namespace velmora {

PathForm ChoosePathForm(BOOL is64BitSystem, BOOL use32BitView) {
    return (is64BitSystem && use32BitView) ? PathForm::Wow6432Node : PathForm::Plain;
}

REGSAM ViewFlag(BOOL is64BitSystem) { return is64BitSystem ? KEY_WOW64_64KEY : KEY_WOW64_32KEY; }
REGSAM QueryAccess(BOOL is64BitSystem) { return KEY_QUERY_VALUE | ViewFlag(is64BitSystem); }
REGSAM FullAccess(BOOL is64BitSystem) { return KEY_ALL_ACCESS | ViewFlag(is64BitSystem); }

std::wstring KeyPath(const KeyTemplate& keyTemplate, PathForm form, const wchar_t* fill) {
    const wchar_t* format = form == PathForm::Wow6432Node ? keyTemplate.wow6432Node : keyTemplate.plain;
    return FormatText(format, {fill});
}

std::wstring EditionProductCode(const LanguageEntry& row) {
    return FormatText(kEditionProductCodeTemplate, {row.lcid});
}

std::wstring EditionPackedCode(const LanguageEntry& row) {
    std::wstring reversed(row.lcid);
    std::reverse(reversed.begin(), reversed.end());
    return FormatText(kEditionPackedCodeTemplate, {reversed.c_str()});
}

std::wstring PackProductCode(const std::wstring& productCode) {
    std::wstring digits;
    for (wchar_t c : productCode)
        if (c != L'-' && c != L'{' && c != L'}') digits += c;
    if (digits.size() != 32) return {};

    std::wstring packed;
    const auto reversedGroup = [&](size_t from, size_t length) {
        packed.append(digits.rbegin() + (32 - from - length), digits.rbegin() + (32 - from));
    };
    reversedGroup(0, 8);
    reversedGroup(8, 4);
    reversedGroup(12, 4);
    for (size_t i = 16; i < 32; i += 2) {
        packed += digits[i + 1];
        packed += digits[i];
    }
    return packed;
}

std::vector<std::wstring> EveryPackedCode() {
    std::vector<std::wstring> codes;
    for (int row = kFirstEditionRow; row <= kLastEditionRow; ++row)
        codes.push_back(EditionPackedCode(g_languageTable[row]));
    codes.push_back(kFirstSharedPackedCode);
    codes.push_back(PackProductCode(kSecondSharedProductCode));
    return codes;
}

std::wstring UninstallProgram(const wchar_t* systemFolder) { return FormatText(kUninstallProgram, {systemFolder}); }

std::wstring UninstallParameters(const wchar_t* productCode) {
    return FormatText(kUninstallParameters, {productCode});
}

}  // namespace velmora
