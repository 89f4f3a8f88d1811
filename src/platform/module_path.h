#pragma once
#include <string>

// The running program's own path, long paths included; empty when unknown.
std::wstring ModuleFilePath();
