#include "core/localized_text.h"

#include "core/text_columns.h"

namespace {

const wchar_t* const* const kColumns[kLanguageCount] = {kTextsRussian, kTextsEnglish,    kTextsChinese, kTextsFrench,
                                                         kTextsGerman,  kTextsIndonesian, kTextsThai,    kTextsJapanese};

const wchar_t* RussianPackageWord(std::uint64_t count) {
    const std::uint64_t lastTwo = count % 100;
    if (lastTwo >= 11 && lastTwo <= 14) return L"пакетов";
    switch (count % 10) {
    case 1: return L"пакет";
    case 2:
    case 3:
    case 4: return L"пакета";
    default: return L"пакетов";
    }
}

}  // namespace

const wchar_t* GetTextCell(LangId language, TextId id) {
    if (language >= kLanguageCount || id >= kTextRowCount) return nullptr;
    return kColumns[language][id];
}

const wchar_t* GetText(LangId language, TextId id) {
    if (id >= kTextRowCount) return L"";
    const wchar_t* russian = kTextsRussian[id];
    if (!russian) return L"";
    if (language >= 1 && language < kLanguageCount) {
        const wchar_t* cell = kColumns[language][id];
        return cell ? cell : russian;
    }
    return russian;
}

const wchar_t* LanguageName(LangId language) {
    static const wchar_t* const kNames[kLanguageCount] = {L"Русский",  L"English",          L"简体中文", L"Français",
                                                          L"Deutsch", L"Bahasa Indonesia", L"ไทย",     L"日本語"};
    return language < kLanguageCount ? kNames[language] : kNames[0];
}

std::wstring FormatSelectionCount(LangId language, std::uint64_t count) {
    const std::wstring number = std::to_wstring(count);
    switch (language) {
    case 1: return L"Selected: " + number + (count == 1 ? L" package" : L" packages");
    case 2: return L"已选择：" + number + L" 个驱动包";
    case 3: return L"Sélection : " + number + (count > 1 ? L" packages" : L" package");
    case 4: return L"Ausgewählt: " + number + (count == 1 ? L" Paket" : L" Pakete");
    case 5: return L"Dipilih: " + number + L" paket";
    case 6: return L"เลือกแล้ว: " + number + L" แพ็กเกจ";
    case 7: return L"選択済み：" + number + L" 件";
    default: return L"Выбрано: " + number + L" " + RussianPackageWord(count);
    }
}
