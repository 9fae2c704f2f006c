// SPDX-License-Identifier: GPL-3.0-or-later
// The help's HTML as the reader takes it apart: tags and their attributes,
// the sitemap of a contents or index file, and a page's text and title.
#include <algorithm>
#include <optional>
#include <utility>

#include "files/chm_help.h"
#include "files/help_text.h"

namespace qx {

namespace {

using namespace helptext;

constexpr std::size_t kMaxDepth = 32;  // deeper <UL> nesting stays at this level

// One tag: its lower-case name (with a leading '/' when it
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

// Past the comment at html[i] when one starts there.
bool skipComment(std::string_view html, std::size_t& i) {
  if (html.substr(i, 4) != "<!--") return false;
  const std::size_t end = html.find("-->", i + 4);
  i = end == std::string_view::npos ? html.size() : end + 3;
  return true;
}

// Where the tag closing name starts from i on (the end when it is missing).
std::size_t closingTag(std::string_view html, std::size_t i, std::string_view name) {
  const std::string close = "</" + std::string(name);
  while (i < html.size() && !iequals(html.substr(i, close.size()), close)) ++i;
  return i;
}

// Tags that start a new line or cell: a word never runs across them.
bool breaksWords(std::string_view tag) {
  static constexpr std::string_view kInline[] = {"a", "b", "i", "u", "em", "strong", "span", "font", "code", "tt",
                                                 "sub", "sup", "small", "big", "abbr", "kbd", "var", "s"};
  if (!tag.empty() && tag.front() == '/') tag.remove_prefix(1);
  return std::find(std::begin(kInline), std::end(kInline), tag) == std::end(kInline);
}

}  // namespace

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
    if (skipComment(html, i)) continue;
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
    if (skipComment(html, i)) continue;
    const Tag tag = readTag(html, i);
    if (tag.name == "script" || tag.name == "style" || tag.name == "title" || tag.name == "head") {
      i = closingTag(html, i, tag.name);  // not shown
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
      const std::size_t end = closingTag(html, start, name);
      std::string title = helpPlainText(html.substr(start, end - start));
      if (!title.empty()) return title;
      break;
    }
  }
  return {};
}

}  // namespace qx
