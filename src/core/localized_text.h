#pragma once
// Every text the interface and the console show, in eight languages.
#include <cstdint>
#include <string>

// 0 Russian, 1 English, 2 Chinese (Simplified), 3 French, 4 German,
// 5 Indonesian, 6 Thai, 7 Japanese.
using LangId = std::uint32_t;
using TextId = std::uint32_t;

inline constexpr LangId kLanguageCount = 8;
inline constexpr TextId kTextRowCount = 271;

// Never null: out-of-range ids and empty rows give "", missing cells give Russian.
const wchar_t* GetText(LangId language, TextId id);
// The raw cell, null where the table has none (for structural checks).
const wchar_t* GetTextCell(LangId language, TextId id);
// The language's own name, as the language box lists it.
const wchar_t* LanguageName(LangId language);

// "Selected: 3 packages" with each language's plural rule.
std::wstring FormatSelectionCount(LangId language, std::uint64_t count);
