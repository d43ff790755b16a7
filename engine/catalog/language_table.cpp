#include "catalog/language_table.h"

const LanguageEntry g_languageTable[kLanguageRowCount] = {
    {L"All", L"ALL", L"", L""},
    {L"English", L"ENU", L"en-US", L"1033"},
    {L"Simplify Chinese", L"CHS", L"zh-CN", L"2052"},
    {L"Traditional Chinese", L"CHT", L"zh-TW", L"1028"},
    {L"Czech", L"CSY", L"cs-CZ", L"1029"},
    {L"German", L"DEU", L"de-DE", L"1031"},
    {L"Spanish", L"ESN", L"es-ES", L"3082"},
    {L"French", L"FRA", L"fr-FR", L"1036"},
    {L"Hungarian", L"HUN", L"hu-hu", L"1038"},
    {L"Italian", L"ITA", L"it-IT", L"1040"},
    {L"Japanese", L"JPN", L"ja-JP", L"1041"},
    {L"Korean", L"KOR", L"ko-KR", L"1042"},
    {L"Polish", L"PLK", L"pl-PL", L"1045"},
    {L"Portuguese", L"PTB", L"pt-BR", L"1046"},
    {L"Russian", L"RUS", L"ru-RU", L"1049"},
    {L"Turkish", L"TRK", L"tr-TR", L"1055"},
};
