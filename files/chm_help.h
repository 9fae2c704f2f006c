#pragma once
// Reading a compiled HTML help file: its objects, its contents tree, its title
// and first page. Below the toolkit, so the viewer and the tests share it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct chmFile;

namespace qx {

// One entry of the contents: the name shown, the page it leads to (as
// written, relative to the file's root; may be empty for a heading) and the
// entries nested under it.
struct HelpTopic {
  std::string name;
  std::string local;
  std::vector<HelpTopic> children;
};

// The contents file's sitemap (<OBJECT type="text/sitemap"> entries with
// their Name and Local parameters, nested by <UL>). Never fails: what cannot
// be made sense of is left out. Names come back in UTF-8.
std::vector<HelpTopic> parseSitemap(std::string_view html);

// A link as written in a page inside folder base ("/" or "/images/"), as the
// absolute path of an object ("/images/a.png"); the #fragment and ?query are
// dropped, %xx decoded, "." and ".." folded. Empty for a link that leads out
// of the file (a scheme such as http:, or ".." above the root).
std::string resolveHelpLink(std::string_view base, std::string_view link);

// Text in the help file's code page as UTF-8: kept when it already is valid
// UTF-8, else read as Windows-1252.
std::string helpTextToUtf8(std::string_view text);

class ChmHelp {
 public:
  // Larger files and objects are refused rather than read.
  static constexpr std::size_t kMaxFileSize = std::size_t{256} << 20;
  static constexpr std::size_t kMaxObjectSize = std::size_t{32} << 20;

  // The help file at path, or nothing with why set ("cannot read ...").
  // Only regular files are opened.
  static std::unique_ptr<ChmHelp> open(const std::string& path, std::string* why = nullptr);
  ~ChmHelp();
  ChmHelp(const ChmHelp&) = delete;
  ChmHelp& operator=(const ChmHelp&) = delete;

  // The normal files inside, as absolute paths ("/index.html"), sorted.
  const std::vector<std::string>& objects() const { return objects_; }
  bool contains(std::string_view path) const;
  // The bytes of one object; nothing when absent, too large or unreadable.
  std::optional<std::string> read(std::string_view path) const;

  // From the file's system data, else the first page's name; UTF-8.
  const std::string& title() const { return title_; }
  // Absolute path of the page shown first: the default topic, else the
  // contents' first page, else the first page inside.
  const std::string& firstPage() const { return firstPage_; }
  const std::vector<HelpTopic>& contents() const { return contents_; }
  // The help's language as a Windows language id (0x40C French, 0x409
  // English); 0 when the file does not say.
  unsigned language() const { return language_; }

 private:
  explicit ChmHelp(chmFile* h) : h_(h) {}
  void readSystem(std::string& contentsFile);

  chmFile* h_;
  std::vector<std::string> objects_;
  std::string title_;
  std::string firstPage_;
  std::vector<HelpTopic> contents_;
  std::uint64_t compressedLimit_ = 0;
  unsigned language_ = 0;
};

}  // namespace qx
