// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/chm_help.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
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


// chmlib trusts the file's directory and compression tables: a directory
// chunk that points back at itself makes it loop for ever, and lengths it
// does not check make it read or write outside its buffers. The layout is
// therefore checked here first, against the same fields chmlib reads.
class Layout {
 public:
  explicit Layout(const std::string& path) : in_(path, std::ios::binary) {}

  // Empty when chmlib may be given the file; else why not.
  std::string check(std::uint64_t fileSize) {
    size_ = fileSize;
    std::string head;
    if (!bytes(0, 0x60, head) || head.compare(0, 4, "ITSF") != 0) return "not a compiled help file";
    const std::uint32_t version = u32(head, 4), headerLen = u32(head, 8);
    if (!(version == 2 && headerLen >= 0x58) && !(version == 3 && headerLen >= 0x60)) return "unknown header";
    const std::uint64_t dirOffset = u64(head, 0x48), dirLen = u64(head, 0x50);
    dataOffset_ = version == 3 ? u64(head, 0x58) : dirOffset + dirLen;
    std::string itsp;
    if (dirOffset > size_ || !bytes(dirOffset, 0x54, itsp) || itsp.compare(0, 4, "ITSP") != 0 ||
        u32(itsp, 4) != 1 || u32(itsp, 8) != 0x54)
      return "damaged directory";
    // The chunks are counted from the directory's length.
    const std::uint32_t blockLen = u32(itsp, 0x10);
    const std::uint64_t blocks = blockLen == 0 || dirLen < 0x54 ? 0 : (dirLen - 0x54) / blockLen;
    const auto root = static_cast<std::int32_t>(u32(itsp, 0x1c)), headBlock = static_cast<std::int32_t>(u32(itsp, 0x20));
    if (blockLen < 0x40 || blockLen > 0x10000 || blocks == 0 || blocks > 0x10000) return "damaged directory";
    const std::uint64_t first = dirOffset + 0x54;
    if (first + blocks * blockLen > size_) return "cut short";
    std::string dir;
    if (!bytes(first, static_cast<std::size_t>(blocks * blockLen), dir)) return "cut short";

    // Every listing and index chunk parses to its used end exactly.
    std::vector<std::vector<std::int64_t>> children(blocks);
    std::vector<char> kind(blocks, 0);  // 'L' listing, 'I' index
    std::vector<std::int64_t> next(blocks, -1);
    for (std::size_t b = 0; b < blocks; ++b) {
      const std::string_view chunk = std::string_view(dir).substr(b * blockLen, blockLen);
      const bool listing = chunk.substr(0, 4) == "PMGL", index = chunk.substr(0, 4) == "PMGI";
      if (!listing && !index) continue;
      kind[b] = listing ? 'L' : 'I';
      const std::size_t header = listing ? 0x14 : 0x08;
      const std::uint32_t freeSpace = u32(chunk, 4);
      if (freeSpace > blockLen - header) return "damaged directory";
      if (listing) {
        next[b] = static_cast<std::int32_t>(u32(chunk, 0x10));
        if (next[b] < -1 || next[b] >= static_cast<std::int64_t>(blocks)) return "damaged directory";
      }
      std::size_t at = header;
      const std::size_t end = blockLen - freeSpace;
      while (at < end) {
        std::uint64_t nameLen = 0;
        if (!cword(chunk, at, end, nameLen) || nameLen > 512 || at + nameLen > end) return "damaged directory";
        const std::string_view name = chunk.substr(at, static_cast<std::size_t>(nameLen));
        at += static_cast<std::size_t>(nameLen);
        if (listing) {
          std::uint64_t space = 0, start = 0, length = 0;
          if (name.empty() || name.find('\0') != std::string_view::npos || !cword(chunk, at, end, space) ||
              !cword(chunk, at, end, start) || !cword(chunk, at, end, length) || space > 1)
            return "damaged directory";
          for (int k = 0; k < 3; ++k)
            if (iequals(name, kSpecial[k])) {
              if (special_[k].found) return "damaged directory";
              special_[k] = {true, space, start, length};
            }
        } else {
          std::uint64_t page = 0;
          if (!cword(chunk, at, end, page) || page >= blocks) return "damaged directory";
          children[b].push_back(static_cast<std::int64_t>(page));
        }
      }
      if (at != end) return "damaged directory";
    }

    // The listing chain ends; the index leads down without coming back.
    if (headBlock < 0 || headBlock >= static_cast<std::int64_t>(blocks)) return "damaged directory";
    std::vector<char> seen(blocks, 0);
    for (std::int64_t b = headBlock; b != -1; b = next[b]) {
      if (kind[b] != 'L' || seen[b]) return "damaged directory";
      seen[b] = 1;
    }
    const std::int64_t top = root <= -1 ? headBlock : root;
    if (top >= static_cast<std::int64_t>(blocks)) return "damaged directory";
    std::vector<char> state(blocks, 0);  // 1 on the path, 2 done
    std::vector<std::pair<std::int64_t, std::size_t>> path{{top, 0}};
    state[top] = 1;
    while (!path.empty()) {
      auto& [b, child] = path.back();
      if (kind[b] == 'I' && child < children[b].size()) {
        const std::int64_t c = children[b][child++];
        if (state[c] == 1) return "damaged directory";
        if (state[c] == 0) {
          state[c] = 1;
          path.emplace_back(c, 0);
        }
      } else {
        state[b] = 2;
        path.pop_back();
      }
    }
    return checkCompression();
  }

