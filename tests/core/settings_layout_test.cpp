#include <gtest/gtest.h>

#include <map>

#include "fake_window.h"
#include "layout/modresize_app.h"
#include "mainwindow/main_window.h"
#include "settings/app_settings.h"

namespace zweiblick {
namespace {

using testing::FakeWindow;

struct MemoryStore : SettingsStore {
  std::map<std::string, std::string> values;
  std::optional<std::string> Read(const std::string& section, const std::string& key) override {
    auto it = values.find(section + "/" + key);
    if (it == values.end()) return std::nullopt;
    return it->second;
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

TEST(Settings, StoredPositionIsUsedOnlyWhenItsCornerLiesOnTheScreen) {
  const ScreenSize screen{15360, 11520};  // 1024 x 768 pixels
  struct Case {
    const char* top;
    const char* left;
    int wantTop, wantLeft;
  } cases[] = {
      {nullptr, nullptr, 2260, 3180},  // first start: centred
      {"0", "500", 2260, 3180},        // strictly greater than 0
      {"500", "15360", 2260, 3180},    // strictly less than the screen width
      {"1", "1", 1, 1},
      {"11519", "15359", 11519, 15359},  // only the corner counts
      {"oben", "500", 2260, 3180},       // not a number: as if missing
      {" 600 ", "700.4", 600, 700},
  };
  for (const Case& c : cases) {
    MemoryStore store;
    if (c.top) store.values["Zweiblick/_Top"] = c.top;
    if (c.left) store.values["Zweiblick/_Left"] = c.left;
    Form form;
    RestoreWindowPosition(form, store, screen);
    EXPECT_EQ(form.top, c.wantTop) << (c.top ? c.top : "none");
    EXPECT_EQ(form.left, c.wantLeft) << (c.left ? c.left : "none");
  }
}

TEST(Settings, CentringRoundsTowardZeroAndGoesNegativeForLargeForms) {
  Form form;
  form.width = 15360 + 301;
  form.height = 11520 + 1;
  CenterFormOnScreen(form, {15360, 11520});
  EXPECT_EQ(form.left, -150);
  EXPECT_EQ(form.top, 0);
  MemoryStore store;
  form.left = 1234;
  form.top = 4321;
  SaveWindowPosition(form, store);
  EXPECT_EQ(store.values["Zweiblick/_Top"], "4321");
  EXPECT_EQ(store.values["Zweiblick/_Left"], "1234");
  EXPECT_EQ(GetAppSetting(store, "_Missing", "-1"), "-1");
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

TEST(Layout, RecordsTheDesignGeometryInTags) {
  DesignForm form;
  ModresizeApp app;
  app.ResizeFormControls(form, true);
  EXPECT_EQ(form[LayoutPart::kListe].tag, "120:240:8355:3555");
  EXPECT_EQ(form[LayoutPart::kColumn1].tag, "0:0:3777:0");
  EXPECT_EQ(GetField("1:2:3:4", 3, ":"), "3");
  EXPECT_EQ(GetField("1:2:3:4", 5, ":"), "");
  EXPECT_EQ(GetField("", 1, ":"), "");
  EXPECT_EQ(GetField("a b", 2, ""), "b");
  EXPECT_EQ(GetField("aXbxc", 2, "x", false), "b");
}

TEST(Layout, ControlsFollowTheWindowFromTheirRecordedGeometry) {
  DesignForm form;
  ModresizeApp app;
  app.ResizeFormControls(form, false);  // before recording: nothing moves
  EXPECT_EQ(form[LayoutPart::kListe].w, 8355);
  app.ResizeFormControls(form, true);
  form[LayoutPart::kWindow].w += 1000;
  form[LayoutPart::kWindow].h += 600;
  form[LayoutPart::kColumn1].w = 10;  // the user dragged the column
  app.ResizeFormControls(form, false);
  EXPECT_EQ(form[LayoutPart::kListe].w, 9355);
  EXPECT_EQ(form[LayoutPart::kListe].h, 4155);
  EXPECT_EQ(form[LayoutPart::kFrame1].w, 9595);
  EXPECT_EQ(form[LayoutPart::kFrame1].h, 4995);
  EXPECT_EQ(form[LayoutPart::kFrame3].w, 9595);
  EXPECT_EQ(form[LayoutPart::kFrame3].t, 5160);
  EXPECT_EQ(form[LayoutPart::kFrame2].t, 4500);
  EXPECT_EQ(form[LayoutPart::kFrame2].w, 6255);
  EXPECT_EQ(form[LayoutPart::kFrame4].l, 6460);
  EXPECT_EQ(form[LayoutPart::kBtn1].l, 8140);
  EXPECT_EQ(form[LayoutPart::kBtn1].t, 4560);
  EXPECT_EQ(form[LayoutPart::kColumn1].w, 4277);
  EXPECT_EQ(form[LayoutPart::kColumn3].w, 4277);

  // Narrower than at start: the width snaps back, the height still follows.
  form[LayoutPart::kWindow].w = 5000;
  app.ResizeFormControls(form, false);
  EXPECT_EQ(form[LayoutPart::kWindow].w, 8730);
  EXPECT_EQ(app.DeltaWidth, 0);
  EXPECT_EQ(form[LayoutPart::kListe].w, 8355);
  EXPECT_EQ(form[LayoutPart::kListe].h, 4155);
  EXPECT_EQ(form[LayoutPart::kColumn3].w, 3777);
}

TEST(WindowOptions, ToolTipsOnOffOnAndStayOnTop) {
  FakeWindow port;
  MainWindow w{port};
  w.Load("");
  EXPECT_EQ(port.toolTips.size(), 15u);
  EXPECT_EQ(port.toolTips["SpeedCheck"],
            "Erhöht die Performance von Zweiblick zu Lasten anderer Tasks.");
  EXPECT_EQ(port.toolTips["Liste"],
            "Die zu vergleichenden Verzeichnisse zunächst in die linke und dann in die rechte "
            "Spalte ziehen.");
  w.ToolTipCheckClick(false);
  for (auto& [control, text] : port.toolTips) {
    if (control == "Btn0" || control == "Btn1")
      EXPECT_EQ(text, "Öffnet einen Dialog zur Verzeichnisauswahl");
    else
      EXPECT_EQ(text, "") << control;
  }
  w.ToolTipCheckClick(true);
  EXPECT_EQ(port.toolTips["Btn9"], "Beendet das Programm.");
  w.MyTopMostChkClick(true);
  EXPECT_TRUE(port.topMost);
  w.MyTopMostChkClick(false);
  EXPECT_FALSE(port.topMost);
}

}  // namespace
}  // namespace zweiblick
