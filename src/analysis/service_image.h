#pragma once
// Where the program file of a service lies, from its service key.
#include <string>

// The ImagePath of HKLM\SYSTEM\CurrentControlSet\Services\<service>, resolved by
// ResolveImagePath; empty when the value is missing or unusable.
std::wstring ResolveServiceImage(const std::wstring& windowsDirectory, const std::wstring& service);

// An ImagePath as a full path: one pair of surrounding quotes and a leading
// "\??\" or "\\?\" removed, "\SystemRoot\..." and "System32\..." placed in
// `windowsDirectory`, lexically normalised. Empty for any other path that is not
// rooted.
std::wstring ResolveImagePath(const std::wstring& windowsDirectory, std::wstring imagePath);
