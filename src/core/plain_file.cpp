#include "core/plain_file.h"

FileHandle OpenPlainFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                         std::wstring& refusal) {
    refusal.clear();
    FileHandle file(::CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES, share, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return file;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(file.get(), &information)) {
        refusal = L"Не удалось проверить файл: " + path;
    } else if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        refusal = L"Файл отклонён: это ссылка (точка повторной обработки): " + path;
    } else if (information.nNumberOfLinks > 1) {
        refusal = L"Файл отклонён: у него несколько жёстких ссылок: " + path;
    }
    if (!refusal.empty()) file.reset();
    return file;
}
