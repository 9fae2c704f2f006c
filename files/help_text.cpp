// SPDX-License-Identifier: GPL-3.0-or-later
// Text decoding for the help reader: validation and the Windows-1252 code
// page through iconv, entities, and the folded words a search compares.
#include "files/help_text.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <iconv.h>

#include "files/chm_help.h"

namespace qx {

namespace helptext {

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool iequals(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return lower(x) == lower(y); });
}

std::string trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return std::string(s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1));
}

}  // namespace helptext

namespace {

using namespace helptext;

void appendUtf8(std::string& out, std::uint32_t cp) {
  if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
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

// One direction of iconv, opened once per thread; invalid when iconv lacks
// either charset.
class Converter {
 public:
  Converter(const char* from, const char* to) : cd_(::iconv_open(to, from)) {}
  ~Converter() {
    if (valid()) ::iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // text converted into *out (when given). A byte that cannot be decoded
  // becomes U+FFFD with replace (the target is then UTF-8); without, the
  // conversion fails.
  bool run(std::string_view text, bool replace, std::string* out) {
    if (!valid()) return false;
    ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // a fresh start
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char buf[4096];
    while (inLeft > 0) {
      char* o = buf;
      std::size_t oLeft = sizeof buf;
      const std::size_t r = ::iconv(cd_, &in, &inLeft, &o, &oLeft);
      const int err = errno;
      if (out) out->append(buf, sizeof buf - oLeft);
      if (r != static_cast<std::size_t>(-1) || err == E2BIG) continue;
      // EILSEQ, or EINVAL for a sequence cut off at the end.
      if (!replace) return false;
      if (out) *out += "\xEF\xBF\xBD";
      ++in;
      --inLeft;
    }
    return true;
  }

 private:
  iconv_t cd_;
};

// glibc's UTF-8 decoder refuses overlong forms, surrogates and anything
// above U+10FFFF; decoding to UTF-32 keeps its verdict.
bool validUtf8(std::string_view s) {
  thread_local Converter check("UTF-8", "UTF-32LE");
  return check.run(s, false, nullptr);
}

// The code point at s[i] (i moves past it); U+FFFD for a byte that starts no
// valid sequence.
std::uint32_t nextCodePoint(std::string_view s, std::size_t& i) {
  const auto c = static_cast<unsigned char>(s[i++]);
  if (c < 0x80) return c;
  const std::size_t more = (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 0;
  if (more == 0 || i + more > s.size()) return 0xFFFD;
  std::uint32_t cp = c & (0x3F >> more);
  for (std::size_t k = 0; k < more; ++k) {
    const auto d = static_cast<unsigned char>(s[i + k]);
    if ((d >> 6) != 2) return 0xFFFD;
    cp = cp << 6 | (d & 0x3F);
  }
  i += more;
  return cp;
}

// A letter or digit appended to out as it is compared (lower case, without
// accent); false for a character that separates words.
bool foldInto(std::uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    if (!std::isalnum(static_cast<int>(cp))) return false;
    out += lower(static_cast<char>(cp));
    return true;
  }
  if (cp < 0xC0 || cp == 0xD7 || cp == 0xF7 || (cp >= 0x2000 && cp <= 0x206F) || (cp >= 0x3000 && cp <= 0x303F) ||
      cp >= 0xFFF0)
    return false;
  if (cp <= 0xFF) {
    // U+00C0..U+00FF: the letter each stands on.
    static constexpr const char* kLatin1[64] = {
        "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
        "d", "n", "o", "o", "o", "o", "o", "",  "o", "u", "u", "u", "u", "y", "th", "ss",
        "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
        "d", "n", "o", "o", "o", "o", "o", "",  "o", "u", "u", "u", "u", "y", "th", "y"};
    out += kLatin1[cp - 0xC0];
    return true;
  }
  if (cp == 0x152 || cp == 0x153) out += "oe";
  else if (cp == 0x178) out += 'y';
  else appendUtf8(out, cp);
  return true;
}

}  // namespace

bool helptext::startsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

std::string helptext::decodeEntities(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '&') {
      out += s[i];
      continue;
    }
    const std::size_t semi = s.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10) {
      out += '&';
      continue;
    }
    const std::string_view name = s.substr(i + 1, semi - i - 1);
    std::uint32_t cp = 0;
    if (name == "amp") cp = '&';
    else if (name == "lt") cp = '<';
    else if (name == "gt") cp = '>';
    else if (name == "quot") cp = '"';
    else if (name == "apos") cp = '\'';
    else if (name == "nbsp") cp = 0xA0;
    else if (name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x' || name[1] == 'X';
      std::uint32_t v = 0;
      bool ok = name.size() > (hex ? 2u : 1u);
      for (std::size_t k = hex ? 2 : 1; ok && k < name.size(); ++k) {
        const char c = lower(name[k]);
        int d = c >= '0' && c <= '9' ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (d < 0 || v > 0x10FFFF) ok = false;
        else v = v * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
      }
      if (ok) cp = v;
    }
    if (cp == 0) {
      out += '&';
      continue;
    }
    appendUtf8(out, cp);
    i = semi;
  }
  return out;
}

void helptext::eachWord(std::string_view text,
                        const std::function<void(std::size_t, std::size_t, std::string_view)>& f) {
  std::string folded;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size();) {
    const std::size_t at = i;
    const bool letter = i < text.size() && foldInto(nextCodePoint(text, i), folded);
    if (letter) continue;
    if (!folded.empty()) f(start, at - start, std::string_view(folded));
    folded.clear();
    start = i == at ? i + 1 : i;
    if (i == at) ++i;
  }
}

std::string helpTextToUtf8(std::string_view text) {
  if (validUtf8(text)) return std::string(text);
  thread_local Converter cp1252("WINDOWS-1252", "UTF-8");
  std::string out;
  if (cp1252.run(text, true, &out)) return out;
  // Without the code page in iconv: the plain ASCII of it.
  out.clear();
  for (char ch : text) out += static_cast<unsigned char>(ch) < 0x80 ? std::string(1, ch) : "\xEF\xBF\xBD";
  return out;
}

std::vector<std::string> helpSearchWords(std::string_view query) {
  std::vector<std::string> words;
  eachWord(query, [&](std::size_t, std::size_t, std::string_view w) {
    if (words.size() < 16 && std::find(words.begin(), words.end(), w) == words.end()) words.emplace_back(w);
  });
  return words;
}

std::vector<HelpMatch> helpWordMatches(std::string_view text, const std::vector<std::string>& words) {
  std::vector<HelpMatch> out;
  if (words.empty()) return out;
  eachWord(text, [&](std::size_t at, std::size_t n, std::string_view w) {
    if (std::any_of(words.begin(), words.end(), [&](const std::string& q) { return startsWith(w, q); }))
      out.push_back({at, n});
  });
  return out;
}

}  // namespace qx