  // Compressed objects may be read up to here (0: none may be read).
  std::uint64_t compressedLimit() const { return compressedLimit_; }

 private:
  struct Unit {
    bool found = false;
    std::uint64_t space = 0, start = 0, length = 0;
  };
  static constexpr const char* kSpecial[3] = {("::DataSpace/Storage/MSCompressed/Transform/"
                                               "{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/InstanceData/ResetTable"),
                                              "::DataSpace/Storage/MSCompressed/Content",
                                              "::DataSpace/Storage/MSCompressed/ControlData"};

  std::string checkCompression() {
    const Unit &reset = special_[0], &content = special_[1], &control = special_[2];
    // chmlib leaves compression off unless all three are uncompressed objects.
    if (!reset.found || !content.found || !control.found || reset.space != 0 || content.space != 0 ||
        control.space != 0)
      return {};
    std::string table;
    if (reset.length < 0x28 || !unit(reset, 0, 0x28, table) || u32(table, 0) != 2) return {};
    // From here on chmlib uses the control data even when it cannot read it.
    std::string ctl;
    if (control.length < 0x18 || control.length > 256 || !unit(control, 0, control.length, ctl) ||
        ctl.compare(4, 4, "LZXC") != 0)
      return "damaged compression data";
    std::uint64_t resetInterval = u32(ctl, 0x0c), windowSize = u32(ctl, 0x10);
    const std::uint64_t windowsPerReset = u32(ctl, 0x14);
    if (u32(ctl, 8) == 2) {
      resetInterval *= 0x8000;
      windowSize *= 0x8000;
    }
    const bool powerOfTwo = (windowSize & (windowSize - 1)) == 0;
    if (!powerOfTwo || windowSize < (1u << 15) || windowSize > (1u << 21) || resetInterval == 0 ||
        resetInterval > 0xFFFFFFFFu || resetInterval % (windowSize / 2) != 0 || windowsPerReset == 0)
      return "damaged compression data";
    const std::uint64_t resetBlocks = resetInterval / (windowSize / 2) * windowsPerReset;
    if (resetBlocks == 0 || resetBlocks > 0xFFFFFFFFu) return "damaged compression data";

    const std::uint32_t blockCount = u32(table, 4), tableOffset = u32(table, 0x0c);
    const std::uint64_t uncompressed = u64(table, 0x10), compressed = u64(table, 0x18), blockLen = u64(table, 0x20);
    const std::uint64_t maxBlock = blockLen + 6144;  // the most chmlib's buffer holds
    if (blockLen != 0x8000 || blockCount == 0 || blockCount > (1u << 22) ||
        tableOffset + std::uint64_t{blockCount} * 8 > reset.length || uncompressed > std::uint64_t{blockCount} * blockLen ||
        content.start > size_ || dataOffset_ + content.start + compressed > size_)
      return "damaged compression data";
    std::string starts;
    if (!unit(reset, tableOffset, std::size_t{blockCount} * 8, starts)) return "damaged compression data";
    for (std::uint32_t k = 0; k < blockCount; ++k) {
      const std::uint64_t from = u64(starts, std::size_t{k} * 8);
      const std::uint64_t to = k + 1 < blockCount ? u64(starts, std::size_t{k + 1} * 8) : compressed;
      if (to < from || to - from > maxBlock) return "damaged compression data";
    }
    compressedLimit_ = uncompressed;
    return {};
  }

