// SPDX-License-Identifier: GPL-3.0-or-later
// Whatever a help file holds, reading it neither crashes nor reports an
// object, first page or link outside the file, and the words a search marks
// lie inside the text searched.
#include <cstdlib>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

#include "files/chm_help.h"

namespace {

void walk(const std::vector<qx::HelpTopic>& topics, const qx::ChmHelp* help) {
  for (const auto& t : topics) {
    const std::string page = qx::resolveHelpLink("/", t.local);
    if (!page.empty() && page.front() != '/') std::abort();
    if (help && !page.empty() && help->contains(page)) help->read(page);
    walk(t.children, help);
  }
}

void searchIn(std::string_view text, std::string_view query) {
  const std::string plain = qx::helpPlainText(text);
  qx::helpPageTitle(text);
  for (const auto& m : qx::helpWordMatches(plain, qx::helpSearchWords(query)))
    if (m.length == 0 || m.offset + m.length > plain.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The same bytes as a contents file and as link text.
  walk(qx::parseSitemap(bytes), nullptr);
  qx::helpTextToUtf8(bytes);
  searchIn(bytes, bytes.substr(0, 64));

  // chmlib reads from a file: an anonymous one in memory.
  static const int fd = ::memfd_create("fuzz-help", 0);
  if (fd < 0) std::abort();
  if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
  const auto help = qx::ChmHelp::open("/proc/self/fd/" + std::to_string(fd));
  if (!help) return 0;
  if (!help->contains(help->firstPage())) std::abort();
  std::size_t n = 0;
  for (const auto& o : help->objects()) {
    if (o.empty() || o.front() != '/') std::abort();
    if (++n <= 64) help->read(o);
  }
  walk(help->contents(), help.get());
  walk(help->index(), help.get());
  for (const auto& hit : help->search("the quincunx"))
    if (!help->contains(hit.page) || hit.count < 2) std::abort();
  return 0;
}
