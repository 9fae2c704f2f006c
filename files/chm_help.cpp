#include "files/chm_help.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>

#include <chm_lib.h>

namespace qx {

namespace {

constexpr std::size_t kMaxDepth = 32;  // deeper <UL> nesting stays at this level

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool iequals(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return lower(x) == lower(y); });
}

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

bool validUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t more = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 4;
    if (more == 0) continue;
    if (more == 4 || i + more >= s.size()) return false;
    for (std::size_t k = 0; k < more; ++k)
      if ((static_cast<unsigned char>(s[++i]) >> 6) != 2) return false;
  }
  return true;
}

// &amp; &lt; &gt; &quot; &apos; &nbsp; and numeric references; others stay.
std::string decodeEntities(std::string_view s) {
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

std::string trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return std::string(s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1));
}

// One tag of the sitemap: its lower-case name (with a leading '/' when it
// closes) and its attributes.
struct Tag {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attrs;

  std::string attr(std::string_view key) const {
    for (const auto& [k, v] : attrs)
      if (k == key) return v;
    return {};
  }
};

// The tag starting at s[i] == '<'; i moves past its '>'.
Tag readTag(std::string_view s, std::size_t& i) {
  Tag tag;
  ++i;
  auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  auto isNameEnd = [&](char c) { return isSpace(c) || c == '>' || c == '=' || c == '/'; };
  if (i < s.size() && s[i] == '/') tag.name += s[i++];
  while (i < s.size() && !isNameEnd(s[i])) tag.name += lower(s[i++]);
  while (i < s.size() && s[i] != '>') {
    if (isSpace(s[i]) || s[i] == '/') {
      ++i;
      continue;
    }
    std::string key;
    while (i < s.size() && !isNameEnd(s[i])) key += lower(s[i++]);
    while (i < s.size() && isSpace(s[i])) ++i;
    std::string value;
    if (i < s.size() && s[i] == '=') {
      ++i;
      while (i < s.size() && isSpace(s[i])) ++i;
      if (i < s.size() && (s[i] == '"' || s[i] == '\'')) {
        const char quote = s[i++];
        const std::size_t end = std::min(s.find(quote, i), s.size());
        value = s.substr(i, end - i);
        i = end + 1;
      } else {
        while (i < s.size() && !isSpace(s[i]) && s[i] != '>') value += s[i++];
      }
    }
    if (key.empty() && value.empty()) ++i;  // a stray '='
    else tag.attrs.emplace_back(std::move(key), decodeEntities(value));
  }
  ++i;
  return tag;
}

}  // namespace

std::string helpTextToUtf8(std::string_view text) {
  if (validUtf8(text)) return std::string(text);
  // Windows-1252's 0x80..0x9F; the rest of the upper half is Latin-1.
  static constexpr std::uint16_t k80[32] = {
      0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  std::string out;
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) out += ch;
    else appendUtf8(out, c < 0xA0 ? k80[c - 0x80] : c);
  }
  return out;
}

std::vector<HelpTopic> parseSitemap(std::string_view html) {
  std::vector<HelpTopic> root;
  // The lists open at this point; the innermost receives the next entry.
  std::vector<std::vector<HelpTopic>*> levels;
  std::optional<HelpTopic> entry;  // inside <object type="text/sitemap">
  for (std::size_t i = 0; i < html.size();) {
    if (html[i] != '<') {
      ++i;
      continue;
    }
    if (html.substr(i, 4) == "<!--") {
      const std::size_t end = html.find("-->", i + 4);
      i = end == std::string_view::npos ? html.size() : end + 3;
      continue;
    }
    const Tag tag = readTag(html, i);
    if (tag.name == "ul") {
      if (levels.empty()) levels.push_back(&root);
      else if (!levels.back()->empty() && levels.size() < kMaxDepth)
        levels.push_back(&levels.back()->back().children);
      else levels.push_back(levels.back());  // a list without an entry before it
    } else if (tag.name == "/ul") {
      if (levels.size() > 1) levels.pop_back();
    } else if (tag.name == "object") {
      if (iequals(tag.attr("type"), "text/sitemap")) entry.emplace();
    } else if (tag.name == "param" && entry) {
      const std::string key = tag.attr("name");
      if (iequals(key, "Name") && entry->name.empty()) entry->name = helpTextToUtf8(trim(tag.attr("value")));
      else if (iequals(key, "Local") && entry->local.empty()) entry->local = trim(tag.attr("value"));
    } else if (tag.name == "/object" && entry) {
      if (!entry->name.empty() || !entry->local.empty()) {
        if (levels.empty()) levels.push_back(&root);
        levels.back()->push_back(std::move(*entry));
      }
      entry.reset();
    }
  }
  return root;
}

