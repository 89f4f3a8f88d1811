#include "operations/seven_zip_progress.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Optional blanks, then one to three digits and nothing else; -1 otherwise.
int TokenPercent(const SevenZipProgressParser& parser) {
    std::size_t position = 0;
    while (position < parser.TokenLength && IsBlank(parser.Token[position])) ++position;
    const std::size_t digitsStart = position;
    int value = 0;
    while (position < parser.TokenLength && IsDigit(parser.Token[position])) {
        value = value * 10 + (parser.Token[position] - '0');
        ++position;
        if (position - digitsStart > 3) return -1;
    }
    if (position == digitsStart || position != parser.TokenLength) return -1;
    return value;
}

}  // namespace

void ParseSevenZipProgress(SevenZipProgressParser& parser, const char* data, std::size_t size,
                           const std::function<void(int)>& report) {
    for (std::size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\b' || c == '\n' || c == '\r') {
            parser.TokenLength = 0;
            parser.IgnoreUntilLineEnd = false;
            continue;
        }
        if (parser.IgnoreUntilLineEnd) continue;
        if (c == '%') {
            const int percent = TokenPercent(parser);
            if (percent >= 0 && percent <= 100 && percent > parser.LargestReported) {
                parser.LargestReported = percent;
                if (report) report(percent);
            }
            parser.IgnoreUntilLineEnd = true;
            continue;
        }
        if ((IsBlank(c) || IsDigit(c)) && parser.TokenLength < kSevenZipProgressTokenCapacity) {
            parser.Token[parser.TokenLength++] = c;
            continue;
        }
        parser.IgnoreUntilLineEnd = true;
    }
}

void ForwardSevenZipProgress(SevenZipProgressFilter& filter, int percent, const std::function<void(int)>& progress) {
    if (percent >= 100) percent = 99;
    if (percent <= filter.LastForwarded) return;
    filter.LastForwarded = percent;
    if (progress) progress(percent);
}
