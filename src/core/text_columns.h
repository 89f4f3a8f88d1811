#pragma once
// One column of the text table per language, each in a file of its own.
#include "core/localized_text.h"

extern const wchar_t* const kTextsRussian[kTextRowCount];
extern const wchar_t* const kTextsEnglish[kTextRowCount];
extern const wchar_t* const kTextsChinese[kTextRowCount];
extern const wchar_t* const kTextsFrench[kTextRowCount];
extern const wchar_t* const kTextsGerman[kTextRowCount];
extern const wchar_t* const kTextsIndonesian[kTextRowCount];
extern const wchar_t* const kTextsThai[kTextRowCount];
extern const wchar_t* const kTextsJapanese[kTextRowCount];
