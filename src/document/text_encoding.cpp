#include "document/text_encoding.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <unordered_map>

#include "document/ascii.h"

namespace velorin {

namespace {

constexpr std::array<EncodingInfo, 16> kEncodings = {{
    {TextEncoding::Utf8, "UTF-8", "Unicode", "UTF-8"},
    {TextEncoding::Windows1250, "Windows-1250", "střední Evropa", "CP1250"},
    {TextEncoding::Iso8859_2, "ISO-8859-2", "střední Evropa", "ISO-8859-2"},
    {TextEncoding::Windows1252, "Windows-1252", "západní Evropa", "CP1252"},
    {TextEncoding::Iso8859_15, "ISO-8859-15", "západní Evropa", "ISO-8859-15"},
    {TextEncoding::Windows1251, "Windows-1251", "cyrilice", "CP1251"},
    {TextEncoding::Koi8R, "KOI8-R", "cyrilice", "KOI8-R"},
    {TextEncoding::Iso8859_5, "ISO-8859-5", "cyrilice", "ISO-8859-5"},
    {TextEncoding::Windows1253, "Windows-1253", "řečtina", "CP1253"},
    {TextEncoding::Iso8859_7, "ISO-8859-7", "řečtina", "ISO-8859-7"},
    {TextEncoding::Windows1254, "Windows-1254", "turečtina", "CP1254"},
    {TextEncoding::Iso8859_9, "ISO-8859-9", "turečtina", "ISO-8859-9"},
    {TextEncoding::Windows1255, "Windows-1255", "hebrejština", "CP1255"},
    {TextEncoding::Windows1256, "Windows-1256", "arabština", "CP1256"},
    {TextEncoding::Windows1257, "Windows-1257", "pobaltí", "CP1257"},
    {TextEncoding::Iso8859_13, "ISO-8859-13", "pobaltí", "ISO-8859-13"},
}};

// One single-byte code page: the character of each byte 0x80..0xFF and back.
struct CodePage {
  std::array<char32_t, 128> high{};
  std::unordered_map<char32_t, char> reverse;
};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// The code point of one byte through iconv, or nothing when the code page
// leaves the byte undefined (or decodes it to more than one character).
std::optional<char32_t> ByteThroughIconv(iconv_t cd, unsigned char byte) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char in = static_cast<char>(byte);
  char32_t out[2] = {};
  char* inp = &in;
  char* outp = reinterpret_cast<char*>(out);
  size_t inLeft = 1, outLeft = sizeof(out);
  if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
    return std::nullopt;
  // Stateful code pages (Windows-1255) hold a base letter back until the end.
  if (outLeft == sizeof(out) &&
      iconv(cd, nullptr, nullptr, &outp, &outLeft) == static_cast<size_t>(-1))
    return std::nullopt;
  if (sizeof(out) - outLeft != sizeof(char32_t)) return std::nullopt;
  return out[0];
}

CodePage BuildCodePage(const EncodingInfo& info) {
  CodePage page;
  iconv_t cd = iconv_open("UTF-32LE", info.iconv);
  for (int b = 0x80; b < 0x100; ++b) {
    std::optional<char32_t> cp;
    if (cd != reinterpret_cast<iconv_t>(-1))
      cp = ByteThroughIconv(cd, static_cast<unsigned char>(b));
    // Undefined bytes keep a character of their own: the C1 control of the
    // same value below 0xA0, a private-use character above.
    if (!cp) cp = b < 0xA0 ? static_cast<char32_t>(b) : static_cast<char32_t>(0xF700 + b);
    page.high[static_cast<size_t>(b - 0x80)] = *cp;
    page.reverse.emplace(*cp, static_cast<char>(b));
  }
  if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  return page;
}

const CodePage& PageOf(TextEncoding encoding) {
  static const std::array<CodePage, kEncodings.size()> pages = [] {
    std::array<CodePage, kEncodings.size()> all;
    for (size_t i = 1; i < kEncodings.size(); ++i) all[i] = BuildCodePage(kEncodings[i]);
    return all;
  }();
  return pages[static_cast<size_t>(encoding)];
}

}  // namespace

std::span<const EncodingInfo> Encodings() { return kEncodings; }

const EncodingInfo& InfoOf(TextEncoding encoding) {
  return kEncodings[static_cast<size_t>(encoding)];
}

std::optional<TextEncoding> EncodingByName(std::string_view name) {
  for (const EncodingInfo& info : kEncodings) {
    const std::string_view known = info.name;
    if (known.size() != name.size()) continue;
    bool same = true;
    for (size_t i = 0; same && i < known.size(); ++i)
      same = AsciiToUpper(known[i]) == AsciiToUpper(name[i]);
    if (same) return info.id;
  }
  return std::nullopt;
}

std::string DecodeText(std::string_view bytes, TextEncoding encoding) {
  if (encoding == TextEncoding::Utf8) return std::string(bytes);
  const CodePage& page = PageOf(encoding);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80)
      out.push_back(ch);
    else
      AppendUtf8(out, page.high[b - 0x80]);
  }
  return out;
}

std::string EncodeText(std::string_view s, TextEncoding encoding, size_t* lost) {
  const CodePage* page = encoding == TextEncoding::Utf8 ? nullptr : &PageOf(encoding);
  std::string out;
  out.reserve(s.size());
  auto unknown = [&] {
    out.push_back('?');
    if (lost) ++*lost;
  };
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    const size_t len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
    char32_t cp = len == 2 ? (c & 0x1Fu) : len == 3 ? (c & 0x0Fu) : (c & 0x07u);
    bool ok = len > 1 && i + len <= s.size();
    for (size_t k = 1; ok && k < len; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (cc & 0x3Fu);
    }
    if (!ok) {
      unknown();
      ++i;
      continue;
    }
    if (!page) {
      out.append(s.substr(i, len));
    } else if (auto it = page->reverse.find(cp); it != page->reverse.end()) {
      out.push_back(it->second);
    } else {
      unknown();
    }
    i += len;
  }
  return out;
}

std::string Cp1250ToUtf8(std::string_view bytes) {
  return DecodeText(bytes, TextEncoding::Windows1250);
}

std::string Utf8ToCp1250(std::string_view utf8) {
  return EncodeText(utf8, TextEncoding::Windows1250);
}

}  // namespace velorin
