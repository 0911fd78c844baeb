// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "fake_window.h"
#include "help/info_dialog.h"
#include "layout/modresize_app.h"
#include "mainwindow/captions.h"
#include "mainwindow/main_window.h"
#include "mainwindow/window_options.h"
#include "settings/app_settings.h"

namespace zweiblick {
namespace {

using testing::FakeWindow;

struct MemoryStore : SettingsStore {
  std::map<std::string, std::string> values;
  std::optional<std::string> Read(const std::string& section, const std::string& key) override {
    auto it = values.find(section + "/" + key);
    return it == values.end() ? std::nullopt : std::optional(it->second);
  }
  void Write(const std::string& section, const std::string& key,
             const std::string& value) override {
    values[section + "/" + key] = value;
  }
};

struct Form : FormPlacement {
  int left = 7, top = 7, width = 9000, height = 7000;
  int Left() const override { return left; }
  int Top() const override { return top; }
  int Width() const override { return width; }
  int Height() const override { return height; }
  void SetLeft(int v) override { left = v; }
  void SetTop(int v) override { top = v; }
};

// The stored top and left, then the top and left wanted, for a form of 9000 x 7000.
using PositionCase = std::tuple<const char*, const char*, int, int>;

void ExpectRestored(const std::vector<ScreenArea>& screens,
                    std::initializer_list<PositionCase> cases) {
  for (auto [top, left, wantTop, wantLeft] : cases) {
    MemoryStore store;
    if (top) store.values["Zweiblick/_Top"] = top;
    if (left) store.values["Zweiblick/_Left"] = left;
    Form form;
    RestoreWindowPosition(form, store, screens);
    EXPECT_EQ(std::pair(form.top, form.left), std::pair(wantTop, wantLeft))
        << (top ? top : "none") << ", " << (left ? left : "none");
  }
}

TEST(Settings, StoredPositionIsUsedOnlyWhenItsCornerLiesOnTheScreen) {
  ExpectRestored({{0, 0, 15360, 11520}},  // 1024 x 768 pixels
                 {
                     {nullptr, nullptr, 2260, 3180},  // first start: centred
                     {"0", "500", 2260, 3180},        // strictly greater than 0
                     {"500", "15360", 2260, 3180},    // strictly less than the screen width
                     {"1", "1", 1, 1},
                     {"5000", "8000", 5000, 8000},    // the rest may reach beyond the edge
                     {"11519", "15359", 2260, 3180},  // but a sliver on the screen is off it
                     {"oben", "500", 2260, 3180},     // not a number: as if missing
                     {" 600 ", "700.4", 600, 700},
                     {"600", "99999999999", 2260, 3180},  // beyond what a position holds
                     {"1e300", "500", 2260, 3180},
                 });
}

TEST(Settings, APositionOffEveryScreenGoesToThePrimaryScreen) {
  const ScreenArea left{0, 0, 15360, 11520}, right{15360, 0, 15360, 11520};
  // Two screens side by side: the window may stand on either, or across both.
  ExpectRestored({left, right}, {
                                    {"3000", "20000", 3000, 20000},
                                    {"3000", "12000", 3000, 12000},
                                    {"3000", "30719", 2260, 3180},
                                });
  // The right screen is gone: its window comes to the one that is left.
  ExpectRestored({left}, {{"3000", "20000", 2260, 3180}});
  // The primary screen stands right of the other: centring goes there.
  ExpectRestored({right, left}, {
                                    {nullptr, nullptr, 2260, 15360 + 3180},
                                    {"3000", "1000", 3000, 1000},
                                });
  // Stored at scale 1 at 800, 300 pixels; at scale 2 the screen is 960 x 540
  // and the window's corner is on it, but most of the window is not.
  ExpectRestored({{0, 0, 14400, 8100}}, {
                                            {"4500", "12000", 550, 2700},
                                            {"450", "1500", 450, 1500},
                                        });
}

// A window that only the compositor places, as under Wayland.
struct CompositorPlacedWindow : FakeWindow {
  MemoryStore store;
  Form form;
  bool placesItself = false;
  std::map<Option, bool> enabled;
  SettingsStore* Settings() override { return &store; }
  FormPlacement* Placement() override { return &form; }
  std::vector<ScreenArea> Screens() override { return {{0, 0, 15360, 11520}}; }
  bool PlacesItself() override { return placesItself; }
  void EnableOption(Option o, bool on) override { enabled[o] = on; }
};

TEST(Settings, WhereOnlyTheCompositorPlacesWindowsNoPositionIsTakenOrStored) {
  CompositorPlacedWindow port;
  port.store.values["Zweiblick/_Top"] = "600";
  port.store.values["Zweiblick/_Left"] = "700";
  MainWindow w(port);
  w.Load("");
  EXPECT_EQ(std::pair(port.form.top, port.form.left), std::pair(7, 7));
  EXPECT_FALSE(port.enabled.at(Option::kTopMost));
  EXPECT_EQ(port.toolTips["MyTopMostChk"], kTopMostUnavailable);
  w.ToolTipCheckClick(false);
  EXPECT_EQ(port.toolTips["MyTopMostChk"], kTopMostUnavailable);  // it explains, so it stays
  port.form.left = 0;
  w.Unload();
  EXPECT_EQ(port.store.values["Zweiblick/_Left"], "700");

  CompositorPlacedWindow x11;
  x11.placesItself = true;
  x11.store = port.store;
  MainWindow again(x11);
  again.Load("");
  EXPECT_EQ(std::pair(x11.form.top, x11.form.left), std::pair(600, 700));
  EXPECT_TRUE(x11.enabled.empty());
  EXPECT_FALSE(x11.toolTips.count("MyTopMostChk"));
}

TEST(Settings, CentringSavingAndTheInfoDialogsPlace) {
  Form form;
  form.width = 15360 + 301;
  form.height = 11520 + 1;
  CenterFormOnScreen(form, {15360, 11520});
  EXPECT_EQ(std::pair(form.left, form.top), std::pair(-150, 0));
  MemoryStore store;
  SaveWindowPosition(form, store);
  EXPECT_EQ(store.values["Zweiblick/_Top"], "0");
  EXPECT_EQ(store.values["Zweiblick/_Left"], "-150");
  // The info dialog goes top left on small screens and is centred otherwise.
  for (auto [w, h] : {std::pair{640, 480}, {1024, 480}, {640, 1024}}) {
    Form dialog;
    PlaceInfoDialog(dialog, {w * 15, h * 15});
    EXPECT_EQ(std::pair(dialog.left, dialog.top), std::pair(0, 0)) << w << "x" << h;
  }
  Form dialog;
  PlaceInfoDialog(dialog, {800 * 15, 600 * 15});
  EXPECT_EQ(std::pair(dialog.left, dialog.top), std::pair((12000 - 9000) / 2, (9000 - 7000) / 2));
}

struct Box : LayoutObject {
  float l, t, w, h;
  std::string tag;
  Box(float l, float t, float w, float h) : l(l), t(t), w(w), h(h) {}
  float Left() const override { return l; }
  float Top() const override { return t; }
  float Width() const override { return w; }
  float Height() const override { return h; }
  void SetLeft(float v) override { l = v; }
  void SetTop(float v) override { t = v; }
  void SetWidth(float v) override { w = v; }
  void SetHeight(float v) override { h = v; }
  std::string Tag() const override { return tag; }
  void SetTag(const std::string& s) override { tag = s; }
  std::vector<float> Geometry() const { return {l, t, w, h}; }
};

struct DesignForm : LayoutForm {
  std::map<LayoutPart, Box> boxes{
      {LayoutPart::kWindow, {0, 0, 8730, 6210}},     {LayoutPart::kListe, {120, 240, 8355, 3555}},
      {LayoutPart::kFrame1, {60, 60, 8595, 4395}},   {LayoutPart::kFrame2, {120, 3900, 6255, 435}},
      {LayoutPart::kFrame3, {60, 4560, 8595, 1335}}, {LayoutPart::kFrame4, {5460, 240, 3075, 1035}},
      {LayoutPart::kBtn1, {7140, 3960, 1395, 375}},  {LayoutPart::kColumn1, {0, 99, 3777, 99}},
      {LayoutPart::kColumn3, {4577, 99, 3777, 99}},
  };
  LayoutObject& Part(LayoutPart p) override { return boxes.at(p); }
  Box& operator[](LayoutPart p) { return boxes.at(p); }
};

TEST(Layout, ControlsFollowTheWindowFromTheGeometryRecordedInTheirTags) {
  using P = LayoutPart;
  DesignForm form;
  ModresizeApp app;
  app.ResizeFormControls(form, false);  // before recording: nothing moves
  EXPECT_EQ(form[P::kListe].w, 8355);
  app.ResizeFormControls(form, true);
  form[P::kWindow].w += 1000;
  form[P::kWindow].h += 600;
  form[P::kColumn1].w = 10;  // the user dragged the column
  app.ResizeFormControls(form, false);
  EXPECT_EQ(form[P::kListe].Geometry(), (std::vector<float>{120, 240, 9355, 4155}));
  EXPECT_EQ(form[P::kFrame1].Geometry(), (std::vector<float>{60, 60, 9595, 4995}));
  EXPECT_EQ(form[P::kFrame2].Geometry(), (std::vector<float>{120, 4500, 6255, 435}));
  EXPECT_EQ(form[P::kFrame3].Geometry(), (std::vector<float>{60, 5160, 9595, 1335}));
  EXPECT_EQ(form[P::kFrame4].Geometry(), (std::vector<float>{6460, 240, 3075, 1035}));
  EXPECT_EQ(form[P::kBtn1].Geometry(), (std::vector<float>{8140, 4560, 1395, 375}));
  EXPECT_EQ(form[P::kColumn1].w, 4277);
  EXPECT_EQ(form[P::kColumn3].w, 4277);

  // Narrower than at start: the width snaps back, the height still follows.
  form[P::kWindow].w = 5000;
  app.ResizeFormControls(form, false);
  EXPECT_EQ(form[P::kWindow].w, 8730);
  EXPECT_EQ(form[P::kListe].Geometry(), (std::vector<float>{120, 240, 8355, 4155}));
  EXPECT_EQ(form[P::kColumn3].w, 3777);
  EXPECT_EQ(GetField("1:2:3:4", 3, ":"), "3");
  EXPECT_EQ(GetField("1:2:3:4", 5, ":"), "");
  EXPECT_EQ(GetField("", 1, ":"), "");
  EXPECT_EQ(GetField("a b", 2, ""), "b");
  EXPECT_EQ(GetField("aXbxc", 2, "x", false), "b");
}

TEST(WindowOptions, ToolTipsOnOffOnAndStayOnTop) {
  FakeWindow port;
  MainWindow w{port};
  w.Load("");
  EXPECT_EQ(port.toolTips.size(), 18u);
  EXPECT_EQ(port.toolTips["SpeedCheck"],
            "Erhöht die Performance von Zweiblick zu Lasten anderer Tasks.");
  auto on = port.toolTips;
  w.ToolTipCheckClick(false);
  for (auto& [control, text] : port.toolTips) {
    if (control == "Btn0" || control == "Btn1")
      EXPECT_EQ(text, "Öffnet einen Dialog zur Verzeichnisauswahl");
    else if (control == "BtnReload")
      EXPECT_EQ(text, kReloadToolTip);
    else if (control == "BtnUndo")
      EXPECT_EQ(text, kUndoToolTip);
    else
      EXPECT_EQ(text, "") << control;
  }
  w.ToolTipCheckClick(true);
  EXPECT_EQ(port.toolTips, on);
  w.MyTopMostChkClick(true);
  EXPECT_TRUE(port.topMost);
  w.MyTopMostChkClick(false);
  EXPECT_FALSE(port.topMost);
}

}  // namespace
}  // namespace zweiblick
