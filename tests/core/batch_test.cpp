// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "batch/ini_file.h"
#include "batch/start_batch_mode.h"
#include "reading/path_helpers.h"
#include "slow_fs_mount.h"
#include "sync/synchronize_folders.h"
#include "two_trees.h"

namespace zweiblick {
namespace {

using testing::TempTree;
using namespace std::string_literals;

TEST(IniFile, ValuesAndSwitchesFollowTheProfileFileConventions) {
  std::string text =
      "\xEF\xBB\xBF; comment\r\n"
      "[ pfade ]\r\n"
      "  LINKS =  /daten/links  \r\n"
      "Links = second wins not\r\n"
      "Rechts=\"/mit blanks/\"\r\n"
      "[AutoStart]\n"
      "Binärvergleich=1\n"
      "[Pfade]\n"
      "Extra=ignored: only the first section of a name counts";  // no line end at the last line
  EXPECT_EQ(IniValue(text, "Pfade", "Links"), "/daten/links");
  EXPECT_EQ(IniValue(text, "PFADE", "rechts"), "/mit blanks/");
  EXPECT_EQ(IniValue(text, "autostart", "BINÄRVERGLEICH"), "1");
  EXPECT_EQ(IniValue(text, "Pfade", "Extra"), std::nullopt);
  EXPECT_EQ(IniValue(text, "Missing", "Links"), std::nullopt);
  // Windows-1252: the key holds the byte E4, and so may a path.
  std::string ansi = "[AutoStart]\r\nBin\xE4rvergleich=-1\r\n[Pfade]\r\nLinks=/d\xE4ten/\r\n";
  EXPECT_EQ(IniValue(ansi, "AutoStart", "Binärvergleich"), "-1");
  EXPECT_EQ(IniValue(ansi, "Pfade", "Links"), "/däten/");
  std::string huge = "[A]\nk=" + std::string(40000, 'v') + "\n";
  EXPECT_EQ(IniValue(huge, "A", "k")->size(), 40000u);
  EXPECT_EQ(ReadIniString(huge, "A", "k", "").size(), kMaxIniValueChars);
  // A switch is on when its value starts with a number other than 0.
  for (const char* on : {"1", "-1", "2", "0.5", " 3x", "1e2", ".5", "+7"})
    EXPECT_NE(LeadingNumber(on), 0) << on;
  for (const char* off : {"0", "", "ja", "x1", "-", ".", "0.0", "e5"})
    EXPECT_EQ(LeadingNumber(off), 0) << off;
  EXPECT_EQ(LeadingNumber("2.5e1kg"), 25);
}

struct Batch : testing::TwoTrees {
  TempTree dir;

