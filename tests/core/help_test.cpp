// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "fake_window.h"
#include "help/info_dialog.h"
#include "help/online_help.h"
#include "help/text_rules.h"
#include "mainwindow/main_window.h"
#include "temp_tree.h"

namespace zweiblick {
namespace {

// The version the build gives the program, as the texts write it.
const std::string kMajorMinor =
    std::to_string(ZWEIBLICK_VERSION_MAJOR) + "." + std::to_string(ZWEIBLICK_VERSION_MINOR);
const std::string kVersion = kMajorMinor + "." + std::to_string(ZWEIBLICK_VERSION_PATCH);

using testing::TempTree;

struct OpenRecorder : testing::FakeWindow {
  std::vector<std::pair<std::string, bool>> opened;
  bool taken = true;  // whether a browser takes what is opened
  bool OpenWithDesktop(const std::string& target, bool maximised) override {
    opened.push_back({target, maximised});
    return taken;
  }
};

TEST(OnlineHelp, CandidatesInTheirOrderAndAMessageWhenThereIsNone) {
  OpenRecorder port;
  MainWindow w{port};
  w.BtnClick(kBtnHelp);  // the test program's folder holds no help pages
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text, "Die Online-Hilfe konnte leider nicht gefunden werden ...");
  EXPECT_EQ(port.messages[0].icon, MsgIcon::kInformation);
  EXPECT_TRUE(port.opened.empty());
  TempTree program;
  std::string folder = program.Dir();
  EXPECT_EQ(FindHelpFile(folder), "");
  program.Write("hilfe/index.htm", "x");
  EXPECT_EQ(FindHelpFile(folder), folder + "hilfe/index.htm");
  program.Write("index.html", "x");  // beside the program wins over the subfolder
  EXPECT_EQ(FindHelpFile(folder), folder + "index.html");
  program.Write("hilfe.htm", "x");  // the name switch is outside the extension switch
  EXPECT_EQ(FindHelpFile(folder), folder + "index.html");
  program.Mkdir("index.htm");  // a folder of that name does not count
  EXPECT_EQ(FindHelpFile(folder), folder + "index.html");
  EXPECT_FALSE(FileExists(""));
  program.Write(".hidden.htm", "x");
  EXPECT_FALSE(FileExists(folder + ".hidden.htm"));
}

TEST(TextRules, VersionsPlaceholdersAndEscapes) {
  ProgramVersion v{2, 6, 3};
  EXPECT_EQ(VersionText(0, v), " (V2.6.3)");
  EXPECT_EQ(VersionText(0x101, v), "2.6");
  EXPECT_EQ(VersionText(2, v), "");
  for (auto [revision, letter] :
       {std::pair{100, "a"}, {200, "b"}, {150, "b"}, {250, "b"}, {2600, "z"}}) {
    v.revision = revision;
    EXPECT_EQ(VersionText(0x101, v), std::string("2.6") + letter) << revision;
  }
  EXPECT_EQ(VersionNumberText(PackSystemVersion(5, 1, 2600, 2)), "5.1.2600");
  EXPECT_EQ(VersionNumberText(PackSystemVersion(0, 0, (4u << 24) | (10u << 16) | 1998u, 1)),
            "4.10.1998");
  EXPECT_EQ(FormatPlaceholders("%1-%2-%3", {"x", "y"}), "x-y-");
  std::string tenth[10] = {"x", "", "", "", "", "", "", "", "", "z"};
  EXPECT_EQ(FormatPlaceholders("%10", tenth), "z");
  EXPECT_EQ(FormatPlaceholders("%1", {"%2", "y"}), "y");
  EXPECT_EQ(FormatPlaceholders("100% %", {"x"}), "100% %");
  EXPECT_EQ(ExpandEscapes("a\\tb"), "a\tb");
  EXPECT_EQ(ExpandEscapes("\\N\\n\\L\\h"), "\r\r\n\"");
  EXPECT_EQ(ExpandEscapes("a\\\\b\\x\\"), "a\\bx");
  EXPECT_EQ(FormatText("%1", {"C:\\Temp"}), "C:\temp");
}

TEST(InfoDialog, TextsAndAddressesAndHowTheyOpen) {
  std::string text = InfoText(2026);
  EXPECT_EQ(text.substr(0, text.find('\r')),
            "Zweiblick (V" + kMajorMinor +
                ") \xE2\x80\x93 Verzeichnisvergleiche unter Linux leicht gemacht");
  EXPECT_PRED_FORMAT2(::testing::IsSubstring, "\r\rCopyright \xC2\xA9 2003-2026 ", text);
  EXPECT_PRED_FORMAT2(::testing::IsSubstring,
                      "\r\rVerbesserungsvorschläge sind mir immer gern willkommen.", text);
  std::string update = UpdateAddress();
  EXPECT_EQ(update, "www.melkart.example/?find_update&app=zweiblick&ver=" + kVersion +
                        "&win=" + WindowsVersionText());
  EXPECT_EQ(SupportMailLink(), "mailto:support@melkart.example?subject=Ihre Software Zweiblick (V" +
                                   kMajorMinor + ") unter Linux " + WindowsVersionText());
  OpenRecorder port;
  UpdateButtonClick(port);
  MailButtonClick(port);
  PictureClick(port);
  OpenDocument(port, "/usr/share/doc/x.html", ShowCommand::kDefault);  // a path stays as it is
  ASSERT_EQ(port.opened.size(), 4u);
  EXPECT_EQ(port.opened[0], std::make_pair("http://" + update, false));
  EXPECT_EQ(port.opened[1].first, SupportMailLink());
  EXPECT_EQ(port.opened[2], std::make_pair(std::string("http://www.melkart.example"), true));
  EXPECT_EQ(port.opened[3], std::make_pair(std::string("/usr/share/doc/x.html"), false));
}

}  // namespace
}  // namespace zweiblick
