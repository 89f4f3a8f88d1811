// libFuzzer target for the 7-Zip progress parser. For any output of the child:
//   - the reports equal those of a plain reference reading of the same bytes
//     (a token is the text since the last line break or backspace; it counts when
//     it is at most 16 bytes of blanks then one to three digits, ends at a "%",
//     and its value is at most 100 and above every earlier one);
//   - how the bytes are split into reads changes nothing;
//   - the filter forwards strictly rising values of 0..99 only.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "operations/seven_zip_progress.h"

namespace {

bool IsSeparator(std::uint8_t c) { return c == '\b' || c == '\n' || c == '\r'; }

std::vector<int> ReferenceReports(const std::uint8_t* data, std::size_t size) {
    std::vector<int> reports;
    int largest = -1;
    std::size_t lineStart = 0;
    bool lineDone = false;  // a "%" ends what the line can report
    for (std::size_t i = 0; i < size; ++i) {
        if (IsSeparator(data[i])) {
            lineStart = i + 1;
            lineDone = false;
            continue;
        }
        if (data[i] != '%' || lineDone) continue;
        lineDone = true;
        const std::size_t length = i - lineStart;
        if (length > kSevenZipProgressTokenCapacity) continue;
        std::size_t position = lineStart;
        while (position < i && (data[position] == ' ' || data[position] == '\t')) ++position;
        const std::size_t digits = i - position;
        if (digits < 1 || digits > 3) continue;
        int value = 0;
        bool allDigits = true;
        for (; position < i; ++position) {
            if (data[position] < '0' || data[position] > '9') allDigits = false;
            value = value * 10 + (data[position] - '0');
        }
        if (allDigits && value <= 100 && value > largest) {
            largest = value;
            reports.push_back(value);
        }
    }
    return reports;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte chooses the read size; the rest is the child's output.
    const std::size_t chunk = data[0] % 23 + 1;
    const char* output = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;

    std::vector<int> whole;
    SevenZipProgressParser wholeParser;
    ParseSevenZipProgress(wholeParser, output, length, [&](int percent) { whole.push_back(percent); });

    std::vector<int> pieces;
    SevenZipProgressParser piecesParser;
    for (std::size_t offset = 0; offset < length; offset += chunk) {
        const std::size_t piece = length - offset < chunk ? length - offset : chunk;
        ParseSevenZipProgress(piecesParser, output + offset, piece, [&](int percent) { pieces.push_back(percent); });
    }
    if (pieces != whole) std::abort();
    if (whole != ReferenceReports(data + 1, length)) std::abort();

    SevenZipProgressFilter filter;
    int last = -1;
    for (int percent : whole) {
        ForwardSevenZipProgress(filter, percent, [&](int forwarded) {
            if (forwarded <= last || forwarded < 0 || forwarded > 99) std::abort();
            last = forwarded;
        });
    }
    return 0;
}
