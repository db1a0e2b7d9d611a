#include "layout/tags.h"

#include <cstdio>

#include "document/ascii.h"
#include "document/progress.h"
#include "document/subtitle_line.h"

namespace velorin {

namespace {

bool IsKindLetter(char c) {
  char u = AsciiToUpper(c);
  return u == 'C' || u == 'F' || u == 'S' || u == 'Y';
}

// Calls fn(piece) for each piece of a tag prefix: from a '{' to the character
// before the next '{' or the end. Characters before the first '{' are skipped.
template <typename Fn>
void ForEachBracePiece(std::string_view text, Fn&& fn) {
  size_t start = text.find('{');
  while (start != std::string_view::npos) {
    size_t next = text.find('{', start + 1);
    fn(text.substr(start, next == std::string_view::npos ? std::string_view::npos : next - start));
    start = next;
  }
}

std::string ScopeCase(std::string_view tags, char (*convert)(char)) {
  std::string out(tags);
  for (size_t i = 0; i + 1 < out.size(); ++i)
    if (out[i + 1] == ':' && IsKindLetter(out[i])) out[i] = convert(out[i]);
  return out;
}

// Runs fn(text) -> new text over every selected row, writing each back.
// *changedSoFar (when given) follows every change as it is made.
template <typename Fn>
bool RewriteSelected(SubtitleList& list, const ProgressFn& progress, Fn&& fn,
                     bool* changedSoFar = nullptr) {
  bool changed = false;
  ForEachSelectedRow(list, progress, [&](int row) {
    // The frames as ParseSubtitleLine reads them, the text seen in place.
    const SubtitleLineView view(list.Line(row));
    const int32_t first = view.First();
    const int32_t second = view.Second();
    const std::string text = fn(view.Text());
    if (text != view.Text()) {
      changed = true;
      if (changedSoFar) *changedSoFar = true;
    }
    list.Replace(row, ComposeSubtitleLine(first, second, text));
  });
  return changed;
}

}  // namespace

LeadingTags SplitLeadingTags(std::string_view text) {
  size_t p = text.rfind('}');
  if (p == std::string_view::npos) return {std::string(), std::string(text)};
  return {std::string(text.substr(0, p + 1)), std::string(text.substr(p + 1))};
}

std::string StripTags(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendWithoutTags(out, text);
  return out;
}

void AppendWithoutTags(std::string& out, std::string_view text) {
  // Outside a tag the bytes up to the next brace are kept, a '{' opens a tag
  // and a '}' is dropped; inside, everything up to the next '}' goes.
  size_t i = 0;
  while (i < text.size()) {
    size_t j = i;
    while (j < text.size() && text[j] != '{' && text[j] != '}') ++j;
    out.append(text.substr(i, j - i));
    if (j == text.size()) break;
    if (text[j] == '{') {
      j = text.find('}', j + 1);
      if (j == std::string_view::npos) break;
    }
    i = j + 1;
  }
}

std::array<std::string, 5> SplitIntoFiveLines(std::string_view text) {
  std::array<std::string, 5> lines;
  size_t slot = 0;
  size_t start = 0;
  while (slot < lines.size()) {
    size_t bar = text.find('|', start);
    if (bar == std::string_view::npos) {
      lines[slot] = std::string(text.substr(start));
      break;
    }
    lines[slot++] = std::string(text.substr(start, bar - start));
    start = bar + 1;
  }
  return lines;
}

TagScopes SeparateTagScopes(std::string_view prefix) {
  TagScopes out;
  SeparateTagScopesInto(prefix, out.whole, out.line);
  return out;
}

void SeparateTagScopesInto(std::string_view prefix, std::string& whole, std::string& line) {
  whole.clear();
  line.clear();
  ForEachBracePiece(prefix, [&](std::string_view piece) {
    if (piece.size() < 2) return;
    char c = piece[1];
    if (c == 'C' || c == 'F' || c == 'S' || c == 'Y')
      whole.append(piece);
    else if (c == 'c' || c == 'f' || c == 's' || c == 'y')
      line.append(piece);
  });
}

JoinedLines JoinLinesWithSpaces(std::string_view text) {
  JoinedLines out{std::string(text), 0};
  for (char& c : out.text) {
    if (c == '|') {
      c = ' ';
      ++out.count;
    }
  }
  return out;
}

std::string ColorToTagHex(TagColor color) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "$%02X%02X%02X", TagColorBlue(color), TagColorGreen(color),
                TagColorRed(color));
  return buf;
}

