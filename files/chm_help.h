// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a compiled HTML help file: its objects, its contents tree and
// keyword index, its title and first page, and a search of its pages' words.
// Below the toolkit, so the viewer and the tests share it. The container
// is chm_container.cpp, the markup help_sitemap.cpp, the text help_text.cpp.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct chmFile;

namespace qx {

// One entry of the contents or of the keyword index: the name shown, the
// page it leads to (as written, relative to the file's root; may be empty for
// a heading) and the entries nested under it. A keyword of the index that
// leads to several pages lists them all in pages, each with the name the
// index gives it (may be empty); local is then the first.
struct HelpTopic {
  struct Page {
    std::string name;
    std::string local;
  };
  std::string name;
  std::string local;
  std::vector<HelpTopic> children;
  std::vector<Page> pages;
};

// The sitemap of a contents or index file (<OBJECT type="text/sitemap">
// entries with their Name and Local parameters, nested by <UL>). Never fails:
// what cannot be made sense of is left out. Names come back in UTF-8.
std::vector<HelpTopic> parseSitemap(std::string_view html);

// What a reader sees of a page: the text of its body without tags, scripts
// and style sheets, entities decoded, runs of blanks as one space; UTF-8.
std::string helpPlainText(std::string_view html);
// The page's <title>, else its first <h1>; empty when it has neither.
std::string helpPageTitle(std::string_view html);

// The words of a search as they are compared: lower case, without accents
// ("Règles" -> "regles", "Œuf" -> "oeuf"). Letters and digits make words;
// everything else separates them.
std::vector<std::string> helpSearchWords(std::string_view query);
// The words of text (UTF-8) that begin with one of words (as made by
// helpSearchWords): each as its byte offset and length in text.
struct HelpMatch {
  std::size_t offset;
  std::size_t length;
};
std::vector<HelpMatch> helpWordMatches(std::string_view text, const std::vector<std::string>& words);

// One page a search found: its path, its title and how many of its words
// matched.
struct HelpHit {
  std::string page;
  std::string title;
  std::size_t count;
};

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
  // The keyword index, in the file's order; empty when it has none.
  const std::vector<HelpTopic>& index() const { return index_; }
  // The pages in which every word of the query begins a word, most matches
  // first; nothing for a query without words.
  std::vector<HelpHit> search(std::string_view query) const;
  // The help's language as a Windows language id (0x40C French, 0x409
  // English); 0 when the file does not say.
  unsigned language() const { return language_; }

 private:
  explicit ChmHelp(chmFile* h) : h_(h) {}
  void readSystem(std::string& contentsFile, std::string& indexFile);

  chmFile* h_;
  std::vector<std::string> objects_;
  std::string title_;
  std::string firstPage_;
  std::vector<HelpTopic> contents_;
  std::vector<HelpTopic> index_;
  std::uint64_t compressedLimit_ = 0;
  unsigned language_ = 0;
};

}  // namespace qx
