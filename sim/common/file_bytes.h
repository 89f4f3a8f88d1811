#pragma once
// Whole-file reads and writes with complete error texts.
#include <string>
#include <string_view>

namespace sim {

[[nodiscard]] bool ReadFileBytes(const std::wstring& path, std::string& bytes, std::wstring& error);

enum class ExistingFile { Replace, Fail };
[[nodiscard]] bool WriteFileBytes(const std::wstring& path, std::string_view bytes, ExistingFile existing,
                                  std::wstring& error);

}  // namespace sim