TagColor TagHexToColor(std::string_view value) {
  std::string padded = "000000";
  for (char c : value) padded.push_back(AsciiToUpper(c));
  std::string_view last = std::string_view(padded).substr(padded.size() - 6);
  TagColor color = 0;
  for (char c : last) {
    int digit = 0;
    if (c >= '1' && c <= '9')
      digit = c - '0';
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    color = color * 16 + static_cast<TagColor>(digit);
  }
  return color;
}

const std::array<NamedTagColor, 16> kTagColors = {{
    {"černá", TagColorFromRgb(0, 0, 0)},
    {"kaštanová", TagColorFromRgb(128, 0, 0)},
    {"zelená", TagColorFromRgb(0, 128, 0)},
    {"olivová", TagColorFromRgb(128, 128, 0)},
    {"námořnická modř", TagColorFromRgb(0, 0, 128)},
    {"fialová", TagColorFromRgb(128, 0, 128)},
    {"šedozelená", TagColorFromRgb(0, 128, 128)},
    {"šedivá", TagColorFromRgb(128, 128, 128)},
    {"stříbrná", TagColorFromRgb(192, 192, 192)},
    {"červená", TagColorFromRgb(255, 0, 0)},
    {"žlutozelená", TagColorFromRgb(0, 255, 0)},
    {"žlutá", TagColorFromRgb(255, 255, 0)},
    {"modrá", TagColorFromRgb(0, 0, 255)},
    {"fuchsiová", TagColorFromRgb(255, 0, 255)},
    {"akvamarínová", TagColorFromRgb(0, 255, 255)},
    {"bílá", TagColorFromRgb(255, 255, 255)},
}};

std::string ToWholeScope(std::string_view tags) { return ScopeCase(tags, AsciiToUpper); }
std::string ToLineScope(std::string_view tags) { return ScopeCase(tags, AsciiToLower); }

namespace {

// RemoveWholeTag appended to out, with whole and line as scratch space, so
// that a loop over a million rows reuses its buffers instead of allocating
// a dozen strings a row.
void AppendWithoutWholeTag(std::string& out, std::string_view text, char kind, std::string& whole,
                           std::string& line) {
  // The display lines as SplitIntoFiveLines gives them: text after a fifth
  // '|' is dropped.
  std::array<std::string_view, 5> lines;
  size_t start = 0;
  for (size_t slot = 0; slot < lines.size(); ++slot) {
    size_t bar = text.find('|', start);
    if (bar == std::string_view::npos) {
      lines[slot] = text.substr(start);
      break;
    }
    lines[slot] = text.substr(start, bar - start);
    start = bar + 1;
  }
  // The first line's tag prefix, up to its last '}', split by scope.
  std::string_view tags, rest = lines[0];
  if (size_t p = lines[0].rfind('}'); p != std::string_view::npos) {
    tags = lines[0].substr(0, p + 1);
    rest = lines[0].substr(p + 1);
  }
  SeparateTagScopesInto(tags, whole, line);
  // Only a letter that opens a tag counts, so that a font name holding "S:"
  // or the like is never cut apart.
  const char pattern[] = {'{', kind, ':', '\0'};
  size_t at = whole.find(pattern);
  if (at != std::string::npos) {
    size_t end = whole.find('}', at);
    if (end != std::string::npos) whole.erase(at, end - at + 1);
  }
  out += whole;
  out += line;
  out += rest;
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    out.push_back('|');
    out += lines[i];
  }
}

}  // namespace

std::string RemoveWholeTag(std::string_view text, char kind) {
  std::string out, whole, line;
  AppendWithoutWholeTag(out, text, kind, whole, line);
  return out;
}