std::string resolveHelpLink(std::string_view base, std::string_view link) {
  link = link.substr(0, std::min(link.find('#'), link.find('?')));
  // The viewers' own spelling of a page of this file: "ms-its:file.chm::/page.html".
  if (const std::size_t sep = link.find("::"); sep != std::string_view::npos) link = link.substr(sep + 2);
  // Any scheme leads out of the file.
  const std::size_t colon = link.find(':');
  if (colon != std::string_view::npos && link.find('/') > colon) return {};
  if (link.empty()) return {};
  std::string decoded;
  for (std::size_t i = 0; i < link.size(); ++i) {
    auto hexDigit = [&](std::size_t k) { return k < link.size() && std::isxdigit(static_cast<unsigned char>(link[k])); };
    if (link[i] == '%' && hexDigit(i + 1) && hexDigit(i + 2)) {
      decoded += static_cast<char>(std::stoi(std::string(link.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      decoded += link[i] == '\\' ? '/' : link[i];
    }
  }
  std::string joined = decoded.front() == '/' ? decoded : std::string(base) + "/" + decoded;
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= joined.size()) {
    std::size_t end = std::min(joined.find('/', start), joined.size());
    const std::string part = joined.substr(start, end - start);
    if (part == "..") {
      if (parts.empty()) return {};
      parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  if (parts.empty()) return {};
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  return out;
}

std::unique_ptr<ChmHelp> ChmHelp::open(const std::string& path, std::string* why) {
  auto fail = [&](const std::string& reason) -> std::unique_ptr<ChmHelp> {
    if (why) *why = "cannot read " + path + ": " + reason;
    return nullptr;
  };
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return fail("no such file");
  if (!S_ISREG(st.st_mode)) return fail("not a regular file");
  if (static_cast<std::uint64_t>(st.st_size) > kMaxFileSize) return fail("too large");
  chmFile* h = chm_open(path.c_str());
  if (!h) return fail("not a compiled help file");
  std::unique_ptr<ChmHelp> help(new ChmHelp(h));

  auto collect = [](chmFile*, chmUnitInfo* ui, void* context) -> int {
    auto* list = static_cast<std::vector<std::string>*>(context);
    const std::string_view name(ui->path, ::strnlen(ui->path, CHM_MAX_PATHLEN));
    if (!name.empty() && name.front() == '/' && list->size() < 100000) list->emplace_back(name);
    return CHM_ENUMERATOR_CONTINUE;
  };
  chm_enumerate(h, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, collect, &help->objects_);
  std::sort(help->objects_.begin(), help->objects_.end());
  help->objects_.erase(std::unique(help->objects_.begin(), help->objects_.end()), help->objects_.end());
  if (help->objects_.empty()) return fail("no pages inside");

  std::string contentsFile;
  help->readSystem(contentsFile);
  if (contentsFile.empty() || !help->contains(contentsFile)) {
    contentsFile.clear();
    for (const auto& o : help->objects_)
      if (o.size() > 4 && iequals(std::string_view(o).substr(o.size() - 4), ".hhc")) {
        contentsFile = o;
        break;
      }
  }
  if (!contentsFile.empty())
    if (const auto text = help->read(contentsFile)) help->contents_ = parseSitemap(*text);

  if (help->firstPage_.empty() || !help->contains(help->firstPage_)) {
    help->firstPage_.clear();
    // The first entry of the contents that leads to a page inside.
    std::vector<const std::vector<HelpTopic>*> todo{&help->contents_};
    while (help->firstPage_.empty() && !todo.empty()) {
      const auto* level = todo.back();
      todo.pop_back();
      for (auto t = level->rbegin(); t != level->rend(); ++t) todo.push_back(&t->children);
      for (const auto& t : *level) {
        const std::string page = resolveHelpLink("/", t.local);
        if (!page.empty() && help->contains(page)) {
          help->firstPage_ = page;
          break;
        }
      }
    }
  }
  if (help->firstPage_.empty()) {
    for (const auto& o : help->objects_) {
      const auto dot = o.rfind('.');
      const std::string_view ext = dot == std::string::npos ? "" : std::string_view(o).substr(dot);
      if (iequals(ext, ".html") || iequals(ext, ".htm")) {
        help->firstPage_ = o;
        break;
      }
    }
  }
  if (help->firstPage_.empty()) return fail("no page to show");
  if (help->title_.empty()) {
    for (const auto& t : help->contents_)
      if (!t.name.empty()) {
        help->title_ = t.name;
        break;
      }
  }
  return help;
}

ChmHelp::~ChmHelp() { chm_close(h_); }

bool ChmHelp::contains(std::string_view path) const {
  return std::binary_search(objects_.begin(), objects_.end(), path,
                            [](std::string_view a, std::string_view b) { return a < b; }) ||
         std::any_of(objects_.begin(), objects_.end(), [&](const std::string& o) { return iequals(o, path); });
}

std::optional<std::string> ChmHelp::read(std::string_view path) const {
  if (path.empty() || path.size() > CHM_MAX_PATHLEN) return std::nullopt;
  chmUnitInfo ui{};
  const std::string name(path);
  if (chm_resolve_object(h_, name.c_str(), &ui) != CHM_RESOLVE_SUCCESS) return std::nullopt;
  if (ui.length > kMaxObjectSize) return std::nullopt;
  std::string out(static_cast<std::size_t>(ui.length), '\0');
  if (ui.length == 0) return out;
  const LONGINT64 got =
      chm_retrieve_object(h_, &ui, reinterpret_cast<unsigned char*>(out.data()), 0, static_cast<LONGINT64>(ui.length));
  if (got != static_cast<LONGINT64>(ui.length)) return std::nullopt;
  return out;
}

// #SYSTEM: a version, then records of (code, length, data). Code 0 names the
// contents file, 2 the default topic, 3 the title.
void ChmHelp::readSystem(std::string& contentsFile) {
  chmUnitInfo ui{};
  if (chm_resolve_object(h_, "/#SYSTEM", &ui) != CHM_RESOLVE_SUCCESS || ui.length > (1u << 20)) return;
  std::string data(static_cast<std::size_t>(ui.length), '\0');
  if (ui.length == 0 ||
      chm_retrieve_object(h_, &ui, reinterpret_cast<unsigned char*>(data.data()), 0,
                          static_cast<LONGINT64>(ui.length)) != static_cast<LONGINT64>(ui.length))
    return;
  auto word = [&](std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(data[at])) |
           static_cast<unsigned>(static_cast<unsigned char>(data[at + 1])) << 8;
  };
  for (std::size_t at = 4; at + 4 <= data.size();) {
    const unsigned code = word(at), length = word(at + 2);
    at += 4;
    if (at + length > data.size()) break;
    std::string value = data.substr(at, length);
    value.resize(::strnlen(value.c_str(), value.size()));  // records end with a zero byte
    at += length;
    if (value.empty()) continue;
    if (code == 0) contentsFile = resolveHelpLink("/", value);
    else if (code == 2) firstPage_ = resolveHelpLink("/", value);
    else if (code == 3) title_ = helpTextToUtf8(trim(value));
  }
}

}  // namespace qx
