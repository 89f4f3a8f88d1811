#pragma once
// The system's description of a failure reported by the standard library's
// file-system functions, which report Windows error numbers and C runtime
// error numbers alike.
#include <string>
#include <system_error>

std::wstring DescribeErrorCode(const std::error_code& error);
