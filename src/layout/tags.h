#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "document/subtitle_list.h"

namespace velorin {

// Formatting tags are brace groups such as {Y:bi}, {S:30}, {C:$0000FF} or
// {F:Arial} that lead a subtitle's text or one display line. An upper-case
// letter formats the whole subtitle (its tags stand in the first line's
// prefix), a lower-case letter only the display line that holds it.

struct LeadingTags {
  std::string tags;  // up to and including the line's last '}'
  std::string rest;
};

// Cuts a display line at its last '}'.
LeadingTags SplitLeadingTags(std::string_view text);

// Removes every brace group. A '}' without a '{' is dropped, and so is
// everything from a '{' without a closing '}' to the end.
std::string StripTags(std::string_view text);

// The display lines 1..5 of a text; text after a fifth '|' is dropped.
std::array<std::string, 5> SplitIntoFiveLines(std::string_view text);

struct TagScopes {
  std::string whole;  // pieces with C, F, S, Y
  std::string line;   // pieces with c, f, s, y
};

// Sorts a tag prefix into whole-subtitle and line tags. The prefix is cut
// into pieces each starting at a '{'; pieces of any other letter are dropped.
TagScopes SeparateTagScopes(std::string_view prefix);
// The same into the caller's strings (emptied first), which a loop over many
// rows keeps from one to the next.
void SeparateTagScopesInto(std::string_view prefix, std::string& whole, std::string& line);

// StripTags appended to out.
void AppendWithoutTags(std::string& out, std::string_view text);

struct JoinedLines {
  std::string text;
  int count = 0;  // number of '|' replaced
};

// Every '|' becomes one space.
JoinedLines JoinLinesWithSpaces(std::string_view text);

// Colours are 24-bit values with red in the low byte, green in the middle
// and blue in the high byte.
using TagColor = uint32_t;

inline TagColor TagColorFromRgb(int r, int g, int b) {
  return static_cast<TagColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
inline int TagColorRed(TagColor c) { return c & 0xFF; }
inline int TagColorGreen(TagColor c) { return (c >> 8) & 0xFF; }
inline int TagColorBlue(TagColor c) { return (c >> 16) & 0xFF; }

// "$BBGGRR" with upper-case digits.
std::string ColorToTagHex(TagColor color);

// The last six characters of the upper-cased value read as hexadecimal, any
// character that is not a digit 1-9 or A-F counting 0.
TagColor TagHexToColor(std::string_view value);

// The colours offered by the formatting dialog, with their shown names (UTF-8).
struct NamedTagColor {
  const char* name;
  TagColor color;
};
extern const std::array<NamedTagColor, 16> kTagColors;
inline constexpr int kDefaultTagColorIndex = 15;  // white

// Case of the kind letters: every C, F, S or Y (either case) directly followed
// by ':' becomes upper case (whole subtitle) or lower case (one line).
std::string ToWholeScope(std::string_view tags);
std::string ToLineScope(std::string_view tags);

// Removes the first whole-subtitle tag of the given kind ('Y', 'S', 'C' or
// 'F') from the first line's prefix; the whole-subtitle tags come first, then
// the first line's own tags, then the lines (at most five, empty further
// lines dropped).
std::string RemoveWholeTag(std::string_view text, char kind);

// Removes every tag of a kind, in both scopes and every line, wherever it stands.
std::string RemoveTagsOfKind(std::string_view text, char kind);

// The whole-subtitle tags the formatting dialog puts in front.
std::string StyleTag(bool bold, bool italic, bool underline);  // empty when none
// size: the field's text; empty counts as 0, below 2 is raised to 2. Throws
// the invalid-number error for anything but a whole number.
std::string SizeTag(std::string_view size);
std::string ColorTag(TagColor color);
std::string FontTag(std::string_view family);

// For every selected row: the old whole-subtitle tag of the kind goes and tag
// is put at the very front. Every handled row is written back and loses its
// selection.
void ApplyWholeTag(SubtitleList& list, char kind, std::string_view tag,
                   const ProgressFn& progress = {});

// Removes tags of a kind from every selected row; every selected row is
// written back. Returns whether any text changed. *changed, when given, is
// set as soon as a text changes, so that it is right also when a line whose
// frame numbers cannot be read stops the walk with an error.
bool RemoveTagKind(SubtitleList& list, char kind, const ProgressFn& progress = {},
                   bool* changed = nullptr);

// Removes every brace group from the text of every selected row. Returns
// whether any text changed; *changed as above.
bool RemoveAllFormatting(SubtitleList& list, const ProgressFn& progress = {},
                         bool* changed = nullptr);

// A font described by format tags, as the font dialog takes and gives it.
struct TagFont {
  std::string family;
  int size = 0;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  TagColor color = 0;
};

// Starts from base and lets each tag group of the format text override it:
// C colour, F family, S size, Y style. Throws the invalid-number error for a
// size tag without digits.
TagFont FontFromTags(std::string_view format, TagFont base);

// {f:family}{s:size}{y:biu}{c:$BBGGRR}; the style tag only when one is set;
// upper-case letters when whole is true.
std::string TagsFromFont(const TagFont& font, bool whole);

}  // namespace velorin