  bool bytes(std::uint64_t at, std::size_t n, std::string& out) {
    if (at > size_ || n > size_ - at) return false;
    out.assign(n, '\0');
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(at));
    return n == 0 || static_cast<bool>(in_.read(out.data(), static_cast<std::streamsize>(n)));
  }
  bool unit(const Unit& u, std::uint64_t from, std::uint64_t n, std::string& out) {
    if (from > u.length || n > u.length - from || u.start > size_ || dataOffset_ > size_) return false;
    return bytes(dataOffset_ + u.start + from, static_cast<std::size_t>(n), out);
  }
  static std::uint32_t u32(std::string_view s, std::size_t at) {
    std::uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = v << 8 | static_cast<unsigned char>(s[at + k]);
    return v;
  }
  static std::uint64_t u64(std::string_view s, std::size_t at) {
    return u32(s, at) | std::uint64_t{u32(s, at + 4)} << 32;
  }
  // A variable-length number as chmlib reads it, kept inside [at, end).
  static bool cword(std::string_view s, std::size_t& at, std::size_t end, std::uint64_t& v) {
    v = 0;
    for (int k = 0; k < 9 && at < end; ++k) {
      const auto c = static_cast<unsigned char>(s[at++]);
      v = v << 7 | (c & 0x7F);
      if (c < 0x80) return true;
    }
    return false;
  }

  std::ifstream in_;
  std::uint64_t size_ = 0;
  std::uint64_t dataOffset_ = 0;
  std::uint64_t compressedLimit_ = 0;
  Unit special_[3];
};

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
  std::vector<HelpTopic::Page> pages;
  std::string pageName;
  bool named = false;
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
      if (iequals(tag.attr("type"), "text/sitemap")) {
        entry.emplace();
        pages.clear();
        pageName.clear();
        named = false;
      }
    } else if (tag.name == "param" && entry) {
      const std::string key = tag.attr("name");
      // The first Name is the entry's; in an index, a further Name names
      // the page of the Local that follows it, and a keyword may list several.
      if (iequals(key, "Name")) {
        if (entry->name.empty() && !named) entry->name = helpTextToUtf8(trim(tag.attr("value")));
        else pageName = helpTextToUtf8(trim(tag.attr("value")));
        named = true;
      } else if (iequals(key, "Local")) {
        pages.push_back({std::move(pageName), trim(tag.attr("value"))});
        pageName.clear();
      }
    } else if (tag.name == "/object" && entry) {
      if (!pages.empty()) entry->local = pages.front().local;
      if (pages.size() > 1) entry->pages = std::move(pages);
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
  Layout layout(path);
  if (const std::string damage = layout.check(static_cast<std::uint64_t>(st.st_size)); !damage.empty())
    return fail(damage);
  chmFile* h = chm_open(path.c_str());
  if (!h) return fail("not a compiled help file");
  std::unique_ptr<ChmHelp> help(new ChmHelp(h));
  help->compressedLimit_ = layout.compressedLimit();

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

  std::string contentsFile, indexFile;
  help->readSystem(contentsFile, indexFile);
  auto sitemap = [&](std::string& file, std::string_view ext, std::vector<HelpTopic>& into) {
    if (file.empty() || !help->contains(file)) {
      file.clear();
      for (const auto& o : help->objects_)
        if (o.size() > 4 && iequals(std::string_view(o).substr(o.size() - 4), ext)) {
          file = o;
          break;
        }
    }
    if (!file.empty())
      if (const auto text = help->read(file)) into = parseSitemap(*text);
  };
  sitemap(contentsFile, ".hhc", help->contents_);
  sitemap(indexFile, ".hhk", help->index_);

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
  // Compressed data is only read where the checked tables cover it.
  if (ui.space != CHM_UNCOMPRESSED &&
      (ui.space != CHM_COMPRESSED || ui.start > compressedLimit_ || ui.length > compressedLimit_ - ui.start))
    return std::nullopt;
  std::string out(static_cast<std::size_t>(ui.length), '\0');
  if (ui.length == 0) return out;
  const LONGINT64 got =
      chm_retrieve_object(h_, &ui, reinterpret_cast<unsigned char*>(out.data()), 0, static_cast<LONGINT64>(ui.length));
  if (got != static_cast<LONGINT64>(ui.length)) return std::nullopt;
  return out;
}

// #SYSTEM: a version, then records of (code, length, data). Code 0 names the
// contents file, 1 the index file, 2 the default topic, 3 the title; code 4
// starts with the language.
void ChmHelp::readSystem(std::string& contentsFile, std::string& indexFile) {
  chmUnitInfo ui{};
  if (chm_resolve_object(h_, "/#SYSTEM", &ui) != CHM_RESOLVE_SUCCESS || ui.length > (1u << 20)) return;
  const auto system = read("/#SYSTEM");
  if (!system) return;
  const std::string& data = *system;
  auto word = [&](std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(data[at])) |
           static_cast<unsigned>(static_cast<unsigned char>(data[at + 1])) << 8;
  };
  for (std::size_t at = 4; at + 4 <= data.size();) {
    const unsigned code = word(at), length = word(at + 2);
    at += 4;
    if (at + length > data.size()) break;
    std::string value = data.substr(at, length);
    if (code != 4) value.resize(::strnlen(value.c_str(), value.size()));  // records end with a zero byte
    at += length;
    if (value.empty()) continue;
    if (code == 0) contentsFile = resolveHelpLink("/", value);
    else if (code == 1) indexFile = resolveHelpLink("/", value);
    else if (code == 2) firstPage_ = resolveHelpLink("/", value);
    else if (code == 3) title_ = helpTextToUtf8(trim(value));
    else if (code == 4 && length >= 4) language_ = word(at - length) | word(at - length + 2) << 16;
  }
}

