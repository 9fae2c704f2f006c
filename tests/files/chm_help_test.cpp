// SPDX-License-Identifier: GPL-3.0-or-later
// The compiled help reader: the two shipped help files read whole, the
// contents parser and link resolution on written cases, and damaged files
// refused cleanly.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "files/chm_help.h"
#include "tests/support/temp_dir.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

using test::slurp;

void eachTopic(const std::vector<HelpTopic>& level, const std::function<void(const HelpTopic&)>& f) {
  for (const auto& t : level) {
    f(t);
    eachTopic(t.children, f);
  }
}

TEST(ChmHelp, ShippedHelpFilesReadWhole) {
  struct Case {
    const char* file;
    const char* title;
    const char* secondTopic;  // a name with accents in French: the code page is converted
    unsigned language;
    std::size_t keywords;
    struct Search {
      const char* query;
      const char* best;  // "" when no page should be found
      std::size_t pages;
    };
    std::vector<Search> searches;
  };
  const Case cases[] = {
      {"quincunx-fr.chm", "Quincunx et Sudoku - Aide", "Les deux jeux et leurs règles", 0x40C, 56,
       {{"violette", "/test.html", 3}, {"VIOLETTE bleu", "/test.html", 3}, {"regles", "/regles.html", 3},
        {"local share quincunx", "/fichiers.html", 1}, {"xyzzy", "", 0}, {"  ;; ", "", 0}}},
      {"quincunx-en.chm", "Quincunx and Sudoku - Help", "The two games and their rules", 0x409, 55,
       {{"violet", "/test.html", 5}, {"Violet BLUE", "/test.html", 5}, {"Fran", "/window.html", 4},
        {"local share quincunx", "/files.html", 1}, {"xyzzy", "", 0}, {"  ;; ", "", 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::string why;
    const auto help = ChmHelp::open(std::string(QX_DATA_DIR) + "/" + c.file, &why);
    ASSERT_TRUE(help) << why;
    EXPECT_EQ(help->title(), c.title);
    EXPECT_EQ(help->firstPage(), "/index.html");
    EXPECT_EQ(help->language(), c.language);
    const auto first = help->read(help->firstPage());
    ASSERT_TRUE(first);
    EXPECT_NE(first->find("<h1>"), std::string::npos);

    ASSERT_GE(help->contents().size(), 2u);
    EXPECT_EQ(help->contents()[1].name, c.secondTopic);
    EXPECT_FALSE(help->contents()[1].children.empty());
    int topics = 0;
    eachTopic(help->contents(), [&](const HelpTopic& t) {
      ++topics;
      const std::string page = resolveHelpLink("/", t.local);
      EXPECT_TRUE(help->contains(page)) << t.name << " -> " << t.local;
      EXPECT_TRUE(help->read(page)) << page;
    });
    EXPECT_EQ(topics, 42);  // every sitemap entry of the contents file
    EXPECT_EQ(help->index().size(), c.keywords);
    std::size_t severalPages = 0;
    eachTopic(help->index(), [&](const HelpTopic& t) {
      EXPECT_FALSE(t.name.empty());
      EXPECT_TRUE(help->contains(resolveHelpLink("/", t.local))) << t.name << " -> " << t.local;
      for (const auto& p : t.pages) EXPECT_TRUE(help->contains(resolveHelpLink("/", p.local))) << p.local;
      severalPages += t.pages.size();
    });
    EXPECT_EQ(severalPages, 3u);  // the Record keyword's three pages

    // Searches: the pages holding every word, the best first.
    for (const auto& [query, best, pages] : c.searches) {
      const auto hits = help->search(query);
      std::string found;
      for (const auto& h : hits) found += (found.empty() ? "" : " ") + h.page;
      EXPECT_EQ(hits.size(), pages) << query << ": " << found;
      if (*best) {
        ASSERT_FALSE(hits.empty()) << query;
        EXPECT_EQ(hits.front().page, best) << query << ": " << found;
        EXPECT_FALSE(hits.front().title.empty());
        EXPECT_NE(hits.front().title.front(), '/') << "a page without its title";
      }
    }

    // Every picture reads back whole. That every link of a page leads inside
    // is checked on the same files by check_help.sh.
    int images = 0;
    for (const auto& o : help->objects())
      if (o.rfind("/images/", 0) == 0) {
        ++images;
        const auto png = help->read(o);
        ASSERT_TRUE(png) << o;
        EXPECT_EQ(png->substr(1, 3), "PNG") << o;
      }
    EXPECT_GE(images, 12);
    EXPECT_FALSE(help->read("/no-such-page.html"));
  }
}

TEST(ChmHelp, SitemapNestingNamesAndOddMarkup) {
  struct Case {
    const char* html;
    const char* tree;  // name=local, children in (), siblings separated by ;
  };
  const Case cases[] = {
      {R"(<UL><LI><OBJECT type="text/sitemap"><param name="Name" value="A"><param name="Local" value="a.html"></OBJECT>
          <UL><LI><OBJECT type="text/sitemap"><param name="Name" value="A1"><param name="Local" value="a.html#x"></OBJECT></UL>
          <LI><OBJECT type="text/sitemap"><param name="Name" value="B"><param name="Local" value="b.html"></OBJECT></UL>)",
       "A=a.html(A1=a.html#x);B=b.html"},
      // Site properties are no entry; lower-case tags, unquoted and single-quoted values.
      {R"(<object type="text/site properties"><param name="Window Styles" value="0x800025"></object>
          <ul><li><object type=text/sitemap><param name=name value='x &amp; y &#233;'><param name=local value=x.html></object></ul>)",
       "x & y \xC3\xA9=x.html"},
      // Windows-1252 names become UTF-8; a heading without a page keeps its name.
      {"<ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"r\xE8gles \x80\"></object>"
       "<ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"c\"><param name=\"Local\" value=\"c.htm\"></object></ul></ul>",
       "r\xC3\xA8gles \xE2\x82\xAC=(c=c.htm)"},
      // A list with no entry before it, a stray close, a comment and a cut-off end.
      {R"(</ul><ul><ul><!-- <object type="text/sitemap"><param name="Name" value="no"></object> -->
          <li><object type="text/sitemap"><param name="Name" value="deep"><param name="Local" value="d.html"></object>
          </ul></ul></ul><li><object type="text/sitemap"><param name="Name" value="after">)",
       "deep=d.html"},
      // A keyword of an index with three pages, named or not.
      {R"(<ul><li><object type="text/sitemap"><param name="Name" value="k"><param name="Name" value="first">
          <param name="Local" value="a.html"><param name="Name" value="second"><param name="Local" value="b.html">
          <param name="Local" value="c.html"></object>
          <li><object type="text/sitemap"><param name="Name" value="j"><param name="Local" value="a.html">
          <param name="Local" value="b.html"></object></ul>)",
       "k=a.html[first=a.html,second=b.html,=c.html];j=a.html[=a.html,=b.html]"},
      {"", ""},
      {"<<<>>><ul <object", ""},
  };
  std::function<std::string(const std::vector<HelpTopic>&)> show = [&](const std::vector<HelpTopic>& level) {
    std::string out;
    for (const auto& t : level) {
      if (!out.empty()) out += ";";
      out += t.name + "=" + t.local;
      if (!t.children.empty()) out += "(" + show(t.children) + ")";
      for (std::size_t k = 0; k < t.pages.size(); ++k)
        out += (k ? "," : "[") + t.pages[k].name + "=" + t.pages[k].local + (k + 1 == t.pages.size() ? "]" : "");
    }
    return out;
  };
  for (const Case& c : cases) EXPECT_EQ(show(parseSitemap(c.html)), c.tree) << c.html;

  // Nesting far beyond any real contents stays bounded.
  std::string deep;
  for (int i = 0; i < 5000; ++i)
    deep += R"(<ul><li><object type="text/sitemap"><param name="Name" value="n"></object>)";
  int depth = 0;
  const auto tree = parseSitemap(deep);
  for (const auto* level = &tree; !level->empty(); level = &level->front().children) ++depth;
  EXPECT_LE(depth, 32);
  EXPECT_GE(depth, 30);
}

