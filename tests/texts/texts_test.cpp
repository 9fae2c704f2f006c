// SPDX-License-Identifier: GPL-3.0-or-later
// The bilingual table, the elapsed-time phrase and the composed boxes.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <string>

#include "files/file_ops.h"
#include "texts/texts.h"

namespace qx {
namespace {

// True when s is well-formed UTF-8 using Latin-1 characters only: plain ASCII,
// or 0xC2/0xC3 followed by one continuation byte.
bool latin1Utf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const unsigned char b = s[i];
    if (b < 0x80) continue;
    if ((b != 0xC2 && b != 0xC3) || ++i == s.size() || (s[i] & 0xC0) != 0x80) return false;
  }
  return true;
}

TEST(TextsTable, EveryShownTextExistsInBothLanguages) {
  const Texts t;
  for (int k = 0; k <= 93; ++k) {
    if (k == 5 || k == 9 || k == 11) continue;
    EXPECT_FALSE(t.text(k, 0).empty()) << k;
    EXPECT_FALSE(t.text(k, 1).empty()) << k;
  }
  EXPECT_TRUE(t.text(-1, 0).empty());
  EXPECT_TRUE(t.text(Texts::kPairs, 1).empty());
}

// Each text must fit a 120-byte buffer and a single-byte code page.
TEST(TextsTable, EveryEntryIsShortLatin1) {
  const Texts t;
  for (int i = 0; i < Texts::kEntries; ++i) {
    const std::string& s = t.table()[i];
    EXPECT_LE(s.size(), Texts::kMaxLength) << i;
    EXPECT_TRUE(latin1Utf8(s)) << i;
  }
}

TEST(TextsTable, EntriesAlternateFrenchAndEnglish) {
  const Texts t;
  EXPECT_EQ(t.table()[0], "English");  // the language button names the other language
  EXPECT_EQ(t.table()[1], "Fran\xC3\xA7" "ais");
}

TEST(TextsLang, AnyOtherValueReadsAsFrench) {
  const Texts t;
  for (int lang : {-1, 2, 7, 255, INT_MIN}) {
    for (int k = 0; k < Texts::kPairs; ++k) EXPECT_EQ(t.text(k, lang), t.text(k, 0)) << k;
    EXPECT_EQ(t.explanation(Explain::play, lang), t.explanation(Explain::play, 0));
    EXPECT_EQ(t.bouton(75, lang), t.bouton(75, 0));
    EXPECT_EQ(t.winMessage(75, lang), t.winMessage(75, 0));
    EXPECT_EQ(openTitle(lang), "Ouvrir");
    EXPECT_EQ(normalModeRefusal(lang), normalModeRefusal(0));
  }
}

TEST(TextsElapsed, HoursAndMinutesOnlyWhenReached) {
  const std::pair<int, const char*> cases[] = {
      {0, "0"},          {42, "42"},         {59, "59"},           {60, "1 m 0"},
      {125, "2 m 5"},    {3599, "59 m 59"},  {3600, "1 h 0 m 0"},  {3605, "1 h 0 m 5"},
      {3725, "1 h 2 m 5"}, {90061, "25 h 1 m 1"},
  };
  for (const auto& [seconds, phrase] : cases) {
    EXPECT_EQ(elapsed(seconds, Ending::win), std::string(phrase) + " s") << seconds;
    EXPECT_EQ(elapsed(seconds, Ending::cumulative), std::string(phrase) + " s\n\n") << seconds;
  }
}

TEST(TextsCumulativeTime, TimeThenTaskbarAdvice) {
  const Texts t;
  const Message en = t.cumulativeTime(3725, 1);
  EXPECT_TRUE(en.text.starts_with(
      "          The cumulative time of research is = 1 h 2 m 5 s\n\nMake the task bar"));
  EXPECT_TRUE(en.text.ends_with("the task bar.\n    4- Clic on : Apply, then : OK."));
  EXPECT_EQ(en.title, "Cumulative time of research");
  // The longest message still fits far inside its 1000-byte buffer.
  EXPECT_LT(t.cumulativeTime(INT_MAX, 0).text.size(), 400u);
}

