#include "platform/NaturalOrder.h"

#include <algorithm>
#include <cstdint>

namespace movarin {

namespace {

// Reads one UTF-8 character; a byte that starts no valid sequence stands for
// itself, above every real code point, so broken names still sort stably.
char32_t NextCodePoint(std::string_view text, std::size_t& at)
{
    const auto byte = [&](std::size_t i) { return std::uint8_t(text[i]); };
    const std::uint8_t lead = byte(at);
    int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || at + std::size_t(length) > text.size()) {
        ++at;
        return 0x110000 + lead;
    }
    char32_t cp = length == 1 ? lead : char32_t(lead & (0x7F >> length));
    for (int i = 1; i < length; ++i) {
        const std::uint8_t next = byte(at + std::size_t(i));
        if ((next >> 6) != 0x2) {
            ++at;
            return 0x110000 + lead;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    at += std::size_t(length);
    return cp;
}

int DigitValue(char32_t cp)
{
    if (cp >= U'0' && cp <= U'9')
        return int(cp - U'0');
    if (cp >= U'０' && cp <= U'９')
        return int(cp - U'０');
    return -1;
}

char32_t Folded(char32_t cp)
{
    if (cp >= U'Ａ' && cp <= U'Ｚ')
        cp = cp - U'Ａ' + U'A';
    else if (cp >= U'ａ' && cp <= U'ｚ')
        cp = cp - U'ａ' + U'a';
    if (cp >= U'A' && cp <= U'Z')
        cp = cp - U'A' + U'a';
    return cp;
}

// One piece of a name: a run of digits (its value, without leading zeros)
// or one other character. A digit run sorts where "0" would.
struct Piece {
    char32_t key = 0;
    std::string digits;
};

Piece NextPiece(std::string_view text, std::size_t& at)
{
    Piece piece;
    std::size_t probe = at;
    char32_t cp = NextCodePoint(text, probe);
    if (DigitValue(cp) < 0) {
        at = probe;
        piece.key = Folded(cp);
        return piece;
    }
    piece.key = U'0';
    while (true) {
        const int digit = DigitValue(cp);
        if (digit < 0)
            break;
        at = probe;
        if (!(piece.digits.empty() && digit == 0))
            piece.digits.push_back(char('0' + digit));
        if (at >= text.size())
            break;
        cp = NextCodePoint(text, probe);
    }
    return piece;
}

int Compare(const Piece& a, const Piece& b)
{
    if (a.key != b.key)
        return a.key < b.key ? -1 : 1;
    if (a.digits.size() != b.digits.size())
        return a.digits.size() < b.digits.size() ? -1 : 1;
    return a.digits.compare(b.digits);
}

} // namespace

int NaturalCompare(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const int order = Compare(NextPiece(a, i), NextPiece(b, j));
        if (order != 0)
            return order;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return a.compare(b) < 0 ? -1 : a == b ? 0 : 1;
}

void SortNaturally(std::vector<std::string>& texts)
{
    std::sort(texts.begin(), texts.end(), NaturalLess);
}

} // namespace movarin