TEST(ChmHelp, PageTextAndWordSearch) {
  struct Text {
    const char* html;
    const char* text;
    const char* title;
  };
  for (const Text& c : {
           Text{"<html><head><title>T &amp; U</title><style>p { x }</style></head><body><h1>H</h1>"
                "<p>Re<b>cord</b>&nbsp;it<br>now</p><script>no()</script><!-- no --></body>",
                "H Record it now", "T & U"},
           Text{"<h1 class=x>Only <i>h1</i></h1><p>caf\xE9</p>", "Only h1 caf\xC3\xA9", "Only h1"},
           Text{"<p>r\xE8gle &#233;t&eacute;</p>", "r\xC3\xA8gle \xC3\xA9t&eacute;", ""},
           // Not UTF-8, so read as Windows-1252: overlong forms, F5-F7 leads, a
           // surrogate, one above U+10FFFF with 0x90, which the code page leaves out.
           Text{"\xC0\xAF \xE0\x80\xAF", "\xC3\x80\xC2\xAF \xC3\xA0\xE2\x82\xAC\xC2\xAF", ""},
           Text{"\xF5\x80\x80\x80 \xF7\xBF\xBF\xBF",
                "\xC3\xB5\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC \xC3\xB7\xC2\xBF\xC2\xBF\xC2\xBF", ""},
           Text{"\xED\xA0\x80", "\xC3\xAD \xE2\x82\xAC", ""},
           Text{"\xF4\x90\x80\x80", "\xC3\xB4\xEF\xBF\xBD\xE2\x82\xAC\xE2\x82\xAC", ""},
           Text{"\xF0\x9F\x98\x80 \xC3\xA9", "\xF0\x9F\x98\x80 \xC3\xA9", ""},
           Text{"<title", "", ""},
           Text{"a <head> b", "a", ""},
       }) {
    EXPECT_EQ(helpPlainText(c.html), c.text) << c.html;
    EXPECT_EQ(helpPageTitle(c.html), c.title) << c.html;
  }

  struct Words {
    const char* query;
    const char* words;  // joined by '|'
  };
  for (const Words& c : {Words{"R\xC3\xA8gles du Quincunx", "regles|du|quincunx"},
                         Words{"\xC5\x92uf, \xC3\x87" "A l'aide\xC2\xA0! \xC3\x9F", "oeuf|ca|l|aide|ss"},
                         Words{"x x X", "x"},
                         Words{"3x3 \xE2\x80\x99q\xE2\x80\x99", "3x3|q"},
                         Words{"\xFF\xC3", ""},
                         Words{"", ""}}) {
    std::string joined;
    for (const auto& w : helpSearchWords(c.query)) joined += (joined.empty() ? "" : "|") + w;
    EXPECT_EQ(joined, c.words) << c.query;
  }

  struct Matches {
    const char* text;
    const char* query;
    const char* marked;  // the text with each match in []
  };
  for (const Matches& c : {Matches{"Les r\xC3\xA8gles, la R\xC3\xA8gle et le r\xC3\xA8glement", "regle",
                                   "Les [r\xC3\xA8gles], la [R\xC3\xA8gle] et le [r\xC3\xA8glement]"},
                           Matches{"candidate candidates incandescent", "cand",
                                   "[candidate] [candidates] incandescent"},
                           Matches{"blue violet blue", "violet blue", "[blue] [violet] [blue]"},
                           Matches{"end", "end", "[end]"},
                           Matches{"nothing", "", "nothing"}}) {
    std::string marked = c.text;
    const auto found = helpWordMatches(c.text, helpSearchWords(c.query));
    for (auto m = found.rbegin(); m != found.rend(); ++m) marked.insert(m->offset + m->length, "]").insert(m->offset, "[");
    EXPECT_EQ(marked, c.marked) << c.query;
  }
}

