#include "installer/component_list.h"

#include <cstdint>
#include <cwchar>

#include "catalog/product_codes.h"

namespace velmora {
namespace {

constexpr wchar_t kDigits[] = L"!$%&'()*+,-.0123456789=?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[]^_`abcdefghijklmnopqrstuvwxyz{}~";
constexpr size_t kEncodedLength = 20;

// The GUID as its text ("XXXXXXXX-XXXX-..."), which packs as a product code does; empty
// when a character is no digit.
std::wstring DecodeGuid(const wchar_t* encoded) {
    std::uint32_t words[4] = {};
    for (size_t i = 0; i < kEncodedLength; ++i) {
        const wchar_t* digit = encoded[i] ? std::wcschr(kDigits, encoded[i]) : nullptr;
        if (!digit) return {};
        std::uint32_t weight = 1;
        for (size_t j = 0; j < i % 5; ++j) weight *= 85;
        words[i / 5] += static_cast<std::uint32_t>(digit - kDigits) * weight;
    }
    wchar_t text[40] = {};
    std::swprintf(text, 40, L"%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", words[0], words[1] & 0xFFFF,
                  words[1] >> 16, words[2] & 0xFF, (words[2] >> 8) & 0xFF, (words[2] >> 16) & 0xFF, words[2] >> 24,
                  words[3] & 0xFF, (words[3] >> 8) & 0xFF, (words[3] >> 16) & 0xFF, words[3] >> 24);
    return text;
}

}  // namespace

std::vector<std::wstring> FeatureComponents(const std::wstring& data) {
    const std::wstring list = data.substr(0, data.find(L'\x02'));
    if (list.size() % kEncodedLength != 0) return {};
    std::vector<std::wstring> components;
    for (size_t at = 0; at < list.size(); at += kEncodedLength) {
        const std::wstring guid = DecodeGuid(list.c_str() + at);
        if (guid.empty()) return {};
        components.push_back(PackProductCode(guid));
    }
    return components;
}

}  // namespace velmora
