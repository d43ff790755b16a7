// The language editions a cleanup can remove, in the order the language list shows them.
#pragma once

#include <cstddef>

// One row of the table. Each field holds its text, a terminating zero and zeros after it.
struct LanguageEntry {
    wchar_t displayName[30];   // English name shown in the language list
    wchar_t shortCode[10];     // three-letter Windows language abbreviation
    wchar_t cultureFolder[8];  // culture name: names the edition's folders and vendor key
    wchar_t lcid[5];           // Windows LCID as exactly four decimal digits
};

// Row 0 stands for all editions (empty culture and LCID); rows 1 to 15 are the editions.
constexpr int kLanguageRowCount = 16;
constexpr int kFirstEditionRow = 1;
constexpr int kLastEditionRow = 15;

extern const LanguageEntry g_languageTable[kLanguageRowCount];
