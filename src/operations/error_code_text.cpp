#include "operations/error_code_text.h"

#include "analysis/system_error_text.h"
#include "core/text_encoding.h"

std::wstring DescribeErrorCode(const std::error_code& error) {
    if (error.category() == std::system_category()) return FormatSystemError(static_cast<DWORD>(error.value()));
    return Utf8ToWide(error.message());
}
