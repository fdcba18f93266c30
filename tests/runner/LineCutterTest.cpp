#include <gtest/gtest.h>

#include <random>

#include "runner/LineCutter.h"

namespace {

struct Delivery {
    std::string text;
    TOutputType type;
    TReturnCode ending;
    bool operator==(const Delivery&) const = default;
};

std::vector<Delivery> CutReads(const std::vector<std::string>& reads)
{
    TLineCutter cutter;
    std::vector<Delivery> out;
    for (const std::string& read : reads)
        cutter.Cut(read, [&](const std::string& t, TOutputType type, TReturnCode e) {
            out.push_back({t, type, type == otCompleteLine ? e : rcLF});
        });
    return out;
}

Delivery Line(std::string t, TReturnCode e) { return {std::move(t), otCompleteLine, e}; }
Delivery Part(std::string t) { return {std::move(t), otPartialLine, rcLF}; }

} // namespace

TEST(LineCutter, EndingsWithinAndAcrossReads)
{
    using namespace std::string_literals;
    EXPECT_EQ(CutReads({"a\r\nb\n"}), (std::vector{Line("a", rcCRLF), Line("b", rcLF)}));
    // The pair split across reads ends one line, reported as a lone CR.
    EXPECT_EQ(CutReads({"x\r", "\ny\n"}), (std::vector{Line("x", rcLF), Line("y", rcLF)}));
    EXPECT_EQ(CutReads({"\n\n"}), (std::vector{Line("", rcLF), Line("", rcLF)}));
    EXPECT_EQ(CutReads({"a\rb\r"}), (std::vector{Line("a", rcLF), Line("b", rcLF)}));
    EXPECT_EQ(CutReads({"a\0b\0\n"s}), (std::vector{Line("ab", rcLF)}));
    // A NUL between CR and LF keeps them apart: two line ends.
    EXPECT_EQ(CutReads({"a\r\0\n"s}), (std::vector{Line("a", rcLF), Line("", rcLF)}));
    // An LF after a read that ended with CR LF is a line end of its own.
    EXPECT_EQ(CutReads({"a\r\n", "\n"}), (std::vector{Line("a", rcCRLF), Line("", rcLF)}));
}

TEST(LineCutter, PartialLineGrowsAcrossReads)
{
    EXPECT_EQ(CutReads({"abc", "def\n"}), (std::vector{Part("abc"), Line("abcdef", rcLF)}));
    EXPECT_EQ(CutReads({"ab", "", "cd"}), (std::vector{Part("ab"), Part("ab"), Part("abcd")}));
    EXPECT_TRUE(CutReads({std::string("\0\0", 2)}).empty());
}

TEST(LineCutter, StopDropsTheRestOfTheRead)
{
    TLineCutter cutter;
    std::vector<Delivery> out;
    bool stop = false;
    cutter.Cut("one\ntwo\nthree", [&](const std::string& t, TOutputType type, TReturnCode e) {
        out.push_back({t, type, e});
        stop = true;
    }, [&] { return stop; });
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].text, "one");
    EXPECT_EQ(cutter.Partial(), "");
}

// The stream as one piece: lines end at CR LF, CR or LF; NULs vanish from
// the lines afterwards. A CR LF pair ends one line wherever the reads cut it.
TEST(LineCutter, MatchesReferenceOverRandomReadBoundaries)
{
    std::mt19937 random(20240611);
    const char alphabet[] = {'a', 'b', '\r', '\n', '\0', ' '};
    for (int round = 0; round < 2000; ++round) {
        std::string stream;
        const int length = int(random() % 60);
        for (int i = 0; i < length; ++i)
            stream += alphabet[random() % sizeof alphabet];

        std::vector<std::string> reads;
        std::vector<std::size_t> readEnds;
        for (std::size_t pos = 0; pos < stream.size();) {
            std::size_t size = std::min<std::size_t>(stream.size() - pos, 1 + random() % 8);
            reads.push_back(stream.substr(pos, size));
            pos += size;
            readEnds.push_back(pos);
        }

        std::vector<Delivery> expectedLines;
        std::string line;
        for (std::size_t i = 0; i < stream.size(); ++i) {
            const char c = stream[i];
            if (c == '\r' || c == '\n') {
                TReturnCode ending = rcLF;
                if (c == '\r' && i + 1 < stream.size() && stream[i + 1] == '\n') {
                    bool splitHere = std::find(readEnds.begin(), readEnds.end(), i + 1) != readEnds.end();
                    ending = splitHere ? rcLF : rcCRLF;
                    ++i;
                }
                expectedLines.push_back(Line(line, ending));
                line.clear();
            } else if (c != '\0') {
                line += c;
            }
        }

        std::vector<Delivery> got = CutReads(reads);
        std::vector<Delivery> gotLines;
        for (std::size_t i = 0; i < got.size(); ++i) {
            if (got[i].type == otCompleteLine) {
                gotLines.push_back(got[i]);
                continue;
            }
            EXPECT_FALSE(got[i].text.empty());
            // A partial text is the beginning of what follows it.
            const std::string& next = i + 1 < got.size() ? got[i + 1].text : line;
            EXPECT_EQ(next.compare(0, got[i].text.size(), got[i].text), 0) << "stream #" << round;
        }
        ASSERT_EQ(gotLines, expectedLines) << "stream #" << round;
        if (!line.empty()) {
            ASSERT_FALSE(got.empty());
            EXPECT_EQ(got.back(), Part(line));
        }
    }
}

TEST(LineCutter, QueuedTextEndsWithLineBreakOnlyAtItsFirstBreak)
{
    EXPECT_TRUE(EndsWithLineBreak("abc\r\n"));
    EXPECT_TRUE(EndsWithLineBreak("abc\n"));
    EXPECT_FALSE(EndsWithLineBreak("abc\r"));
    EXPECT_FALSE(EndsWithLineBreak("a\nb\n"));
    EXPECT_FALSE(EndsWithLineBreak(""));
    EXPECT_EQ(SplitIntoLines("a\r\nb\rc\n"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(SplitIntoLines("a\n\nb"), (std::vector<std::string>{"a", "", "b"}));
}