namespace {

bool isPage(std::string_view path) {
  const auto dot = path.rfind('.');
  const std::string_view ext = dot == std::string_view::npos ? "" : path.substr(dot);
  return iequals(ext, ".html") || iequals(ext, ".htm");
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

// Each word of text with its place: f(offset, length, folded).
template <class F>
void eachWord(std::string_view text, F&& f) {
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

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Tags that start a new line or cell: a word never runs across them.
bool breaksWords(std::string_view tag) {
  static constexpr std::string_view kInline[] = {"a", "b", "i", "u", "em", "strong", "span", "font", "code", "tt",
                                                 "sub", "sup", "small", "big", "abbr", "kbd", "var", "s"};
  if (!tag.empty() && tag.front() == '/') tag.remove_prefix(1);
  return std::find(std::begin(kInline), std::end(kInline), tag) == std::end(kInline);
}

}  // namespace

std::string helpPlainText(std::string_view page) {
  // Entities become UTF-8, so the page's code page is settled first.
  const std::string converted = helpTextToUtf8(page);
  const std::string_view html = converted;
  std::string raw;
  for (std::size_t i = 0; i < html.size();) {
    if (html[i] != '<') {
      const std::size_t end = std::min(html.find('<', i), html.size());
      raw += decodeEntities(html.substr(i, end - i));
      i = end;
      continue;
    }
    if (html.substr(i, 4) == "<!--") {
      const std::size_t end = html.find("-->", i + 4);
      i = end == std::string_view::npos ? html.size() : end + 3;
      continue;
    }
    const Tag tag = readTag(html, i);
    if (tag.name == "script" || tag.name == "style" || tag.name == "title" || tag.name == "head") {
      // Not shown: skip to the closing tag.
      const std::string close = "</" + tag.name;
      std::size_t end = i;
      while (end < html.size() && !iequals(html.substr(end, close.size()), close)) ++end;
      i = end;
      continue;
    }
    if (breaksWords(tag.name)) raw += ' ';
  }
  const std::string& text = raw;
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool nbsp = text.compare(i, 2, "\xC2\xA0") == 0;
    if (nbsp || text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n') {
      if (!out.empty() && out.back() != ' ') out += ' ';
      if (nbsp) ++i;
    } else {
      out += text[i];
    }
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string helpPageTitle(std::string_view html) {
  for (const char* name : {"title", "h1"}) {
    const std::string open = std::string("<") + name;
    for (std::size_t i = 0; i + open.size() < html.size(); ++i) {
      if (!iequals(html.substr(i, open.size()), open)) continue;
      const char after = html[i + open.size()];
      if (after != '>' && after != ' ' && after != '\t' && after != '\r' && after != '\n') continue;
      std::size_t start = i;
      readTag(html, start);
      start = std::min(start, html.size());
      const std::string close = std::string("</") + name;
      std::size_t end = start;
      while (end < html.size() && !iequals(html.substr(end, close.size()), close)) ++end;
      std::string title = helpPlainText(html.substr(start, end - start));
      if (!title.empty()) return title;
      break;
    }
  }
  return {};
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

std::vector<HelpHit> ChmHelp::search(std::string_view query) const {
  const std::vector<std::string> words = helpSearchWords(query);
  std::vector<HelpHit> hits;
  if (words.empty()) return hits;
  std::size_t pages = 0;
  for (const auto& o : objects_) {
    if (!isPage(o)) continue;
    if (++pages > 4096) break;
    const auto html = read(o);
    if (!html) continue;
    std::vector<std::size_t> found(words.size(), 0);
    eachWord(helpPlainText(*html), [&](std::size_t, std::size_t, std::string_view w) {
      for (std::size_t k = 0; k < words.size(); ++k)
        if (startsWith(w, words[k])) ++found[k];
    });
    if (std::find(found.begin(), found.end(), 0u) != found.end()) continue;
    std::size_t count = 0;
    for (const std::size_t n : found) count += n;
    std::string title = helpPageTitle(*html);
    hits.push_back({o, title.empty() ? o : std::move(title), count});
  }
  std::stable_sort(hits.begin(), hits.end(), [](const HelpHit& a, const HelpHit& b) { return a.count > b.count; });
  return hits;
}

}  // namespace qx
