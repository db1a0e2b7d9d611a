#include "document/utf16.h"

#include <cstdint>
#include <cstring>

#include "document/file_io.h"

namespace velorin {

namespace {

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

constexpr uint32_t kReplacement = 0xFFFD;

}  // namespace

Utf16Order Utf16OrderOf(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) return Utf16Order::LittleEndian;
  if (bytes.starts_with("\xFE\xFF")) return Utf16Order::BigEndian;
  return Utf16Order::None;
}

void Utf16Decoder::Unit(char16_t unit, std::string& out) {
  if (!bomSeen_) {
    bomSeen_ = true;
    if (unit == 0xFEFF) return;
  }
  if (high_ != 0) {
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((uint32_t{high_} - 0xD800) << 10) + (unit - 0xDC00u));
      high_ = 0;
      return;
    }
    AppendUtf8(out, kReplacement);
    high_ = 0;
  }
  if (unit >= 0xD800 && unit <= 0xDBFF)
    high_ = unit;
  else if (unit >= 0xDC00 && unit <= 0xDFFF)
    AppendUtf8(out, kReplacement);
  else
    AppendUtf8(out, unit);
}

void Utf16Decoder::Feed(std::string_view piece, std::string& out) {
  // ASCII text takes a little over half its UTF-16 size.
  out.reserve(out.size() + piece.size() / 2 + 4);
  const auto* p = reinterpret_cast<const unsigned char*>(piece.data());
  const auto* end = p + piece.size();
  auto unitOf = [&](unsigned a, unsigned b) {
    return static_cast<char16_t>(bigEndian_ ? (a << 8) | b : (b << 8) | a);
  };
  if (held_ >= 0 && p < end) {
    Unit(unitOf(static_cast<unsigned>(held_), *p++), out);
    held_ = -1;
  }
  for (; end - p >= 2; p += 2) {
    const char16_t u = unitOf(p[0], p[1]);
    if (u < 0x80 && high_ == 0 && bomSeen_)
      out += static_cast<char>(u);
    else
      Unit(u, out);
  }
  if (p < end) held_ = *p;
}

void Utf16Decoder::Finish(std::string& out) {
  if (high_ != 0 || held_ >= 0) AppendUtf8(out, kReplacement);
  high_ = 0;
  held_ = -1;
}

std::string Utf16ToUtf8(std::string_view bytes) {
  std::string out;
  Utf16Decoder decoder(Utf16OrderOf(bytes));
  decoder.Feed(bytes, out);
  decoder.Finish(out);
  return out;
}

TextBytes::TextBytes(std::string_view bytes) : view_(bytes) {
  if (Utf16OrderOf(bytes) == Utf16Order::None) return;
  decoded_ = Utf16ToUtf8(bytes);
  view_ = decoded_;
  fromUtf16_ = true;
}

bool FileLooksBinary(const std::string& path) {
  InputFile file(path);
  std::string head(kTextProbeBytes, '\0');
  size_t have = 0;
  while (have < head.size())
    if (const size_t n = file.Read(head.data() + have, head.size() - have))
      have += n;
    else
      break;
  head.resize(have);
  return LooksBinary(head);
}

bool LooksBinary(std::string_view head) {
  if (Utf16OrderOf(head) != Utf16Order::None) return false;
  head = head.substr(0, kTextProbeBytes);
  return std::memchr(head.data(), '\0', head.size()) != nullptr;
}

}  // namespace velorin
