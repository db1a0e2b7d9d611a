#include "document/encoding_detection.h"

#include <uchardet/uchardet.h>

#include <algorithm>
#include <string>

#include "document/subtitle_file.h"

namespace velorin {

struct EncodingDetector::Uchardet {
  uchardet_t handle = uchardet_new();
  ~Uchardet() { uchardet_delete(handle); }
};

namespace {

bool HasHighByte(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// uchardet's names of the code pages it can report, as ours. ISO-8859-1 is
// shown as Windows-1252, which agrees with it on every printable character.
std::optional<TextEncoding> FromDetectorName(std::string_view name) {
  struct Alias {
    std::string_view detector;
    TextEncoding ours;
  };
  static constexpr Alias kAliases[] = {
      {"WINDOWS-1250", TextEncoding::Windows1250},
      {"ISO-8859-2", TextEncoding::Iso8859_2},
      {"WINDOWS-1252", TextEncoding::Windows1252},
      {"ISO-8859-1", TextEncoding::Windows1252},
      {"ISO-8859-15", TextEncoding::Iso8859_15},
      {"WINDOWS-1251", TextEncoding::Windows1251},
      {"KOI8-R", TextEncoding::Koi8R},
      {"ISO-8859-5", TextEncoding::Iso8859_5},
      {"WINDOWS-1253", TextEncoding::Windows1253},
      {"ISO-8859-7", TextEncoding::Iso8859_7},
      {"WINDOWS-1254", TextEncoding::Windows1254},
      {"ISO-8859-9", TextEncoding::Iso8859_9},
      {"WINDOWS-1255", TextEncoding::Windows1255},
      {"ISO-8859-8", TextEncoding::Windows1255},
      {"WINDOWS-1256", TextEncoding::Windows1256},
      {"WINDOWS-1257", TextEncoding::Windows1257},
      {"ISO-8859-13", TextEncoding::Iso8859_13},
  };
  for (const Alias& a : kAliases)
    if (a.detector == name) return a.ours;
  return std::nullopt;
}

// The Windows code page an ISO one is the printable subset of: bytes
// 0x80..0x9F are control characters in ISO code pages, so text that uses
// them was written in the Windows one.
TextEncoding WindowsSibling(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Iso8859_2:
      return TextEncoding::Windows1250;
    case TextEncoding::Iso8859_15:
      return TextEncoding::Windows1252;
    case TextEncoding::Iso8859_7:
      return TextEncoding::Windows1253;
    case TextEncoding::Iso8859_9:
      return TextEncoding::Windows1254;
    case TextEncoding::Iso8859_13:
      return TextEncoding::Windows1257;
    default:
      return encoding;
  }
}

// Characters a Czech or Slovak text in Windows-1250 is made of above ASCII:
// their letters and the usual typographic marks.
bool CzechLooking(char32_t c) {
  static constexpr std::u32string_view kCzech =
      U"áčďéěíňóřšťúůýžÁČĎÉĚÍŇÓŘŠŤÚŮÝŽäôľĺÄÔĽĹ„“”‚‘’…–—•«»°§€©®™\u00A0";
  return kCzech.find(c) != std::u32string_view::npos;
}

char32_t Cp1250Char(unsigned char byte) {
  const std::string utf8 = DecodeText(std::string_view(reinterpret_cast<const char*>(&byte), 1),
                                      TextEncoding::Windows1250);
  // Every Windows-1250 character is in the Basic Multilingual Plane.
  const auto b = [&](size_t i) {
    return static_cast<char32_t>(static_cast<unsigned char>(utf8[i]));
  };
  if (utf8.size() == 2) return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
  return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
}

}  // namespace

EncodingDetector::EncodingDetector() : detector_(std::make_unique<Uchardet>()) {}
EncodingDetector::~EncodingDetector() = default;

bool EncodingDetector::Feed(std::string_view text) {
  if (sampled_ >= kSampleBytes) return false;
  if (!HasHighByte(text)) return true;
  text = text.substr(0, kSampleBytes - sampled_);
  sampled_ += text.size();
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x80) ++high_[b - 0x80];
  }
  uchardet_handle_data(detector_->handle, text.data(), text.size());
  // uchardet sees lines apart as the file has them.
  uchardet_handle_data(detector_->handle, "\n", 1);
  return sampled_ < kSampleBytes;
}

TextEncoding EncodingDetector::Guess() {
  if (sampled_ == 0) return kDefaultEightBitEncoding;
  if (!named_) {
    uchardet_data_end(detector_->handle);
    named_ = FromDetectorName(uchardet_get_charset(detector_->handle));
    sampled_ = kSampleBytes;  // the guess is made: later text is not looked at
  }
  const std::optional<TextEncoding> named = *named_;

  bool controls = false, czech = true, differs = false;
  for (size_t i = 0; i < high_.size(); ++i) {
    if (high_[i] == 0) continue;
    const auto byte = static_cast<unsigned char>(0x80 + i);
    controls = controls || byte < 0xA0;
    czech = czech && CzechLooking(Cp1250Char(byte));
    if (named) {
      const char c = static_cast<char>(byte);
      differs =
          differs || DecodeText({&c, 1}, *named) != DecodeText({&c, 1}, TextEncoding::Windows1250);
    }
  }
  if (!named) return kDefaultEightBitEncoding;
  const TextEncoding guess = controls ? WindowsSibling(*named) : *named;
  // Central European candidates: the default unless the text shows bytes
  // that read differently in it.
  if (guess == TextEncoding::Windows1250 || guess == TextEncoding::Iso8859_2)
    return differs ? guess : kDefaultEightBitEncoding;
  // Anything else must also not read as Czech in Windows-1250.
  return czech ? kDefaultEightBitEncoding : guess;
}

TextEncoding DetectEncoding(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF" || IsValidUtf8(bytes)) return TextEncoding::Utf8;
  EncodingDetector detector;
  ForEachLine(bytes, [&](std::string_view line) { return detector.Feed(line); });
  return detector.Guess();
}

TextEncoding DetectEncoding(const LineStore& lines, bool utf8) {
  if (utf8) return TextEncoding::Utf8;
  EncodingDetector detector;
  for (std::string_view line : lines)
    if (!detector.Feed(line)) break;
  return detector.Guess();
}

}  // namespace velorin