std::string RemoveTagsOfKind(std::string_view text, char kind) {
  std::string out;
  out.reserve(text.size());
  bool inside = false;
  size_t start = 0;  // position of the open tag's '{' in out
  for (char c : text) {
    out.push_back(c);
    if (c == '{' && !inside) {
      inside = true;
      start = out.size() - 1;
    } else if (c == '}' && inside) {
      inside = false;
      if (start + 2 < out.size() && AsciiToUpper(out[start + 1]) == kind && out[start + 2] == ':')
        out.resize(start);
    }
  }
  return out;
}

std::string StyleTag(bool bold, bool italic, bool underline) {
  std::string letters;
  if (bold) letters += 'b';
  if (italic) letters += 'i';
  if (underline) letters += 'u';
  return letters.empty() ? std::string() : "{Y:" + letters + "}";
}

std::string SizeTag(std::string_view size) {
  int32_t value = ToInt32(size.empty() ? std::string_view("0") : size);
  if (value < 2) value = 2;
  return "{S:" + std::to_string(value) + "}";
}

std::string ColorTag(TagColor color) { return "{C:" + ColorToTagHex(color) + "}"; }

std::string FontTag(std::string_view family) { return "{F:" + std::string(family) + "}"; }

void ApplyWholeTag(SubtitleList& list, char kind, std::string_view tag,
                   const ProgressFn& progress) {
  std::string text, whole, line;
  ForEachSelectedRow(list, progress, [&](int row) {
    // The frames as ParseSubtitleLine reads them (a frame too large for 32
    // bits stops here), the text seen in place.
    const SubtitleLineView view(list.Line(row));
    const int32_t first = view.First();
    const int32_t second = view.Second();
    text.assign(tag);
    AppendWithoutWholeTag(text, view.Text(), kind, whole, line);
    list.Replace(row, ComposeSubtitleLine(first, second, text));
  });
}

bool RemoveTagKind(SubtitleList& list, char kind, const ProgressFn& progress, bool* changed) {
  return RewriteSelected(
      list, progress, [&](std::string_view text) { return RemoveTagsOfKind(text, kind); }, changed);
}

bool RemoveAllFormatting(SubtitleList& list, const ProgressFn& progress, bool* changed) {
  return RewriteSelected(
      list, progress, [](std::string_view text) { return StripTags(text); }, changed);
}

TagFont FontFromTags(std::string_view format, TagFont font) {
  ForEachBracePiece(format, [&](std::string_view group) {
    if (group.size() < 2) return;
    std::string_view value = group.size() > 2 ? group.substr(2) : std::string_view();
    switch (AsciiToUpper(group[1])) {
      case 'C': {
        std::string hex;
        for (char c : value) {
          char u = AsciiToUpper(c);
          if (IsAsciiDigit(u) || (u >= 'A' && u <= 'F')) hex.push_back(u);
        }
        font.color = TagHexToColor(hex);
        break;
      }
      case 'F':
        font.family = group.size() >= 4 ? std::string(group.substr(3, group.size() - 4)) : "";
        break;
      case 'S': {
        std::string digits;
        for (char c : value)
          if (IsAsciiDigit(c)) digits.push_back(c);
        font.size = ToInt32(digits);
        break;
      }
      case 'Y':
        font.bold = font.italic = font.underline = false;
        for (char c : value) {
          char u = AsciiToUpper(c);
          if (u == 'B') font.bold = true;
          if (u == 'I') font.italic = true;
          if (u == 'U') font.underline = true;
        }
        break;
      default:
        break;
    }
  });
  return font;
}

std::string TagsFromFont(const TagFont& font, bool whole) {
  auto letter = [whole](char c) { return whole ? AsciiToUpper(c) : c; };
  std::string out;
  out += "{";
  out += letter('f');
  out += ":" + font.family + "}{";
  out += letter('s');
  out += ":" + std::to_string(font.size) + "}";
  std::string style;
  if (font.bold) style += 'b';
  if (font.italic) style += 'i';
  if (font.underline) style += 'u';
  if (!style.empty()) {
    out += "{";
    out += letter('y');
    out += ":" + style + "}";
  }
  out += "{";
  out += letter('c');
  out += ":" + ColorToTagHex(font.color) + "}";
  return out;
}

}  // namespace velorin
