// SPDX-License-Identifier: GPL-3.0-or-later
// The compiled help file as a container over chmlib: its layout checked
// before chmlib may trust it, its objects, its system data, links inside
// it, and the search over its pages.
#include "files/chm_help.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

#include <chm_lib.h>

#include "files/help_text.h"

namespace qx {

namespace {

using namespace helptext;

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

bool isPage(std::string_view path) {
  const auto dot = path.rfind('.');
  const std::string_view ext = dot == std::string_view::npos ? "" : path.substr(dot);
  return iequals(ext, ".html") || iequals(ext, ".htm");
}

}  // namespace

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
    for (const auto& o : help->objects_)
      if (isPage(o)) {
        help->firstPage_ = o;
        break;
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