TEST(ChmHelp, LinksResolveInsideTheFile) {
  struct Case {
    const char* base;
    const char* link;
    const char* path;
  };
  for (const Case& c : {
           Case{"/", "index.html", "/index.html"},
           Case{"/", "rules.html#sudoku", "/rules.html"},
           Case{"/", "./images/a%20b.png?x=1", "/images/a b.png"},
           Case{"/sub/", "../style.css", "/style.css"},
           Case{"/sub", "pic.png", "/sub/pic.png"},
           Case{"/sub/", "/top.html", "/top.html"},
           Case{"/", "a\\b.html", "/a/b.html"},
           Case{"/", "ms-its:quincunx-en.chm::/window.html", "/window.html"},
           Case{"/", "http://example.org/", ""},
           Case{"/", "mailto:x@y", ""},
           Case{"/", "../../etc/passwd", ""},
           Case{"/", "#top", ""},
           Case{"/", "", ""},
           Case{"/", "%zz%4", "/%zz%4"},
       })
    EXPECT_EQ(resolveHelpLink(c.base, c.link), c.path) << c.base << " + " << c.link;
}

TEST(ChmHelp, DamagedOrForeignFilesAreRefusedCleanly) {
  test::TempDir tmp("qx-chm");
  const std::string good = slurp(fs::path(QX_DATA_DIR) / "quincunx-en.chm");
  ASSERT_GT(good.size(), 100000u);
  std::mt19937 rng(11);
  std::string noise(70000, '\0');
  for (char& ch : noise) ch = static_cast<char>(rng());

  // The directory's first listing chunk naming itself as the next one (chmlib
  // would walk it for ever), and compression data with a zero window (chmlib
  // would divide by it).
  auto u32At = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(good[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(good[at + 1])) << 8;
  };
  std::string loop = good;
  const std::size_t firstChunk = u32At(0x48) + 0x54;
  ASSERT_EQ(loop.substr(firstChunk, 4), "PMGL");
  loop.replace(firstChunk + 0x10, 4, std::string(4, '\0'));
  std::string noWindow = good;
  const std::size_t lzxc = good.find("LZXC");
  ASSERT_NE(lzxc, std::string::npos);
  noWindow.replace(lzxc + 0x0c, 4, std::string(4, '\0'));

  const std::pair<const char*, std::string> refused[] = {
      {"loop.chm", loop},
      {"no-window.chm", noWindow},
      {"empty.chm", ""},
      {"text.chm", "this is no compiled help\n"},
      {"noise.chm", noise},
      {"header-only.chm", good.substr(0, 96)},
      {"head.chm", good.substr(0, 4000)},
  };
  for (const auto& [name, bytes] : refused) {
    const fs::path p = tmp.path() / name;
    std::ofstream(p, std::ios::binary) << bytes;
    std::string why;
    EXPECT_FALSE(ChmHelp::open(p.string(), &why)) << name;
    EXPECT_EQ(why.rfind("cannot read " + p.string(), 0), 0u) << why;
  }
  for (const fs::path& p : {tmp.path(), tmp.path() / "missing.chm", fs::path("/dev/zero")}) {
    std::string why;
    EXPECT_FALSE(ChmHelp::open(p.string(), &why)) << p;
    EXPECT_EQ(why.rfind("cannot read", 0), 0u) << why;
  }

  // Cut short or with damaged bytes, a file may still open; whatever opens
  // reads without harm and what it reports stays inside the file.
  int opened = 0;
  for (int k = 0; k < 24; ++k) {
    std::string bytes = good;
    if (k < 8) bytes.resize(good.size() * (k + 1) / 9);
    else
      for (int n = 0; n < 40; ++n) bytes[rng() % bytes.size()] = static_cast<char>(rng());
    const fs::path p = tmp.path() / ("damaged-" + std::to_string(k) + ".chm");
    std::ofstream(p, std::ios::binary) << bytes;
    const auto help = ChmHelp::open(p.string());
    if (!help) continue;
    ++opened;
    EXPECT_TRUE(help->contains(help->firstPage()));
    for (const auto& o : help->objects()) help->read(o);
  }
  RecordProperty("damaged_files_opened", opened);
}

}  // namespace
}  // namespace qx