TEST(TextsWinMessage, ElapsedTimeWithoutBlankLines) {
  const Texts t;
  EXPECT_EQ(t.winMessage(3725, 0),
            (Message{"Bravo : vous avez gagn\xC3\xA9 en 1 h 2 m 5 s", "Gagn\xC3\xA9", kBoxOk}));
  EXPECT_EQ(t.winMessage(42, 1), (Message{"Bravo : you have win in 42 s", "Win", kBoxOk}));
}

TEST(TextsExplanation, EachButtonHasItsFirstAndLastTextsAndTitle) {
  const Texts t;
  struct Case {
    Explain box;
    int lang;
    const char *first, *last, *title;
  };
  const Case cases[] = {
      {Explain::play, 0, "Validation des donn\xC3\xA9" "es et recherche de la solution\nSi messages",
       "correction\nD\xC3\xA9marre le d\xC3\xA9" "compte du temps de recherche de la solution", "Jouer"},
      {Explain::data, 1, "Input of data for",
       "\n                  Data post in green\nAfter input of data, type on Play", "Data"},
      {Explain::correct, 0, "Permet de repasser", "pour les modifier", "Donn\xC3\xA9" "es"},
      {Explain::record, 1, "You can quit the software :\n",
       "PC\nat the opening of the software you will be in that state", "Record"},
      {Explain::candidate, 0, "Les candidats sont \xC3\xA9" "ditables\n          Pour",
       "\nUn autre appui sur la touche : Candidat supprime leur affichage", "Candidats"},
      {Explain::solution, 1, "Posting of the solution obtained by :\n    1- the dark",
       "incorrect\n    2- solution not obtained by the software", "Solution"},
      {Explain::test, 0, "Mode test :\n", "  2- Suivantes bleues", "Mode de fonctionnement"},
      {Explain::normal, 1, "Return to normal mode\n1- Erase",
       "the candidates\n   at the first type of test\n   value in violet", "Mode of working"},
      {Explain::partial, 1, "Beginning of r\xC3\xA9solution",
       "square\nUse to eliminate to elementary problems", "Obvious resolution"},
  };
  for (const Case& c : cases) {
    const Message m = t.explanation(c.box, c.lang);
    EXPECT_TRUE(m.text.starts_with(c.first)) << m.text;
    EXPECT_TRUE(m.text.ends_with(c.last)) << m.text;
    EXPECT_EQ(m.title, c.title);
    EXPECT_EQ(m.style, kBoxOkCancel);
    // The other language has its own body; only "Solution" keeps its title.
    const Message other = t.explanation(c.box, 1 - c.lang);
    EXPECT_NE(other.text, m.text) << c.title;
    EXPECT_EQ(other.title == m.title, c.box == Explain::solution) << c.title;
  }
}

TEST(TextsBouton, CumulativeTimeThenTheNewLanguage) {
  const Texts t;
  for (int lang : {0, 1}) EXPECT_EQ(t.bouton(3605, lang)[0], t.cumulativeTime(3605, lang));
  const std::string francais = "Fran\xC3\xA7" "ais";
  EXPECT_EQ(t.bouton(0, 0)[1],
            (Message{"Maintenant le software est en " + francais, francais, kBoxOk}));
  EXPECT_EQ(t.bouton(0, 1)[1], (Message{"Now the software is in English", "English", kBoxOk}));
}

