// The tag routines on any text: the pieces they cut make up the text again,
// stripping leaves no brace, scope changes touch only the kind letters, and
// removals are done once and for all. The statistics measure a line as
// stripping and splitting it would.
#include "document/ascii.h"
#include "document/subtitle_line.h"
#include "edit/statistics.h"
#include "fuzz_support.h"
#include "layout/tags.h"

using namespace velorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const char kind = "YSCF"[input.ConsumeIntegralInRange(0, 3)];
  const TagColor color = input.ConsumeIntegralInRange<TagColor>(0, 0xFFFFFF);
  const std::string text = input.ConsumeRemainingBytesAsString();

  const std::string stripped = StripTags(text);
  {
    SubtitleList list;
    list.Add("{1}{}" + text);
    list.SetUtf8(kind == 'Y');
    size_t longest = 0;
    for (const std::string& line : SplitIntoFiveLines(stripped)) {
      size_t length = line.size();
      if (list.IsUtf8())
        length = static_cast<size_t>(std::count_if(line.begin(), line.end(), [](char c) {
          return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
      longest = std::max(longest, length);
    }
    // A second row as long as the longest line does not win, one longer does.
    list.Add("{2}{}" + std::string(longest, 'x'));
    const SubtitleStatistics s = ComputeStatistics(list);
    FUZZ_CHECK(s.longestLineFrame == (longest > 0 ? 1 : 0));
    list.Replace(1, "{3}{}" + std::string(longest + 1, 'x'));
    FUZZ_CHECK(ComputeStatistics(list).longestLineFrame == 3);
    FUZZ_CHECK(s.formatted == (text.find('{') != std::string::npos ? 1 : 0));
    FUZZ_CHECK(s.maxLines == std::max(DisplayLineCount(text), 1));
  }
  FUZZ_CHECK(stripped.find_first_of("{}") == std::string::npos);
  FUZZ_CHECK(StripTags(stripped) == stripped);

  const LeadingTags split = SplitLeadingTags(text);
  FUZZ_CHECK(split.tags + split.rest == text);
  FUZZ_CHECK(split.rest.find('}') == std::string::npos);

  // Five display lines: what stands before a fifth '|' comes back.
  const std::array<std::string, 5> lines = SplitIntoFiveLines(text);
  size_t bars = 0, cut = 0;
  for (; cut < text.size(); ++cut)
    if (text[cut] == '|' && ++bars == 5) break;
  std::string joined = lines[0];
  for (size_t i = 1; i < std::min<size_t>(bars + 1, 5); ++i) joined += "|" + lines[i];
  FUZZ_CHECK(joined == text.substr(0, cut));

  const TagScopes scopes = SeparateTagScopes(text);
  FUZZ_CHECK(scopes.whole.size() + scopes.line.size() <= text.size());
  for (const std::string* part : {&scopes.whole, &scopes.line})
    FUZZ_CHECK(part->empty() || part->front() == '{');

  // Scope changes alter only the case of kind letters before ':'.
  const std::string whole = ToWholeScope(text), line = ToLineScope(text);
  FUZZ_CHECK(whole.size() == text.size() && line.size() == text.size());
  for (size_t i = 0; i < text.size(); ++i)
    FUZZ_CHECK(whole[i] == text[i] || AsciiToUpper(whole[i]) == AsciiToUpper(text[i]));
  FUZZ_CHECK(ToWholeScope(line) == whole && ToLineScope(whole) == line);

  const JoinedLines plain = JoinLinesWithSpaces(text);
  FUZZ_CHECK(plain.text.size() == text.size() && plain.text.find('|') == std::string::npos);

  const std::string removed = RemoveTagsOfKind(text, kind);
  FUZZ_CHECK(removed.size() <= text.size());
  FUZZ_CHECK(RemoveTagsOfKind(removed, kind) == removed);
  (void)RemoveWholeTag(text, kind);

  FUZZ_CHECK(TagHexToColor(text) <= 0xFFFFFF);
  FUZZ_CHECK(TagHexToColor(ColorToTagHex(color)) == color);

  try {
    const std::string tag = SizeTag(text);
    FUZZ_CHECK(tag.rfind("{S:", 0) == 0 && tag.back() == '}');
  } catch (const Error& e) {
    fuzz::CheckMessage(e);
  }
  try {
    const TagFont font = FontFromTags(text, TagFont{"Arial", 30, false, false, false, color});
    FUZZ_CHECK(font.color <= 0xFFFFFF);
    // Written as tags and read again, a font is the same font.
    if (font.family.find_first_of("{}") == std::string::npos && font.size >= 0) {
      const TagFont again = FontFromTags(TagsFromFont(font, false), TagFont{});
      FUZZ_CHECK(again.family == font.family && again.size == font.size &&
                 again.bold == font.bold && again.italic == font.italic &&
                 again.underline == font.underline && again.color == font.color);
    }
  } catch (const Error& e) {
    fuzz::CheckMessage(e);
  }
  return 0;
}
