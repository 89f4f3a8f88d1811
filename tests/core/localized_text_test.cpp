#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/localized_text.h"

namespace {

const std::set<TextId> kEmptyRows = {18,  27,  28,  29,  30,  31,  32,  87,  88,  89,  91,  92,  93,  94,
                                     96,  103, 105, 107, 108, 109, 110, 112, 117, 118, 142, 152, 153, 164};

bool RowHasCell(TextId row, LangId language) {
    if (kEmptyRows.count(row)) return false;
    if (row >= 288) return true;
    if (row >= 268) return false;  // placeholders of rows that other changes fill
    if (row >= 267) return true;
    if (row >= 259) return false;  // placeholders of rows that other changes fill
    if (row >= 255) return language == 0;
    if (row >= 250) return language <= 1;
    return true;
}

size_t CountOf(const std::wstring& text, const std::wstring& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool EndsWithColon(const std::wstring& text, LangId language) {
    // Chinese and Japanese write the full-width colon.
    return EndsWith(text, L":") || ((language == 2 || language == 7) && EndsWith(text, L"\uFF1A"));
}

// A caller appends a value to texts that end in a space or a colon, so the
// translation must end the same way.
enum class Ending { Space, Colon, Plain };

Ending EndingOf(const std::wstring& text, LangId language) {
    if (EndsWith(text, L" ")) return Ending::Space;
    if (EndsWithColon(text, language)) return Ending::Colon;
    return Ending::Plain;
}

bool EndingCompatible(Ending source, Ending translation, LangId language) {
    if (source == translation) return true;
    // "Packages: " may become "驱动包：" where a full-width colon carries its own spacing.
    const bool wide = language == 2 || language == 7;
    return wide && source == Ending::Space && translation == Ending::Colon;
}

}  // namespace

TEST(LocalizedTextTable, EveryRequiredCellExistsAndKeepsItsSourceShape) {
    for (TextId row = 0; row < kTextRowCount; ++row) {
        const wchar_t* sourceCell = GetTextCell(row >= 255 && row < 259 ? 0 : 1, row);
        for (LangId language = 0; language < kLanguageCount; ++language) {
            const wchar_t* cell = GetTextCell(language, row);
            SCOPED_TRACE("row " + std::to_string(row) + ", language " + std::to_string(language));
            if (!RowHasCell(row, language)) {
                EXPECT_EQ(cell, nullptr) << "this cell must stay empty";
                continue;
            }
            ASSERT_NE(cell, nullptr);
            const std::wstring text = cell;
            ASSERT_FALSE(text.empty()) << "no text is an empty string; missing text is null";
            ASSERT_NE(sourceCell, nullptr);
            const std::wstring source = sourceCell;

            const Ending sourceEnding = EndingOf(source, 1);
            EXPECT_TRUE(EndingCompatible(sourceEnding, EndingOf(text, language), language))
                << "ending differs from the source: " << text;
            EXPECT_EQ(CountOf(text, L"\r\n"), CountOf(source, L"\r\n")) << text;
            EXPECT_EQ(CountOf(text, L"\r"), CountOf(text, L"\r\n")) << "a bare CR: " << text;
            EXPECT_EQ(CountOf(text, L"\n"), CountOf(text, L"\r\n")) << "a bare LF: " << text;
            EXPECT_EQ(CountOf(text, L"\u2022"), CountOf(source, L"\u2022")) << "bullets: " << text;
            EXPECT_EQ(CountOf(text, L"\u2014"), CountOf(source, L"\u2014")) << "dashes: " << text;
            EXPECT_NE(text.front(), L' ') << text;
            EXPECT_EQ(text.find(L"  "), std::wstring::npos) << "double space: " << text;
        }
    }
}

TEST(LocalizedTextTable, LookupFallsBackToRussianAndNeverReturnsNull) {
    EXPECT_STREQ(GetText(1, 259), L"");
    EXPECT_STREQ(GetText(1, 0xFFFFFFFFu), L"");
    for (LangId language = 0; language < 10; ++language) EXPECT_STREQ(GetText(language, 18), L"");
    EXPECT_STREQ(GetText(2, 250), GetText(0, 250));
    EXPECT_STRNE(GetText(1, 250), GetText(0, 250)) << "rows 250-254 have an English cell";
    EXPECT_STREQ(GetText(1, 255), L"Разрешить вручную удалять все OEM-пакеты");
    EXPECT_STREQ(GetText(8, 67), L"Готово");
    EXPECT_STREQ(GetText(0xFFFFFFFFu, 67), L"Готово");

    const wchar_t* const ready[] = {L"Готово", L"Ready", L"就绪", L"Prêt", L"Bereit", L"Siap", L"พร้อม", L"準備完了"};
    const wchar_t* const current[] = {L"Текущая Windows — ", L"Current Windows — ", L"当前 Windows — ",
                                      L"Windows actuel — ", L"Aktuelles Windows — ", L"Windows saat ini — ",
                                      L"Windows ปัจจุบัน — ", L"実行中の Windows — "};
    const wchar_t* const cancelled[] = {L"Операция отменена",  L"Operation cancelled", L"操作已取消",
                                        L"Opération annulée",   L"Vorgang abgebrochen", L"Operasi dibatalkan",
                                        L"ยกเลิกการดำเนินการแล้ว", L"操作をキャンセルしました"};
    for (LangId language = 0; language < kLanguageCount; ++language) {
        EXPECT_STREQ(GetText(language, 67), ready[language]);
        EXPECT_STREQ(GetText(language, 69), current[language]);
        EXPECT_STREQ(GetText(language, 172), cancelled[language]);
    }
    // Texts the program also writes as fixed Russian strings must agree with them.
    EXPECT_STREQ(GetText(0, 78), L"Другие устройства");
    EXPECT_STREQ(GetText(0, 79), L"Поставщик не указан");
}

TEST(LocalizedTextTable, SelectionCountFollowsEachPluralRule) {
    struct Case {
        LangId language;
        std::uint64_t count;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {1, 0, L"Selected: 0 packages"},     {1, 1, L"Selected: 1 package"},
        {1, 2, L"Selected: 2 packages"},     {3, 0, L"Sélection : 0 package"},
        {3, 1, L"Sélection : 1 package"},    {3, 2, L"Sélection : 2 packages"},
        {4, 1, L"Ausgewählt: 1 Paket"},      {4, 0, L"Ausgewählt: 0 Pakete"},
        {2, 5, L"已选择：5 个驱动包"},       {5, 1, L"Dipilih: 1 paket"},
        {6, 7, L"เลือกแล้ว: 7 แพ็กเกจ"},     {7, 3, L"選択済み：3 件"},
        {0, 1, L"Выбрано: 1 пакет"},         {0, 21, L"Выбрано: 21 пакет"},
        {0, 101, L"Выбрано: 101 пакет"},     {0, 3, L"Выбрано: 3 пакета"},
        {0, 22, L"Выбрано: 22 пакета"},      {0, 0, L"Выбрано: 0 пакетов"},
        {0, 5, L"Выбрано: 5 пакетов"},       {0, 11, L"Выбрано: 11 пакетов"},
        {0, 14, L"Выбрано: 14 пакетов"},     {0, 112, L"Выбрано: 112 пакетов"},
        {0, 1012, L"Выбрано: 1012 пакетов"}, {9, 2, L"Выбрано: 2 пакета"},
        {1, 18446744073709551615ull, L"Selected: 18446744073709551615 packages"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatSelectionCount(c.language, c.count), c.expected);
}