  void SetUp() override {
    Both("a.txt", "same", "same", 1000000000, 1000000000);
    Both("new.txt", "newer", "older", 2000000000, 1000000000);
  }
  std::string Control(const std::string& autoStart, const std::string& paths = "") {
    std::string p =
        paths.empty() ? "[Pfade]\nLinks=" + left.Path() + "\nRechts=" + right.Path() + "\n" : paths;
    dir.Write("steuer.ini", p + "[AutoStart]\n" + autoStart);
    return dir.Path("steuer.ini");
  }
  // The lines of the one batch error message, which is then cleared.
  std::string Errors() {
    EXPECT_EQ(port.messages.size(), 1u);
    if (port.messages.empty()) return "";
    EXPECT_EQ(port.messages[0].icon, MsgIcon::kCritical);
    std::string t = port.messages[0].text;
    port.messages.clear();
    const std::string head =
        "Sie haben Zweiblick im Batch-Modus aufgerufen. Dabei kam es zu folgendem Fehler:\r\r";
    const std::string tail =
        "\rDer Batch-Modus wird daher unterbrochen. Bitte überprüfen Sie Ihre Angaben und starten "
        "Sie erneut.";
    EXPECT_EQ(t.substr(0, head.size()), head);
    EXPECT_EQ(t.substr(t.size() - tail.size()), tail);
    return t.substr(head.size(), t.size() - head.size() - tail.size());
  }
};

TEST_F(Batch, ControlFileAndFolderChecks) {
  EXPECT_EQ(StartBatchMode(w, "   "), BatchOutcome::kNone);
  EXPECT_FALSE(w.Batch().BatchActive);
  EXPECT_TRUE(port.messages.empty());
  StartBatchMode(w, " \"" + dir.Path("nix.ini") + "\" ");
  EXPECT_EQ(Errors(),
            " * Die Steuerdatei ''\"" + dir.Path("nix.ini") + "\"'' wurde nicht gefunden.\r");
  EXPECT_FALSE(w.Batch().BatchActive);
  StartBatchMode(w, dir.Path());
  EXPECT_EQ(Errors(), " * Der angegebene Name ''" + dir.Path() +
                          "''bezeichnet ein Verzeichnis, keine Datei.\r");
  StartBatchMode(w, "bare-name-nowhere.ini");  // looked for beside the program
  EXPECT_EQ(Errors(), " * Die Steuerdatei ''" + ProgramFolder() +
                          "bare-name-nowhere.ini'' wurde nicht gefunden.\r");
  // A FIFO is no control file, and reading it must not hang.
  ASSERT_EQ(mkfifo(dir.Path("pipe.ini").c_str(), 0600), 0);
  auto run =
      std::async(std::launch::async, [&] { return StartBatchMode(w, dir.Path("pipe.ini")); });
  ASSERT_EQ(run.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "hangs on a FIFO";
  EXPECT_EQ(Errors(),
            " * Die Steuerdatei ''" + dir.Path("pipe.ini") + "'' wurde nicht gefunden.\r");
  EXPECT_EQ(w.Liste().Count(), 0);
  left.Write("only-subfolders/sub/f", "f");
  StartBatchMode(w, Control("", "[Pfade]\nRechts=" + left.Path("a.txt") + "\n"));
  EXPECT_EQ(Errors(),
            " * Der Verzeichnispfad '''' für die linke Spalte existiert nicht.\r"
            " * Der Verzeichnispfad ''" +
                left.Path("a.txt") +
                "/'' für die rechte Spalte bezeichnet eine Datei, keinen Ordner.\r");
  // Folders that lie one in the other, by name or through a link.
  ASSERT_EQ(symlink(left.Path().c_str(), right.Path("to-left").c_str()), 0);
  const std::pair<std::string, std::string> nested[] = {
      {left.Path(), left.Path("only-subfolders")},
      {right.Path("to-left/only-subfolders"), left.Path()}};
  for (auto [l, r] : nested) {
    StartBatchMode(w, Control("", "[Pfade]\nLinks=" + l + "\nRechts=" + r + "\n"));
    EXPECT_EQ(Errors(), " * Die Ordner ''" + l + "/'' und ''" + r +
                            "/'' liegen ineinander: ein Abgleich würde einen in den anderen "
                            "kopieren.\r");
  }
  StartBatchMode(
      w, Control("", "[Pfade]\nLinks=" + left.Path() + "\nRechts=" + right.Path("to-left") + "\n"));
  EXPECT_EQ(Errors(), " * Die Ordner ''" + left.Dir() + "'' und ''" + right.Path("to-left") +
                          "/'' sind derselbe Ordner: er lässt sich nicht mit sich selbst "
                          "vergleichen.\r");
  // An existing folder is accepted whatever it holds: a tree sorted into
  // subfolders, or a new, empty stick.
  right.Mkdir("empty");
  EXPECT_EQ(StartBatchMode(w, Control("", "[Pfade]\nLinks=" + left.Path("only-subfolders") +
                                              "\nRechts=" + right.Path("empty") + "\n")),
            BatchOutcome::kDone);
  EXPECT_TRUE(port.messages.empty()) << port.messages[0].text;
  ASSERT_EQ(w.Liste().Count(), 1);
  EXPECT_EQ(w.Liste().Text(1, kLeftNameColumn), "sub/f");
}

TEST_F(Batch, SwitchCombinationsAreCheckedInOrder) {
  // The switches, then the lines of the error message.
  const std::pair<const char*, const char*> cases[] = {
      {"Ende=1\n",
       " * Sie haben keinen Vergleichstyps eingestellt, sondern nur das autom. Ende des "
       "Programms.\r"},
      {"Altersvergleich=1\nEnde=1\n",
       " * In der jetzigen Einstellung haben Sie nichts vom Vergleichsergebnis, da das Programm "
       "ohne Abgleich und/oder Kopie in die Zwischenablage enden soll.\r"},
      {"Binärvergleich=1\nAbgleich=1\n",
       " * Ein Abgleich ist für Binärvergleiche nicht verfügbar.\r"},
      {"Binärvergleich=1\nAltersvergleich=2\nAbgleich=-1\n",
       " * Sie haben sowohl Binär- als auch Altersvergleich angefordert - diese schliessen "
       "einander aus.\r"
       " * Ein Abgleich ist für Binärvergleiche nicht verfügbar.\r"},
      {"Abgleich=1\nZwischenablage=1\nEnde=ja\n",
       " * Sie haben einen Abgleich ohne Angabe des Vergleichstyps angefordert.\r"
       " * Sie haben eine Kopie in die Zwischenablage ohne Angabe des Vergleichstyps "
       "angefordert.\r"},
      {"Altersvergleich=1\nZwischenablage=1\nVorschl\xE4ge=1\n",
       " * Sie haben die Ausführung der Vorschläge ohne Altersvergleich und Abgleich "
       "angefordert.\r"},
  };
  for (auto [switches, lines] : cases) {
    StartBatchMode(w, Control(switches));
    EXPECT_EQ(Errors(), lines) << switches;
    EXPECT_EQ(w.Liste().Count(), 0) << "nothing is filled before the checks pass";
  }
}

TEST_F(Batch, PathsOnlyOrBinaryWithClipboardStayInteractive) {
  EXPECT_EQ(StartBatchMode(w, Control("")), BatchOutcome::kDone);
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(w.Liste().Count(), 2);
  EXPECT_EQ(w.Liste().Text(1, 3), "a.txt");
  EXPECT_EQ(w.Liste().Text(1, 2), "");
  EXPECT_FALSE(w.Batch().BatchActive);
  // The summary comes first, then the list goes to the clipboard.
  StartBatchMode(w, Control("Binärvergleich=1\nZwischenablage=1\n"));
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].icon, MsgIcon::kInformation);
  EXPECT_EQ(port.clipboard, "a.txt\t=\ta.txt\r\nnew.txt\t<>\tnew.txt\r\n");
  EXPECT_EQ(port.ended, 0);
}

// A control file without steps is a saved folder pair with its exclusions.
TEST_F(Batch, FilterSectionLeavesNamesOutOfBothColumnsAndIsChecked) {
  const std::string paths = "[Pfade]\nLinks=" + left.Path() + "\nRechts=" + right.Path() + "\n";
  StartBatchMode(w, Control("", paths + "[Filter]\nAusnahmen=!*.o; cache/;a**\nDotfiles=1\n"));
  EXPECT_EQ(Errors(),
            " * Der Schlüssel ''Dotfiles'' im Abschnitt [Filter] ist unbekannt; dort gelten nur "
            "Ausnahmen und Punktdateien.\r"
            " * Das Muster ''!*.o'' unter [Filter] Ausnahmen ist ungültig: ein ! am Anfang "
            "(Umkehrung) wird nicht unterstützt.\r"
            " * Das Muster ''a**'' unter [Filter] Ausnahmen ist ungültig: ** steht nur allein "
            "zwischen zwei /.\r");
  EXPECT_EQ(w.Liste().Count(), 0);
  EXPECT_TRUE(port.frameCaptions.empty());
  left.Write("Cache/x.bin", "x");
  right.Write("sub/cache/y.bin", "y");
  right.Write("cache", "a file, not a folder");
  left.Write("neu.TMP", "t");
  left.Write(".git/config", "c");
  right.Write(".zweiblick-x-1.tmp", "a copy under way");
  right.Write(".Trash-0/files/old.txt", "what a run deleted");
  // Only ".Trash-" with a user's number as it is written is a trash.
  left.Write(".Trash-1000x/mine.txt", "a folder of the user's");
  right.Write(".Trash-01000/mine.txt", "another");
  // A folder left out is not looked at: a link to one is left out with it, and
  // so is whatever a folder-only pattern names that cannot be examined.
  left.Mkdir("lib");
  right.Mkdir("lib");
  ASSERT_EQ(symlink("../Cache", left.Path("lib/cache").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", right.Path("lib/CACHE").c_str()), 0);
  left.Mkdir("share/cache");
  testing::SlowFsMount share(left.Path("share/cache"), "");
  share.Kill();  // without FUSE an empty folder, left out all the same
  // The home trash holds the old versions a run put there, under any name.
  left.Write(".local/share/Trash/files/alt.txt", "what a run replaced");
  ASSERT_EQ(symlink(left.Path(".local/share/Trash").c_str(), right.Path("papierkorb").c_str()), 0);
  struct DataHome {
    std::string saved = getenv("XDG_DATA_HOME") ? getenv("XDG_DATA_HOME") : "";
    explicit DataHome(const std::string& path) { setenv("XDG_DATA_HOME", path.c_str(), 1); }
    ~DataHome() {
      saved.empty() ? unsetenv("XDG_DATA_HOME") : setenv("XDG_DATA_HOME", saved.c_str(), 1);
    }
  } dataHome(left.Path(".local/share"));
  EXPECT_EQ(StartBatchMode(w, Control("", paths + "[filter]\nausnahmen = cache/ ; *.tmp\n"
                                                  "Punktdateien=1\n")),
            BatchOutcome::kDone);
  for (auto& m : port.messages) ADD_FAILURE() << m.text;
  EXPECT_EQ(Rows(), (std::vector<std::vector<std::string>>{{"", "", "cache"},
                                                           {"", "", ".Trash-01000/mine.txt"},
                                                           {".git/config", "", ""},
                                                           {".Trash-1000x/mine.txt", "", ""},
                                                           {"a.txt", "", "a.txt"},
                                                           {"new.txt", "", "new.txt"}}));
  EXPECT_EQ(port.frameCaptions["Frame1"],
            "Vergleichsliste – ohne cache/; *.tmp – mit Punktdateien");
}

// A control file is acted on whole or not at all: a value cut to the profile
// buffer, a tail past the size read or a second exclusion list would copy
// what the file leaves out, or delete for good what it sends to the trash.
TEST_F(Batch, ControlFileIsRefusedRatherThanReadInPart) {
  left.Write("cache/x.bin", "x");
  const std::string run = "Altersvergleich=1\nAbgleich=1\nVorschl\xE4ge=1\n";
  std::string padding;
  while (padding.size() <= kMaxIniFileSize) padding += "; Platz für Anmerkungen\n";
  const std::string name = dir.Path("steuer.ini");
  struct Case {
    std::string text, lines, rightEnd = "";
  };
  const Case cases[] = {
      {run + padding + "[Filter]\nAusnahmen=cache/\n",
       " * Die Steuerdatei ''" + name + "'' ist größer als 1 MiB und wird daher nicht gelesen.\r"},
      {run + "[Filter]\nAusnahmen=" + std::string(kMaxIniValueChars, ';') + "cache/\n",
       " * Der Wert von ''Ausnahmen'' im Abschnitt [Filter] ist länger als 32766 Zeichen.\r"},
      {run + "Papierkorb=" + std::string(kMaxIniValueChars, '0') + "1\n",
       " * Der Wert von ''Papierkorb'' im Abschnitt [AutoStart] ist länger als 32766 Zeichen und "
       "würde gekürzt anders gelesen.\r"},
      {run + "[Filter]\nPunktdateien=0\nAusnahmen=*.tmp\nausnahmen=cache/"
             "\n[filter]\nPunktdateien=1\n",
       " * Der Schlüssel ''ausnahmen'' im Abschnitt [Filter] kommt doppelt vor.\r"
       " * Der Abschnitt [Filter] kommt doppelt vor.\r"
       " * Der Schlüssel ''Punktdateien'' im Abschnitt [Filter] kommt doppelt vor.\r"},
      // A NUL would end the message early: it is shown as "\0". A path with
      // one names no folder, not the folder before it.
      {run + "[Filter]\nPunkt\0dateien=1\n"s,
       " * Der Schlüssel ''Punkt\\0dateien'' im Abschnitt [Filter] ist unbekannt; dort gelten nur "
       "Ausnahmen und Punktdateien.\r"},
      {run,
       " * Der Verzeichnispfad ''" + right.Path() +
           "\\0/'' für die rechte Spalte existiert nicht.\r",
       "\0"s},
  };
  for (const auto& [text, lines, rightEnd] : cases) {
    dir.Write("steuer.ini", "[Pfade]\nLinks=" + left.Path() + "\nRechts=" + right.Path() +
                                rightEnd + "\n[AutoStart]\n" + text);
    EXPECT_EQ(StartBatchMode(w, name), BatchOutcome::kRejected) << lines;
    EXPECT_EQ(Errors(), lines);
    EXPECT_EQ(w.Liste().Count(), 0) << lines;
    EXPECT_FALSE(right.Exists("cache/x.bin")) << lines;
    EXPECT_EQ(right.Read("new.txt"), "older") << lines;
  }
}

TEST_F(Batch, AgeSyncEndRunsWithoutQuestionsAndCopiesProposalsOnlyWhenAsked) {
  left.Write("nur-links/l.txt", "L");
  right.Write("nur-rechts.txt", "R");
  w.SetSofortStart(true);  // ignored in batch mode
  SyncTally tally;
  StartBatchMode(w, Control("Altersvergleich=1\nAbgleich=1\nEnde=1\nPapierkorb=-\n"), &tally);
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(right.Read("new.txt"), "newer");
  EXPECT_EQ(port.ended, 1);
  EXPECT_FALSE(w.BinaryCompareSelected());
  EXPECT_FALSE(right.Exists("nur-links/l.txt"));
  EXPECT_FALSE(left.Exists("nur-rechts.txt"));
  EXPECT_EQ(tally.copied, 1);
  EXPECT_EQ(tally.trashed, 1);  // a Papierkorb that reads no digit keeps the trash
  EXPECT_EQ(tally.proposals, 2);
  // "Ende" ended that program; this is the next one.
  MainWindow next{port};
  StartBatchMode(next, Control("Altersvergleich=1\nAbgleich=1\nVorschläge=1\n"), &tally);
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(right.Read("nur-links/l.txt"), "L");
  EXPECT_EQ(left.Read("nur-rechts.txt"), "R");
  EXPECT_EQ(next.Liste().Count(), 0);
  EXPECT_EQ(tally.copied, 2);
  EXPECT_EQ(tally.proposals, 0);
}

TEST_F(Batch, ClipboardTextOfEveryRowEndsInCrLf) {
  w.CompModeOptClick(0);
  w.BtnClick(kBtnClipboard);  // an empty list replaces the clipboard with an empty text
  EXPECT_EQ(port.clipboard, "");
  ComparisonList& l = w.Liste();
  l.Add(1, "links.txt");
  l.Add(2, "");
  l.SetText(2, kRightNameColumn, "nur rechts");
  l.SetText(2, kMarkerColumn, "? <--");
  l.Add(3, "a\tb");
  w.BtnClick(kBtnClipboard);
  EXPECT_EQ(port.clipboard, "links.txt\t\t\r\n\t? <--\tnur rechts\r\na\tb\t\t\r\n");
  EXPECT_EQ(port.statusHistory,
            (std::vector<std::string>{
                "Status: Liste wird in die Zwischenablage kopiert ...", "Status: Fertig.",
                "Status: Liste wird in die Zwischenablage kopiert ...", "Status: Fertig."}));
  EXPECT_EQ(port.progress, 0);
  EXPECT_EQ(port.yields, 0);
  EXPECT_FALSE(port.busy);
}

}  // namespace
}  // namespace zweiblick
