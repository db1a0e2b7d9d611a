// Work shared out over threads in blocks of lines must write exactly what one
// pass writes, fail where one pass fails, and judge UTF-8 as one check does.
#include "document/block_writer.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "document/subtitle_file.h"
#include "layout/line_breaking.h"

namespace velorin {
namespace {

// Each line upper-cased and numbered by its length; "fail" throws.
void Shout(std::string_view block, std::string& out) {
  ForEachLine(block, [&](std::string_view line) {
    if (line == "fail") throw std::runtime_error("fail");
    for (char c : line) out.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
    out += ":" + std::to_string(line.size()) + "\n";
    return true;
  });
}

std::string Lines(int count, const char* extra = "") {
  std::string text;
  for (int i = 0; i < count; ++i) text += std::string(static_cast<size_t>(i % 37), static_cast<char>('a' + i % 26)) + "\r\n";
  return text + extra;
}

TEST(BlockWriter, WritesWhatOnePassWrites) {
  const std::string texts[] = {"", "x", "\n\n\n", Lines(3000), Lines(3000, "tail without LF")};
  for (const std::string& text : texts) {
    std::string once;
    Shout(text, once);
    for (unsigned workers : {1u, 2u, 3u})
      for (size_t block : {size_t{1}, size_t{7}, size_t{4096}, size_t{1} << 20}) {
        std::string got;
        WriteBlocksInOrder(text, Shout, [&](std::string_view piece) { got.append(piece); }, workers, block);
        EXPECT_EQ(got, once) << text.size() << " bytes, " << workers << " workers, blocks of " << block;
      }
  }
}

TEST(BlockWriter, FaultsReachTheCallerAfterTheBlocksBefore) {
  const std::string text = Lines(2000) + "fail\n" + Lines(2000);
  for (unsigned workers : {1u, 2u, 4u}) {
    std::string got;
    EXPECT_THROW(WriteBlocksInOrder(text, Shout, [&](std::string_view piece) { got.append(piece); },
                                    workers, 512),
                 std::runtime_error);
    std::string before;
    Shout(Lines(2000), before);
    // Everything written is the start of what one pass writes up to the fault.
    EXPECT_EQ(before.compare(0, got.size(), got), 0) << workers;
    // A sink that fails stops the workers as well.
    int calls = 0;
    EXPECT_THROW(WriteBlocksInOrder(Lines(20000), Shout,
                                    [&](std::string_view) {
                                      if (++calls == 3) throw std::runtime_error("disk full");
                                    },
                                    workers, 512),
                 std::runtime_error);
    EXPECT_EQ(calls, 3);
  }
}

TEST(BlockWriter, Utf8InPartsAsInOne) {
  // Parts are cut near multiples of a quarter: characters of every length,
  // and broken ones, are placed across those places.
  const std::string pieces[] = {"\xc3\xa1", "\xe2\x82\xac", "\xf0\x9f\x98\x80", "\xc3",
                                "\x80\x80\x80\x80", "\xed\xa0\x80", "\xf4\x90\x80\x80"};
  const size_t size = (size_t{4} << 20) + 4;
  for (const std::string& piece : pieces)
    for (size_t shift = 0; shift < 4; ++shift) {
      std::string text(size, 'a');
      for (size_t k = 1; k < 4; ++k) text.replace(size / 4 * k - shift, piece.size(), piece);
      for (unsigned workers : {2u, 3u, 4u})
        EXPECT_EQ(IsValidUtf8InParts(text, workers), IsValidUtf8(text))
            << "piece " << piece.size() << " bytes, shift " << shift << ", " << workers << " parts";
    }
}

TEST(BlockWriter, LineCountInBlocksAsInOnePass) {
  // A document beyond two blocks: skipped lines, LF and CR LF, tags, lines
  // before the first subtitle.
  std::string text = "\xef\xbb\xbf[header]\r\n\r\n";
  const char* rows[] = {"{10}{50}{Y:i}Ahoj, jak se máš?|{y:b}Dobře.\r\n",
                        "{60}{}Nevím, co říct, všechno se změnilo.\n", "[comment]\r\n", "\r\n",
                        "{100}{120}{c:$00FFFF}Pozor!|Za tebou!|Utíkej!\r\n", "stray text\n",
                        "{0100}{0}a b c d e f g h\r\n"};
  for (int i = 0; text.size() < (size_t{5} << 20); ++i) text += rows[i % std::size(rows)];
  text += "{7}{8}no line end";
  for (bool utf8 : {false, true}) {
    std::string once, blocks;
    WriteLineCountChanged([&](const LineSink& sink) { ForEachSubtitleLine(text, sink); }, nullptr, 1,
                          false, utf8, [&](std::string_view piece) { once.append(piece); });
    WriteLineCountChangedInBlocks(FindFirstSubtitleLine(text).rest, 1, false, utf8,
                                  [&](std::string_view piece) { blocks.append(piece); });
    EXPECT_TRUE(once == blocks) << "utf8 " << utf8;
  }
}

}  // namespace
}  // namespace velorin
