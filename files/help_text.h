// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text as the help reader decodes it: the help file's code page to UTF-8,
// HTML entities, and words with case and accents folded for the search.
// Shared by the sitemap parser and the container; the viewer sees only
// chm_help.h.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace qx::helptext {

char lower(char c);
bool iequals(std::string_view a, std::string_view b);
bool startsWith(std::string_view s, std::string_view prefix);
// Without the blanks around it.
std::string trim(std::string_view s);
// &amp; &lt; &gt; &quot; &apos; &nbsp; and numeric references; others stay.
std::string decodeEntities(std::string_view s);
// Each word of text (UTF-8) with its place: f(offset, length, folded).
void eachWord(std::string_view text, const std::function<void(std::size_t, std::size_t, std::string_view)>& f);

}  // namespace qx::helptext
