// SPDX-License-Identifier: GPL-3.0-or-later
#include "texts/texts.h"

#include <cassert>

namespace qx {

std::string elapsed(int nTimes, Ending ending) {
  std::string out;
  const bool hours = nTimes > 3599;
  if (hours) {
    const int heure = nTimes / 3600;
    out += std::to_string(heure);
    out += kHours;
    nTimes -= 3600 * heure;
  }
  // Once hours are written the minutes follow, even when zero: "1 h 0 m 5 s".
  if (nTimes > 59 || hours) {
    const int minute = nTimes / 60;
    out += std::to_string(minute);
    out += kMinutes;
    nTimes -= 60 * minute;
  }
  out += std::to_string(nTimes);
  out += ending == Ending::cumulative ? kSecondsCumulative : kSecondsWin;
  return out;
}

std::string_view openTitle(int lang) { return langSlot(lang) == 1 ? "Open" : "Ouvrir"; }

std::string_view openFilter(int lang) {
  return langSlot(lang) == 1 ? "Games Files (*.jeu)0*.jeu0All Files (*.*)0*.*00"
                             : "Fichiers Jeux (*.jeu)0*.jeu0Fichiers Tous (*.*)0*.*00";
}

std::vector<std::pair<std::string, std::string>> openFilters(int lang) {
  // Each '0' of the raw list ends a piece; an empty piece ends the list.
  std::vector<std::string> pieces;
  std::string piece;
  for (char ch : openFilter(lang)) {
    if (ch != '0') {
      piece += ch;
      continue;
    }
    if (piece.empty()) break;
    pieces.push_back(piece);
    piece.clear();
  }
  std::vector<std::pair<std::string, std::string>> pairs;
  for (std::size_t i = 0; i + 1 < pieces.size(); i += 2) pairs.emplace_back(pieces[i], pieces[i + 1]);
  return pairs;
}

std::string reasonIn(std::string why, int lang) {
  if (langSlot(lang) == 1) return why;
  static constexpr std::pair<std::string_view, std::string_view> kFrench[] = {
      {"No space left on device", "Aucun espace disponible sur le périphérique"},
      {"Disk quota exceeded", "Quota de disque dépassé"},
      {"Permission denied", "Permission non accordée"},
      {"Operation not permitted", "Opération non permise"},
      {"Read-only file system", "Système de fichiers accessible en lecture seulement"},
      {"Input/output error", "Erreur d'entrée/sortie"},
      {"No such file or directory", "Aucun fichier ou dossier de ce type"},
      {"Is a directory", "Est un dossier"},
      {"Not a directory", "N'est pas un dossier"},
      {"File too large", "Fichier trop volumineux"},
      {"it is a folder", "c'est un dossier"},
      {"it is not a regular file", "ce n'est pas un fichier ordinaire"},
      {"it is not a journal of this program", "ce n'est pas un journal de ce programme"},
      {"its settings are not those the program writes", "ses réglages ne sont pas ceux qu'écrit le programme"},
      {"it is larger than ", "il fait plus de "},
      {" bytes", " octets"},
  };
  for (const auto& [en, fr] : kFrench)
    for (std::size_t at = why.find(en); at != std::string::npos; at = why.find(en, at + fr.size()))
      why.replace(at, en.size(), fr);
  return why;
}

Message saveFailed(const std::string& why, int lang, bool previous) {
  const std::string reason = reasonIn(why, lang);
  if (langSlot(lang) == 1)
    return {std::string(previous ? "The state could not be recorded; the previous record is kept.\n"
                                 : "The state could not be recorded.\n") + reason, "Record", kBoxOk};
  return {std::string(previous ? "L'état n'a pas pu être enregistré ; l'enregistrement précédent est conservé.\n"
                               : "L'état n'a pas pu être enregistré.\n") + reason,
          "Enregistrement", kBoxOk};
}

Message gamesCannotBeKept(const std::string& folder, const std::string& why, int lang) {
  const std::string reason = reasonIn(why, lang);
  if (langSlot(lang) == 1)
    return {"Games cannot be kept: the folder " + folder + " cannot be used.\n" + reason, "Record", kBoxOk};
  return {"Les parties ne peuvent pas être conservées : le dossier " + folder + " est inutilisable.\n" + reason,
          "Enregistrement", kBoxOk};
}

Message alreadyOpen(int lang) {
  if (langSlot(lang) == 1) return {"The game is already open in another window.", "Quincunx", kBoxOk};
  return {"Le jeu est déjà ouvert dans une autre fenêtre.", "Quincunx", kBoxOk};
}

Message saveUnfinished(const std::string& why, int lang) {
  if (langSlot(lang) == 1)
    return {"The new record is written but could not all be put in place; the next start completes "
            "it.\n" + why, "Record", kBoxOk};
  return {"Le nouvel enregistrement est écrit mais n'a pas pu être mis en place entièrement ; le "
          "prochain démarrage l'achèvera.\n" + reasonIn(why, lang), "Enregistrement", kBoxOk};
}

Message ignoredFiles(const std::vector<std::string>& lines, int lang) {
  std::string list;
  for (const std::string& l : lines) list += "\n" + reasonIn(l, lang);
  if (langSlot(lang) == 1)
    return {"These state files could not be used; the program starts without them. The next record "
            "keeps each of them as NAME.bad." + list, "Ignored files", kBoxOk};
  return {"Ces fichiers d'état n'ont pas pu être utilisés ; le programme démarre sans eux. Le "
          "prochain enregistrement garde chacun d'eux sous NOM.bad." + list, "Fichiers ignorés", kBoxOk};
}

Message openFailed(const std::string& path, int lang) {
  if (langSlot(lang) == 1) return {"This file cannot be read:\n" + path, "Open", kBoxOk};
  return {"Ce fichier ne peut pas être lu :\n" + reasonIn(path, lang), "Ouvrir", kBoxOk};
}

Message helpViewerMissing(const std::string& helpPath, int lang) {
  if (langSlot(lang) == 1)
    return {"No help viewer could be started (quincunx-help, xchm, kchmviewer or xdg-open) to show:\n" + helpPath,
            "Error", kBoxOk};
  return {"Aucun visualiseur d'aide n'a pu être démarré (quincunx-help, xchm, kchmviewer ou xdg-open) pour "
          "afficher :\n" + helpPath,
          "Erreur", kBoxOk};
}

Message normalModeRefusal(int lang) {
  const char* text =
      langSlot(lang) == 1 ? "Vous must be in the normal mode" : "Vous devez être en mode normal";
  return {text, std::string(kImpossible), kBoxOk};
}

std::string_view Texts::text(int k, int lang) const {
  if (k < 0 || k >= kPairs) return {};
  return bara[2 * k + langSlot(lang)];
}

std::string Texts::lines(Text first, Text last, int lang) const {
  std::string out;
  for (int k = number(first); k <= number(last); ++k) out += text(k, lang);
  return out;
}

Message Texts::exitQuestion(int lang) const {
  return {std::string(text(Text::kExitQuestion, lang)), std::string(text(Text::kRecordTitle, lang)), kBoxOkCancel};
}

Message Texts::newQuestion(int lang) const {
  return {std::string(text(Text::kNewQuestion, lang)), std::string(text(Text::kNewTitle, lang)), kBoxOkCancel};
}

std::array<std::string_view, 4> Texts::ratingNames(int lang) const {
  std::array<std::string_view, 4> names;
  for (int i = 0; i < 4; ++i) names[i] = text(number(Text::kEasy) + i, lang);
  return names;
}

Message Texts::printFailed(int lang) const {
  return {std::string(text(Text::kNotPrinted, lang)), std::string(kImpossible), kBoxOk};
}

Message Texts::newFailed(const std::string& why, int lang) const {
  const std::string title(text(Text::kNewTitle, lang));
  if (why.empty()) return {std::string(text(Text::kNoPuzzleMade, lang)), title, kBoxOk};
  return {std::string(text(Text::kPuzzleNotWritten, lang)) + why, title, kBoxOk};
}

std::array<std::string_view, 2> Texts::exitButtons(int lang) const {
  // The Record button's own label, as on the board.
  return {text(Text::kRecordButton, lang), text(Text::kDontRecord, lang)};
}

Message Texts::explanation(Explain box, int lang) const {
  auto ask = [&](Text first, Text last, std::string_view title) {
    return Message{lines(first, last, lang), std::string(title), kBoxOkCancel};
  };
  auto titled = [&](Text t) { return text(t, lang); };
  switch (box) {
    case Explain::data: return ask(Text::kDataFirst, Text::kDataLast, titled(Text::kDataTitle));
    case Explain::play: return ask(Text::kPlayFirst, Text::kPlayLast, titled(Text::kPlayTitle));
    case Explain::correct: return ask(Text::kCorrectBody, Text::kCorrectBody, titled(Text::kDataTitle));
    case Explain::record: return ask(Text::kRecordFirst, Text::kRecordLast, titled(Text::kRecordTitle));
    case Explain::candidate:
      return ask(Text::kCandidateFirst, Text::kCandidateLast, titled(Text::kCandidateTitle));
    case Explain::solution: return ask(Text::kSolutionFirst, Text::kSolutionLast, kSolution);
    case Explain::test: return ask(Text::kTestBody, Text::kTestBody, titled(Text::kModeTitle));
    case Explain::normal: return ask(Text::kNormalFirst, Text::kNormalLast, titled(Text::kModeTitle));
    case Explain::partial: return ask(Text::kPartialFirst, Text::kPartialLast, titled(Text::kPartialTitle));
  }
  assert(false && "unknown explanation box");
  return {};
}

Message Texts::cumulativeTime(int nTimer, int lang) const {
  std::string gagne(text(Text::kCumulativeTime, lang));
  gagne += elapsed(nTimer, Ending::cumulative);
  gagne += lines(Text::kTaskbarFirst, Text::kTaskbarLast, lang);
  return {gagne, std::string(text(Text::kCumulativeTitle, lang)), kBoxOk};
}

Message Texts::winMessage(int nTimer, int lang) const {
  std::string gagne(text(Text::kWon, lang));
  gagne += elapsed(nTimer, Ending::win);
  return {gagne, std::string(text(Text::kWonTitle, lang)), kBoxOk};
}

Message Texts::entryRefusal(int lang) const {
  return {std::string(text(Text::kValueLocked, lang)), std::string(kImpossible), kBoxOk};
}

std::array<Message, 2> Texts::bouton(int nTimer, int lang) const {
  Message now = langSlot(lang) == 1
                    ? Message{"Now the software is in English", "English", kBoxOk}
                    : Message{"Maintenant le software est en Français", "Français", kBoxOk};
  return {cumulativeTime(nTimer, lang), now};
}

void Texts::put(int k, const char* fr, const char* en) {
  bara[2 * k] = fr;
  bara[2 * k + 1] = en;
}

// Pairs 5, 9, 11 and 83..93 are never shown and stay empty.
void Texts::langue() {
  // Button labels; text 0 names the language the button switches to.
  put(0, "English", "Français");
  put(1, "Donnée", "Data");
  put(2, "Jouer", "Play");
  put(3, "Corriger", "Correct");
  put(4, "Enregis", "Record");
  put(6, "Candidat", "Candidate");
  put(7, "Rejouer", "Replay");
  put(8, "Aide", "Help");
  put(10, "Erreur", "Error");
  put(12, "Partiel", "Partial");

  // Lines drawn on the board.
  put(13, "Vous jouez au Quincunx", "You play to Quincunx");
  put(14, "Vous jouez au Sudoku", "You play to Sudoku");
  put(15, "Erreurs en rouge", "Errors in red");
  put(16, "Erreurs invisibles", "Errors invisibles");
  put(17, "Introduction", "Introduction");
  put(18, "des données", "of data");
  put(19, "en vert", "in green");
  put(20, "à la fin faire", "at the end make");
  put(21, "Jouer, alors :", "Play, now");
  put(22, "affichage noir", "all in black");
  put(23, "Mode Test", "Mode Test");
  put(24, "Premier violet", "First violet");
  put(25, "suivant bleu", "next blue");
  put(26, "pour quitter", "to quit");
  put(27, "faire Normal", "make Normal");

  // Help file of each language.
  put(28, "quincunx-fr.chm", "quincunx-en.chm");

  // Cumulative-time message and the taskbar advice.
  put(29, "          Le temps cumulé de recherche est de ",
      "          The cumulative time of research is = ");
  put(30, "Temps cumulé de recherche", "Cumulative time of research");
  put(31, "Il faut rendre la barre des taches dans le bas du bureau amovible.\n",
      "Make the task bar : mask automaticaly.\n");
  put(32, "Pour faire ceci :\n", "To make that\n");
  put(33, "    1- Aller sur la Barre des tâches.\n", "    1- Go on the task bar.\n");
  put(34, "    2- Cliquer avec le bouton droit et faire : Propriétés.\n",
      "    2- Clic with right button and make property.\n");
  put(35, "    3- Cocher la case : Masquer automatiquement la Barre des tâches.\n",
      "    3- Notch the option : mask automaticaly the task bar.\n");
  put(36, "    4- Cliquer sur : Appliquer, puis : OK.", "    4- Clic on : Apply, then : OK.");

  // Explanation boxes of the command buttons.
  put(37, "Validation des données et recherche de la solution\n",
      "Valid the data and search the solution\n");
  put(38, "Si messages : valeurs incorrectes ou solution non trouvée\n",
      "if messages : data incorrect or solution not find\n");
  put(39, "Si valeur incorrectes passer en correction\n", "If data incorrect go to Correct\n");
  put(40, "Démarre le décompte du temps de recherche de la solution",
      "Start the deduction of the time to obtain the solution");
  put(41, "Jouer", "Play");
  put(42, "Permet de repasser en mode données pour les modifier",
      "Allow to go in the Data mode to correct");
  put(43, "Données", "Data");
  put(44, "Vous pouvez quitter le logiciel :\ny compris éteindre l'ordinateur\n",
      "You can quit the software :\ninclude stop the PC\n");
  put(45, "à l'ouverture du logiciel vous vous retrouverez dans cet état",
      "at the opening of the software you will be in that state");
  put(46, "Enregistrement", "Record");
  put(47, "Affichage de la solution évaluée à partir de :\n",
      "Posting of the solution obtained by :\n");
  put(48, "    1- les valeurs en noires : les valeurs initiales du problème\n",
      "    1- the dark values : the initials values of the problem\n");
  put(49, "    2- les valeurs en gris clair : celles déjà trouvées\n",
      "    2- the light grey values : that already obtained\n");
  put(50, "Si messages :\n", "If messages :\n");
  put(51, "    1- valeurs initiales et(ou) trouvées fausses\n",
      "    1- Initial values and(or) obtained incorrect\n");
  put(52, "    2- solution non trouvée par le logiciel",
      "    2- solution not obtained by the software");
  put(53, "Les candidats sont éditables\n", "The candidats are editable\n");
  put(54, "          Pour supprimer ou réintroduire un candidat : \n",
      "          To remove or reinsert a candidate : \n");
  put(55, "  1- Aller sur la bonne case avec le curseur : case bleue clair\n",
      "  1- Go on the good case with the cursor : blue light case\n");
  put(56, "  2- Taper son numéro en laissant enfoncé la touche : Insert\n",
      "  2- Type is number with the : Insert key down\n");
  put(57, "Un autre appui sur la touche : Candidat supprime leur affichage",
      "Another type on the button : Candidate remove their post");
  put(58, "Candidats", "Candidates");
  put(59, "Mode test :\n  1- Première valeur violette\n  2- Suivantes bleues",
      "Mode test :\n  1- First value violet\n  2- Next blue");
  put(60, "Mode de fonctionnement", "Mode of working");
  put(61, "Retour au mode normal\n", "Return to normal mode\n");
  put(62, "1- Efface toutes les valeurs en bleu\n", "1- Erase all the values in bleue\n");
  put(63, "2- Conserve la valeur en violet\n", "2- Retain the violet value\n");
  put(64, "3- Rétabli les candidats\n", "3- Restore the candidates\n");
  put(65, "   au moment de la frappe de la première valeur de test\n",
      "   at the first type of test\n");
  put(66, "   la valeur affichée en violet", "   value in violet");
  put(67, "Début de résolution par les seules méthodes simples\n",
      "Beginning of résolution by elementary methodes\n");
  put(68, "On utilise les seules méthodes suivantes\n", "Only use of following methodes\n");
  put(69, "    1- Candidat unique dans une ligne ou une colonne ou un domaine\n",
      "    1- Only one Candidate in a line or a column or a domain\n");
  put(70, "    2- Candidat unique sur une case\n", "    2- Only one Candidate for a square\n");
  put(71, "Sert a éliminer les problèmes trop simples",
      "Use to eliminate to elementary problems");
  put(72, "Résolution évidente", "Obvious resolution");

  // Other boxes.
  put(73, "Valeur qui ne peut être changée\nIl faut repasser en mode normal",
      "Value which not be change\nGo to the normal mode");
  put(74, "Bravo : vous avez gagné en ", "Bravo : you have win in ");
  put(75, "Gagné", "Win");
  put(76, "Données erronées", "Erroneous data");
  put(77, "Solution incomplète", "Incomplete Solution");
  put(78, "Introduction des valeurs initiales d'un problème de Sudoku ou Quincunx\n",
      "Input of data for a problem of Sudoku or Quincunx\n");
  put(79, "                  Valeurs affichées en vert\n",
      "                  Data post in green\n");
  put(80, "Après introduction des valeurs, appuyer sur Jouer",
      "After input of data, type on Play");
  put(81, "Le nom de l'exécutable doit être : quincunx-kelvo.exe",
      "The name of the exec file must be : quincunx-kelvo.exe");
  put(82, "Le nom du fichier d'aide est quincunx-fr.chm et doit être dans le dossier de l'éxécutable : quincunx-kelvo.exe",
      "The name of the help file est quincunx-en.chm and must be in the directory of the exec file: quincunx-kelvo.exe");
  // Asked when the window closes on moves made since the last record.
  put(83, "Des coups ne sont pas enregistrés.\nLes enregistrer avant de quitter ?",
      "Some moves are not recorded.\nRecord them before quitting?");
  put(84, "Ne pas enregistrer", "Don't record");
  // The new-puzzle box (F2): its title, its question, the four ratings from
  // the easiest, and what it says when it could not make the puzzle.
  put(85, "Nouvelle grille", "New puzzle");
  put(86, "Quelle difficulté pour la nouvelle grille ?", "How hard should the new puzzle be?");
  put(87, "Facile", "Easy");
  put(88, "Moyenne", "Medium");
  put(89, "Difficile", "Hard");
  put(90, "Diabolique", "Fiendish");
  put(91, "Aucune grille de cette difficulté n'a pu être faite.",
      "No puzzle of that difficulty could be made.");
  put(93, "L'impression n'a pas pu se faire.", "The board could not be printed.");
  put(92, "La nouvelle grille n'a pas pu être écrite :\n", "The new puzzle could not be written:\n");
}

}  // namespace qx
