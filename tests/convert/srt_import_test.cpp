#include "convert/srt_import.h"

#include <gtest/gtest.h>

#include "document/subtitle_line.h"
#include "test_support.h"

namespace velorin {
namespace {

using Lines = std::vector<std::string>;
using test::Utf16Bytes;
constexpr FrameRate k25(25000);

TEST(ParseSrtTimes, FieldsFractionsAndWhatFollowsTheTime) {
  const struct {
    std::string line;
    FrameRate rate;
    FrameValue start, end;
  } cases[] = {
      {"00:00:01,500 --> 00:00:04,000", k25, 37500, 100000},
      {"00:00:01,050 --> 00:00:02,005", k25, 26250, 50125},
      {"00:00:00,010 --> 00:00:00,030", k25, 250, 750},
      // On a frame exactly: 1.16 x 25 is 29, not 28.999999999999996.
      {"00:00:01,160 --> 00:01:00,040", k25, 29000, 1501000},
      {"00:00:01.500 --> 00:00:04.000", k25, 37500, 100000},
      {"00:00:01,5 --> 00:00:01,05", k25, 37500, 26250},
      {"00:00:01, 500-->00:00:02 ,000", k25, 37500, 50000},
      {"00:00:01,000 --> 00:00:02,000 X1:100 X2:600 Y1:10 Y2:50", k25, 25000, 50000},
      {"00:00:01:02:03 --> 00:00:04,000", k25, 25500, 100000},  // a fourth ':' is dropped
      {std::string("00:00:01\0,500 --> 00:00:02,000", 29), k25, 37500, 50000},
      {"00:00:05,000", k25, 125000, 0},
      {"", k25, 0, 0},
      {"100:00:00,000 --> 00:00:10,000", k25, 9000000000, 250000},
      {"00:00:10,000 --> 00:00:01,001", FrameRate(23976), 239760, 23999},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    ConvertedTimes t = ParseSrtTimes(c.line, c.rate);
    EXPECT_EQ(t.start, c.start);
    EXPECT_EQ(t.end, c.end);
  }
  for (const char* tooLarge : {"2147483648:00:00,000", "00:00:01,000 --> 00:00:01,12345678901"})
    EXPECT_THROW(ParseSrtTimes(tooLarge, k25), Error) << tooLarge;
}

TEST(ParseSrtTimes, TheUsualLineReadsAsTheGeneralReadingReadsIt) {
  // A blank in front is passed over, but leads the line past the quick
  // reading of "HH:MM:SS,mmm --> HH:MM:SS,mmm": both must agree.
  for (const char* line :
       {"00:00:01,500 --> 00:00:04,000", "00:59:59,999 --> 01:00:00,001",
        "123:45:06,007 --> 999999999:00:00,000", "1:02:03.004 --> 1:02:03.995",
        "00:00:01,000 --> 00:00:02,000X1:100", "00:00:01,000 --> 00:00:02,0009",
        "00:00:01,000 --> 00:00:02,00", "00:00:01,000  --> 00:00:02,000",
        "0000000001:00:00,000 --> 00:00:00,000", "00:00:01,000 -> 00:00:02,000"}) {
    for (const FrameRate& rate : kFrameRates) {
      SCOPED_TRACE(std::string(line) + " at " + std::to_string(rate.Thousandths()));
      const ConvertedTimes quick = ParseSrtTimes(line, rate);
      const ConvertedTimes general = ParseSrtTimes(std::string(" ") + line, rate);
      EXPECT_EQ(quick.start, general.start);
      EXPECT_EQ(quick.end, general.end);
    }
  }
}

TEST(ParseTimeCodeLine, NumbersFractionsAndText) {
  const struct {
    std::string line;
    FrameValue start, end;
    std::string text;
  } cases[] = {
      {"00:01:02:Ahoj", 1550000, 0, "Ahoj"},
      {"00:00:01.50,00:00:03.00", 37500, 75000, ""},
      {"00:00:01.05,00:00:03.00 Ahoj", 26250, 75000, "Ahoj"},
      {"00:00:01,00:00:02:Ahoj", 25000, 50000, "Ahoj"},
      {"00:00:01,00:00:02 Ahoj", 25000, 50000, " Ahoj"},
      {"Ahoj", 0, 0, "Ahoj"},
      // A letter right after the fraction begins the text, it is not swallowed.
      {"00:00:01.50Ahoj", 37500, 0, "Ahoj"},
      {"00:00:01.5 Ahoj", 25000, 0, ".5 Ahoj"},
      {"00:00:01,00:00:02,00:00:03,99999999999 x", 25000, 50000, " x"},  // surplus dropped
      {"00:00:02:", 50000, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    TimeCodeLine t = ParseTimeCodeLine(c.line, k25);
    EXPECT_EQ(t.start, c.start);
    EXPECT_EQ(t.end, c.end);
    EXPECT_EQ(t.text, c.text);
  }
  EXPECT_THROW(ParseTimeCodeLine("99999999999:00:00 x", k25), Error);
}

TEST(AddConvertedSubtitle, AppendsJoinsOrKeepsAFramelessText) {
  const struct {
    Lines before;
    std::string text;
    FrameValue start, end;
    Lines after;
  } cases[] = {
      {{}, "Ahoj", 37500, 100000, {"{37}{100}Ahoj"}},
      {{}, "x", 250, 750, {"{}{0}x"}},
      {{"{1}{2}a"}, "b", 0, 499, {"{1}{2}ab"}},
      {{"{1}{2}a"}, "", 0, 0, {"{1}{2}a"}},
      {{}, "b", 0, 0, {"{}{}b"}},
      {{}, "", 0, 0, {}},
      {{}, "x", 500, 499, {"{0}{}x"}},
      {{}, "x", 2147483647999, 0, {"{2147483647}{}x"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Lines lines = c.before;
    AddConvertedSubtitle(lines, c.text, c.start, c.end);
    EXPECT_EQ(lines, c.after);
  }
  Lines lines = {"{1}{2}a"};
  EXPECT_THROW(AddConvertedSubtitle(lines, "x", 0, 2147483648000), Error);
  EXPECT_EQ(lines, Lines{"{1}{2}a"});
}

TEST(IsSrtText, TheFirstLineOfFourCharactersDecides) {
  const std::string srt = "1\r\n00:00:01,000 --> 00:00:02,000\r\nAhoj\r\n";
  const std::pair<std::string, bool> cases[] = {
      {"", false},
      {srt, true},
      {"\xEF\xBB\xBF" + srt, true},
      {"[INFO]\r\n[x]\r\n\r\n" + srt, true},
      {"    \r\n\t\t\t\t\r\n" + srt, true},  // lines of blanks are passed over
      {"Titulky k filmu\r\n" + srt, false},
      {"00:00:01.00,00:00:02.00 Ahoj\n", false},
      {"1\r\n2\r\n", false},
  };
  for (const auto& [bytes, expected] : cases) EXPECT_EQ(IsSrtText(bytes), expected) << bytes;
}

TEST(IsSrtFile, ExtensionOrTheStartOfTheFile) {
  test::TempDir dir;
  const std::string time = "00:00:01,000 --> 00:00:02,000\n";
  const std::pair<std::string, bool> files[] = {
      {"1\n" + time, true},
      {std::string(70000, '\n') + time, true},  // deciding line beyond the first read
      {std::string(100000, 'x') + "\n" + time, false},
      {"Titulky\n" + time, false},
  };
  for (const auto& [bytes, expected] : files) {
    test::WriteBytes(dir.File("film.txt"), bytes);
    EXPECT_EQ(IsSrtFile(dir.File("film.txt")), expected) << bytes.size();
  }
  EXPECT_TRUE(IsSrtFile(dir.File("none.Srt")));  // the extension alone decides
  EXPECT_THROW(IsSrtFile(dir.File("none.txt")), Error);
}

TEST(ConvertSrt, BlocksBecomeFrameLines) {
  const std::string b1 = "1\r\n00:00:01,000 --> 00:00:02,000\r\n";
  const std::string b2 = "2\r\n00:00:03,000 --> 00:00:04,000\r\n";
  const struct {
    const char* name;
    std::string bytes;
    FrameRate rate;
    Lines lines;
  } cases[] = {
      {"two text lines",
       "1\r\n00:00:01,500 --> 00:00:04,000\r\nAhoj\r\nsvěte\r\n\r\n",
       k25,
       {"{37}{100}Ahoj|světe"}},
      {"seven text lines: all kept",
       b1 + "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\n7\r\n\r\n" + b2 + "h\r\n",
       k25,
       {"{25}{50}a|b|c|d|e|f|7", "{75}{100}h"}},
      {"a separator of blanks ends the block",
       b1 + "a\r\n  \t \r\n" + b2 + "b\r\n",
       k25,
       {"{25}{50}a", "{75}{100}b"}},
      {"headers, several empty lines, LF, no final line end",
       "[INFO]\n\n\n1\n00:00:01,000 --> 00:00:02,000\nx\n\n\n",
       k25,
       {"{25}{50}x"}},
      {"a time below half a frame joins the previous subtitle",
       b1 + "a\r\n\r\n2\r\n00:00:00,000 --> 00:00:00,010\r\nb\r\n",
       k25,
       {"{25}{50}ab"}},
      {"text without a time before any subtitle is kept",
       "1\r\nbez času\r\nAhoj\r\n\r\n" + b2,
       k25,
       {"{}{}Ahoj", "{75}{100}"}},
      {"a counter at the end and a block without text", b1 + "\r\n2\r\n", k25, {"{25}{50}"}},
      {"markup copied", b1 + "<i>Ahoj</i>\r\n", k25, {"{25}{50}<i>Ahoj</i>"}},
      {"23,976", "1\n00:00:10,000 --> 00:00:20,000\nx\n", FrameRate(23976), {"{239}{479}x"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ConvertSrt(c.bytes, c.rate).lines, c.lines);
  }
}

TEST(ConvertSrt, MalformedFilesAsTheirBlocksAreMeant) {
  const std::string t1 = "00:00:01,000 --> 00:00:02,000", t2 = "00:00:03,000 --> 00:00:04,000",
                    t3 = "00:00:05,000 --> 00:00:06,000";
  const Lines ab = {"{25}{50}A", "{75}{100}B"};
  const struct {
    const char* name;
    std::string bytes;
    Lines lines;
  } cases[] = {
      {"a line of blanks inside a block, then more text",
       "1\n" + t1 + "\nA\n \nza 2 dny\nv 8 hodin\n\n2\n" + t2 + "\nB\n",
       {"{25}{50}A||za 2 dny|v 8 hodin", "{75}{100}B"}},
      {"no blank lines between blocks, blanks after a counter",
       "1\n" + t1 + "\nA\n2 \n" + t2 + "\nB\n3\n" + t3 + "\nC\n",
       {"{25}{50}A", "{75}{100}B", "{125}{150}C"}},
      {"no counters", t1 + "\nA\n\n" + t2 + "\nB\n", ab},
      {"no counters and no blank lines", t1 + "\nA\nA2\n" + t2 + "\nB\n",
       {"{25}{50}A|A2", "{75}{100}B"}},
      {"bare CR", "1\r" + t1 + "\rA\r\r2\r" + t2 + "\rB\r", ab},
      {"CR CR LF", "1\r\r\n" + t1 + "\r\r\nA\r\r\n\r\r\n2\r\r\n" + t2 + "\r\r\nB\r\r\n", ab},
      {"CR CR CR LF, a CR inside a line, CR CR at the end",
       "1\r\n" + t1 + "\r\nA\rA2\r\r\r\n2\r\n" + t2 + "\r\nB\r\r",
       {"{25}{50}A|A2", "{75}{100}B"}},
      {"overlapping blocks",
       "1\n00:00:01,000 --> 00:00:05,000\nA\n\n2\n00:00:02,000 --> 00:00:03,000\nB\n",
       {"{25}{125}A", "{50}{75}B"}},
      {"extra blank lines around blocks and before the time line",
       "\n\n1\n" + t1 + "\nA\n\n\n\n2\n\n" + t2 + "\nB\n\n\n", ab},
      {"an empty line before a block's text", "1\n" + t1 + "\n\nA\n\n2\n" + t2 + "\nB\n", ab},
      {"coordinates after the times",
       "1\n" + t1 + " X1:100 X2:600 Y1:10 Y2:50\nA\n\n2\n" + t2 + "  X1:1\nB\n", ab},
      {"seven text lines, no final line end",
       "1\n" + t1 + "\n1\n2\n3\n4\n5\n6\n<i>7</i>", {"{25}{50}1|2|3|4|5|6|<i>7</i>"}},
      {"numbers as text, also right before a counter",
       "1\n" + t1 + "\n1984\n\n2\n" + t2 + "\nB\n42\n3\n" + t3 + "\nC\n",
       {"{25}{50}1984", "{75}{100}B|42", "{125}{150}C"}},
      {"a last counter without its block, blank lines after it",
       "1\n" + t1 + "\nA\n\n2\n\n\n", {"{25}{50}A"}},
      {"a note after the last block", "1\n" + t1 + "\nA\n\nPřeložil Jan\n",
       {"{25}{50}A||Přeložil Jan"}},
      {"a title before the first block", "Titulky k filmu\n1\n" + t1 + "\nA\n", {"{25}{50}A"}},
      {"full stop before the milliseconds, UTF-8 mark, no counters",
       "\xEF\xBB\xBF" "00:00:01.000 --> 00:00:02.000\nA\n\n00:00:03.000 --> 00:00:04.000\nB\n", ab},
      {"Windows-1252 bytes kept as they are",
       "1\r\n" + t1 + "\r\nO\xF9 est-il ?\r\n", {"{25}{50}O\xF9 est-il ?"}},
      {"UTF-16 little-endian",
       Utf16Bytes("1\r\n00:00:01,000 --> 00:00:02,000\r\nPříliš\r\n\r\n2\r\n"
             "00:00:03,000 --> 00:00:04,000\r\n\u65E5\u672C \U0001F600\r\n",
             false),
       {"{25}{50}Příliš", "{75}{100}\u65E5\u672C \U0001F600"}},
      {"UTF-16 big-endian, no counters",
       Utf16Bytes("00:00:01,000 --> 00:00:02,000\nA\n\n00:00:03,000 --> 00:00:04,000\nB\n", true), ab},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ConvertSrt(c.bytes, k25).lines, c.lines);
  }
}

TEST(IsSrtTimeLine, TwoTimesAroundTheArrow) {
  const std::pair<std::string, bool> cases[] = {
      {"00:00:01,000 --> 00:00:02,000", true},
      {"0:0:1.5-->0:0:2", true},
      {"1 --> 2", true},
      {"00:00:01,000 --> 00:00:02,000 X1:100 X2:600", true},
      {"--> 00:00:02,000", false},
      {"00:00:01,000 -->", false},
      {"Pak --> 10 minut", false},
      {"00:00:01,000 --> za 2 minuty", false},
      {"00:00:01,000 -> 00:00:02,000", false},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(IsSrtTimeLine(line), expected) << line;
}

TEST(ConvertTimeCodeLines, OneSubtitleALine) {
  const std::pair<std::string, Lines> cases[] = {
      {"00:00:01.50,00:00:03.00\r\nAhoj\r\n", {"{37}{75}Ahoj"}},
      {"00:01:02:Ahoj\r\n", {"{1550}{}Ahoj"}},
      {"\xEF\xBB\xBF"
       "00:00:01.00,00:00:02.00 a\r\n",
       {"{25}{50}a"}},
      {"[x]\r\n\r\nTitulky\r\n00:00:01:Ahoj\n", {"{}{}Titulky", "{25}{}Ahoj"}},
  };
  for (const auto& [bytes, lines] : cases) EXPECT_EQ(ConvertTimeCodeLines(bytes, k25).lines, lines);
}

TEST(Conversion, ANumberTooLargeConvertsNothingAndNamesTheLine) {
  const struct {
    bool srt;
    std::string bytes;
    size_t line;
    std::string message;
  } cases[] = {
      {true, "1\n00:00:01,000 --> 00:00:02,000\na\n\n2\n99999:00:00,000 --> 00:00:01,000\nb\n", 6,
       "'8999910000' is not a valid integer value"},
      {true, "1\n2147483648:00:00,000 --> 0\n", 2, "'02147483648' is not a valid integer value"},
      {false, "00:00:01:a\n\n1:0:0,99999999999:0:0 b\n", 3,
       "'099999999999' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    try {
      c.srt ? ConvertSrt(c.bytes, k25) : ConvertTimeCodeLines(c.bytes, k25);
      ADD_FAILURE() << "converted";
    } catch (const ConversionError& e) {
      EXPECT_EQ(e.Line(), c.line);
      EXPECT_EQ(e.what(), c.message);
    }
  }
}

TEST(Conversion, TheDocumentKeepsTheFilesEncoding) {
  const std::string bom = "\xEF\xBB\xBF";
  EXPECT_TRUE(ConvertSrt(bom + "1\n1 --> 2\nsvěte\n", k25).utf8);
  EXPECT_FALSE(ConvertTimeCodeLines("00:00:01:sv\x9Ete\n", k25).utf8);
}

TEST(Conversion, HostileBytesConvertOrStopWithALine) {
  const std::string mega(1 << 20, '9');
  auto repeat = [](std::string_view piece, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += piece;
    return s;
  };
  const struct {
    std::string bytes;
    bool srtConverts, timeCodesConvert;
  } cases[] = {
      {"1\n" + std::string(1 << 20, '0') + ",5 --> 1\nx\n", true, true},
      {"1\n" + mega + " --> 1\nx\n", false, false},
      {"1\n" + repeat("1->", 100000) + "\nx\n", false, true},  // end hours of 100000 digits
      {std::string(1 << 16, '\0') + "\n" + std::string(1 << 16, '\r'), true, true},
      {repeat("1,", 1 << 20) + mega + "\n", true, true},  // numbers beyond the sixth
      {mega + "\n", true, false},                         // a counter without a block
  };
  for (const auto& c : cases) {
    for (bool srt : {true, false}) {
      SCOPED_TRACE(c.bytes.substr(0, 40) + (srt ? " as SRT" : " as time codes"));
      bool converts = srt ? c.srtConverts : c.timeCodesConvert;
      try {
        ConvertedDocument d = srt ? ConvertSrt(c.bytes, k25) : ConvertTimeCodeLines(c.bytes, k25);
        EXPECT_TRUE(converts);
        for (const std::string& line : d.lines) EXPECT_NO_THROW(ParseSubtitleLine(line));
      } catch (const ConversionError& e) {
        EXPECT_FALSE(converts);
        EXPECT_GE(e.Line(), 1u);
      }
    }
  }
}

TEST(Conversion, LinesHandedOverOneByOneAreTheWholeDocument) {
  // Each line goes out only once complete: a text without times still joins
  // the line before it.
  const struct {
    bool srt;
    std::string bytes;
    Lines lines;
  } cases[] = {
      {false,
       "00:00:01:Ahoj\r\nsvete\r\n00:00:02:a\r\nb\r\nc\r\n",
       {"{25}{}Ahojsvete", "{50}{}abc"}},
      {false, "Titulky\r\nzde\r\n00:00:01:Ahoj\n", {"{}{}Titulkyzde", "{25}{}Ahoj"}},
      {true,
       "1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\nB\r\n\r\n"
       "2\r\n00:00:03,000 --> 00:00:04,000\r\nC\r\n",
       {"{25}{50}A|B", "{75}{100}C"}},
  };
  for (const auto& c : cases) {
    Lines handed;
    const ConvertedLineFn emit = [&](std::string_view line) { handed.emplace_back(line); };
    EXPECT_TRUE(c.srt ? ConvertSrtInto(c.bytes, k25, emit)
                      : ConvertTimeCodeLinesInto(c.bytes, k25, emit));
    EXPECT_EQ(handed, c.lines) << c.bytes;
  }
}

}  // namespace
}  // namespace velorin