TEST(TextsFixed, RefusalsAndOpenDialog) {
  EXPECT_EQ(Texts().entryRefusal(1),
            (Message{"Value which not be change\nGo to the normal mode", "Impossible", kBoxOk}));
  EXPECT_EQ(normalModeRefusal(0),
            (Message{"Vous devez \xC3\xAAtre en mode normal", "Impossible", kBoxOk}));
  EXPECT_EQ(openTitle(1), "Open");
  // The raw list's '0's cut it into (description, pattern) pairs.
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(openFilters(1), (Pairs{{"Games Files (*.jeu)", "*.jeu"}, {"All Files (*.*)", "*.*"}}));
  EXPECT_EQ(openFilters(0).front(), (std::pair<std::string, std::string>{"Fichiers Jeux (*.jeu)", "*.jeu"}));
  // The messages the program adds of its own: in the language asked for, with the detail.
  EXPECT_NE(saveFailed("/x/quincunm.jeu: Read-only file system", 1).text.find("Read-only"), std::string::npos);
  EXPECT_EQ(saveFailed("e", 0).title, "Enregistrement");
  EXPECT_EQ(openFailed("/x/a.jeu", 1).text, "This file cannot be read:\n/x/a.jeu");
  EXPECT_NE(saveUnfinished("e", 0).text.find("prochain démarrage"), std::string::npos);
  EXPECT_EQ(saveUnfinished("e", 1).title, "Record");
  const Message ignored = ignoredFiles({"/x/quincunj.jeu: a", "/x/quincunk.jeu: b"}, 1);
  EXPECT_EQ(ignored.title, "Ignored files");
  EXPECT_NE(ignored.text.find(".bad.\n/x/quincunj.jeu: a\n/x/quincunk.jeu: b"), std::string::npos);
  EXPECT_EQ(ignoredFiles({}, 0).title, "Fichiers ignorés");
}

TEST(TextsReasons, TheSystemsCommonReasonsInTheBoxsLanguage) {
  // Every reason the file layer words itself, whatever the locale, has French words.
  for (int err : {ENOSPC, EDQUOT, EACCES, EPERM, EROFS, EIO, ENOENT, EISDIR, ENOTDIR, EFBIG}) {
    const std::string why = "/x/quincunm.jeu: " + reason(err);
    SCOPED_TRACE(why);
    EXPECT_EQ(reasonIn(why, 1), why);
    const std::string fr = reasonIn(why, 0);
    EXPECT_NE(fr, why);
    EXPECT_TRUE(fr.starts_with("/x/quincunm.jeu: "));
    EXPECT_NE(saveFailed(why, 0).text.find(fr), std::string::npos);
    EXPECT_NE(saveUnfinished(why, 0).text.find(fr), std::string::npos);
    EXPECT_NE(ignoredFiles({why}, 0).text.find(fr), std::string::npos);
  }
  const std::string readers[] = {"it is a folder", "it is not a regular file", "it is larger than 1048576 bytes",
                                 "its settings are not those the program writes"};
  for (const std::string& why : readers) EXPECT_NE(reasonIn(why, 0), why);
  EXPECT_EQ(reasonIn("a: it is larger than 5 bytes", 0), "a: il fait plus de 5 octets");
  EXPECT_EQ(reasonIn("a: Bad address", 0), "a: Bad address");  // the rest as the system words it

  // Only a record that was there is said to be kept.
  EXPECT_NE(saveFailed("e", 1, true).text.find("previous record is kept"), std::string::npos);
  EXPECT_EQ(saveFailed("e", 1, false).text, "The state could not be recorded.\ne");
  EXPECT_EQ(saveFailed("e", 0, false).text, "L'état n'a pas pu être enregistré.\ne");
  // The folder named, its reason in the box's language.
  const Message keep = gamesCannotBeKept("/h/q", "/h/q: " + reason(ENOSPC), 0);
  EXPECT_NE(keep.text.find("le dossier /h/q est inutilisable.\n/h/q: Aucun espace"), std::string::npos);
  EXPECT_TRUE(gamesCannotBeKept("/d", "why", 1).text.ends_with("/d cannot be used.\nwhy"));
}

}  // namespace
}  // namespace qx
