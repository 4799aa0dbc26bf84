// The main window's component tree as the form builds it: one row per component with its
// class, parent, place, texts, ranges, state and tab order, checked in one pass.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QSlider>
#include <QTabWidget>
#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "app/TForm1.h"
#include "skin/SkinManager.h"
#include "tests/support/TestFiles.h"
#include "ui/TPanel.h"
#include "ui/TRadioGroup.h"
#include "ui/TsCheckBox.h"
#include "ui/TsGauge.h"
#include "ui/TsTrackBar.h"

namespace {

struct Range {
  int min, max, value;
};

enum Flags : unsigned {
  kNone = 0,
  kHidden = 1,       // hidden at start
  kDisabled = 2,     // cannot be operated (itself or through its parent)
  kVertical = 4,     // a vertical track bar
  kAutoWidth = 8,    // the width follows the caption; the design width is for the design font
};

struct Component {
  const char* name;
  const char* className;
  const char* parent;
  int x, y, w, h;
  const char* caption;  // caption, title, or tab caption for pages
  const char* hint;
  std::optional<Range> range = std::nullopt;
  int tabOrder = -1;
  const char* section = "";
  unsigned flags = kNone;
  int thumbLength = 0;
};

// Rows in creation order within each parent.
const std::vector<Component>& components() {
  static const std::vector<Component> rows = {
      {"sPanel1", "TsPanel", "TForm1", 0, 0, 377, 153, "", "", {}, 0, "PANEL"},
      {"Label1", "QLabel", "sPanel1", 56, 108, 2, 13, "|", ""},
      {"sGauge2", "TsGauge", "sPanel1", 296, 112, 73, 9, "", "Volume", Range{0, 10, 5}, -1, "GAUGE"},
      {"Label2", "QLabel", "sPanel1", 191, 108, 2, 13, "|", ""},
      {"sGauge1", "TsGauge", "sPanel1", 32, 120, 225, 9, "", "Position", Range{0, 100, 0}, -1, "GAUGE"},
      {"Label3", "QLabel", "sPanel1", 184, 160, 3, 13, "", ""},
      {"Panel1", "TPanel", "sPanel1", 8, 8, 361, 97, "", "Graphick EQ", {}, 0},
      {"sTrackBar1", "TsTrackBar", "sPanel1", 288, 128, 89, 25, "", "Balans", Range{-5, 5, 0}, 1, "TRACKBAR", kNone, 10},
      {"BitBtn2", "QPushButton", "sPanel1", 40, 136, 25, 17, ">", "", {}, 2},
      {"BitBtn3", "QPushButton", "sPanel1", 64, 136, 25, 17, "||", "", {}, 3},
      {"BitBtn4", "QPushButton", "sPanel1", 88, 136, 25, 17, "X", "", {}, 4},
      {"sBitBtn1", "TsBitBtn", "sPanel1", 112, 136, 25, 17, "mini", "", {}, 5, "BUTTON"},
      {"sBitBtn2", "TsBitBtn", "sPanel1", 5, 120, 25, 17, ">>", "", {}, 6, "BUTTON"},
      {"sBitBtn3", "TsBitBtn", "sPanel1", 261, 120, 25, 17, "<<", "", {}, 7, "BUTTON"},
      {"sBitBtn4", "TsBitBtn", "sPanel1", 136, 136, 25, 17, "max", "", {}, 8, "BUTTON"},

      {"sPageControl1", "TsPageControl", "TForm1", 0, 152, 377, 217, "", "", {}, 1, "PAGECONTROL", kHidden},
      {"sTabSheet1", "TsTabSheet", "sPageControl1", -1, -1, -1, -1, "Play List", "", {}, 0},
      {"sTabSheet2", "TsTabSheet", "sPageControl1", -1, -1, -1, -1, "Effects", "DirectX effects", {}, 1},
      {"sTabSheet3", "TsTabSheet", "sPageControl1", -1, -1, -1, -1, "EQ", "EQ", {}, 2},
      {"sTabSheet4", "TsTabSheet", "sPageControl1", -1, -1, -1, -1, "Graph EQ", "Graph EQ collection", {}, 3},

      {"ListBox1", "QListView", "sTabSheet1", 0, 4, 361, 149, "", "Playlist", {}, 0},
      {"BitBtn1", "QPushButton", "sTabSheet1", 0, 152, 75, 21, "open files", "", {}, 1},
      {"BitBtn5", "QPushButton", "sTabSheet1", 288, 152, 75, 21, "Clear list", "", {}, 2},
      {"CheckBox1", "QCheckBox", "sTabSheet1", 0, 172, 121, 17, "Repeat List", "", {}, 3},
      {"sCheckBox5", "TsCheckBox", "sTabSheet1", 120, 170, 39, 17, "exit ", "", {}, 4, "CHECKBOX", kAutoWidth},
      {"sCheckBox6", "TsCheckBox", "sTabSheet1", 253, 170, 79, 17, "Random List", "", {}, 5, "CHECKBOX", kAutoWidth},

      {"sGroupBox6", "TsGroupBox", "sTabSheet2", 0, 0, 169, 49, "Compressor", "", {}, 0, "GROUPBOX"},
      {"sCheckBox1", "TsCheckBox", "sGroupBox6", 133, 16, 28, 19, " ", "", {}, 0, "CHECKBOX", kAutoWidth},
      {"sTrackBar2", "TsTrackBar", "sGroupBox6", 0, 16, 129, 25, "", "", Range{0, 10, 0}, 1, "TRACKBAR", kNone, 15},
      {"sGroupBox7", "TsGroupBox", "sTabSheet2", 0, 56, 169, 49, "Reverberation", "", {}, 1, "GROUPBOX"},
      {"sTrackBar3", "TsTrackBar", "sGroupBox7", 8, 16, 129, 25, "", "", Range{0, 10, 0}, 0, "TRACKBAR", kNone, 15},
      {"sCheckBox2", "TsCheckBox", "sGroupBox7", 136, 16, 28, 19, " ", "", {}, 1, "CHECKBOX", kAutoWidth},
      {"sGroupBox3", "TsGroupBox", "sTabSheet2", 8, 112, 65, 49, "Echo", "", {}, 2, "GROUPBOX"},
      {"sCheckBox3", "TsCheckBox", "sGroupBox3", 24, 25, 31, 19, "  ", "", {}, 0, "CHECKBOX", kAutoWidth},
      {"sGroupBox5", "TsGroupBox", "sTabSheet2", 80, 112, 65, 49, "Chorus", "", {}, 3, "GROUPBOX"},
      {"sCheckBox4", "TsCheckBox", "sGroupBox5", 32, 26, 28, 19, " ", "", {}, 0, "CHECKBOX", kAutoWidth},
      {"sGroupBox4", "TsGroupBox", "sTabSheet2", 176, 0, 161, 161, "Flanger", "", {}, 4, "GROUPBOX", kDisabled},
      {"sTrackBar5", "TsTrackBar", "sGroupBox4", 8, 24, 25, 110, "", "", Range{0, 10, 0}, 0, "TRACKBAR", kDisabled | kVertical, 15},
      {"sTrackBar6", "TsTrackBar", "sGroupBox4", 32, 24, 25, 110, "", "", Range{0, 10, 0}, 1, "TRACKBAR", kDisabled | kVertical, 15},
      {"sTrackBar7", "TsTrackBar", "sGroupBox4", 56, 24, 25, 110, "", "", Range{0, 10, 0}, 2, "TRACKBAR", kDisabled | kVertical, 15},
      {"sTrackBar8", "TsTrackBar", "sGroupBox4", 88, 24, 25, 110, "", "", Range{0, 10, 0}, 3, "TRACKBAR", kDisabled | kVertical, 15},
      {"sTrackBar9", "TsTrackBar", "sGroupBox4", 120, 24, 45, 110, "", "", Range{0, 10, 0}, 4, "TRACKBAR", kDisabled | kVertical, 15},
      {"sCheckBox7", "TsCheckBox", "sGroupBox4", 160, 136, 28, 19, " ", "", {}, 5, "CHECKBOX", kDisabled | kAutoWidth},
      {"sCheckBox9", "TsCheckBox", "sGroupBox4", 136, 136, 85, 19, "sCheckBox9", "", {}, 6, "CHECKBOX", kDisabled | kAutoWidth},

      {"sTrackBar19", "TsTrackBar", "sTabSheet3", 260, 32, 37, 145, "", "", Range{0, 7, 0}, 0, "TRACKBAR", kVertical, 15},
      {"sTrackBar18", "TsTrackBar", "sTabSheet3", 228, 32, 37, 145, "", "", Range{0, 7, 0}, 1, "TRACKBAR", kVertical, 15},
      {"sTrackBar17", "TsTrackBar", "sTabSheet3", 188, 32, 29, 145, "", "", Range{0, 7, 0}, 2, "TRACKBAR", kVertical, 15},
      {"sTrackBar16", "TsTrackBar", "sTabSheet3", 156, 32, 37, 145, "", "", Range{0, 7, 0}, 3, "TRACKBAR", kVertical, 15},
      {"sTrackBar15", "TsTrackBar", "sTabSheet3", 132, 32, 29, 145, "", "", Range{0, 7, 0}, 4, "TRACKBAR", kVertical, 15},
      {"sTrackBar13", "TsTrackBar", "sTabSheet3", 84, 32, 29, 145, "", "", Range{0, 7, 0}, 5, "TRACKBAR", kVertical, 15},
      {"sTrackBar11", "TsTrackBar", "sTabSheet3", 28, 32, 37, 145, "", "", Range{0, 7, 0}, 6, "TRACKBAR", kVertical, 15},
      {"sTrackBar10", "TsTrackBar", "sTabSheet3", 4, 32, 29, 145, "", "", Range{0, 7, 0}, 7, "TRACKBAR", kVertical, 15},
      {"sTrackBar14", "TsTrackBar", "sTabSheet3", 108, 32, 29, 145, "", "", Range{0, 7, 0}, 8, "TRACKBAR", kVertical, 15},
      {"sCheckBox8", "TsCheckBox", "sTabSheet3", 8, 0, 59, 17, "connect", "", {}, 9, "CHECKBOX", kAutoWidth},
      {"sTrackBar12", "TsTrackBar", "sTabSheet3", 52, 32, 29, 145, "", "", Range{0, 7, 0}, 10, "TRACKBAR", kVertical, 15},

      {"Label4", "QLabel", "sTabSheet4", 208, 32, 32, 13, "Label4", ""},
      {"sRadioGroup1", "TsRadioGroup", "sTabSheet4", 0, 8, 169, 153, "Effect Collection", "", Range{0, 6, 0}, 0, "GROUPBOX"},
      {"TrackBar1", "QSlider", "sTabSheet4", 200, 56, 150, 33, "", "", Range{0, 200, 0}, 1},
      {"TrackBar2", "QSlider", "sTabSheet4", 200, 96, 150, 33, "", "", Range{0, 200, 0}, 2},
      {"RadioGroup1", "TRadioGroup", "sTabSheet4", 72, 136, 81, 49, "", "", Range{0, 1, 0}, 3},

      {"Panel2", "TPanel", "TForm1", 376, 0, 657, 369, "Panel2", "", {}, 2, "", kHidden},
  };
  return rows;
}

QString captionOf(const QWidget* widget) {
  if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  if (auto* group = qobject_cast<const QGroupBox*>(widget)) return group->title();
  if (auto* panel = qobject_cast<const TPanel*>(widget)) return panel->caption();
  return {};
}

std::optional<Range> rangeOf(const QWidget* widget) {
  if (auto* slider = qobject_cast<const QSlider*>(widget)) return Range{slider->minimum(), slider->maximum(), slider->value()};
  if (auto* gauge = qobject_cast<const TsGauge*>(widget)) return Range{gauge->MinValue(), gauge->MaxValue(), gauge->Progress()};
  if (auto* radios = qobject_cast<const TRadioGroup*>(widget))
    return Range{0, static_cast<int>(radios->items().size()) - 1, radios->ItemIndex()};
  return std::nullopt;
}

// The allowance for captions measured in the face that stands in for the design face.
constexpr int kAutoWidthTolerance = 12;

class Layout : public ::testing::Test {
 protected:
  void SetUp() override {
    if (form.findChild<TsSkinManager*>() == nullptr) TsSkinManager::install(&form);
  }
  TempFolder data;
  TForm1 form{data.path()};
};

TEST_F(Layout, EveryComponentAsDesigned) {
  QTabWidget* pages = form.findChild<QTabWidget*>(QStringLiteral("sPageControl1"));
  ASSERT_NE(pages, nullptr);
  for (const Component& row : components()) {
    SCOPED_TRACE(row.name);
    auto* widget = form.findChild<QWidget*>(QString::fromLatin1(row.name));
    ASSERT_NE(widget, nullptr);
    EXPECT_STREQ(widget->metaObject()->className(), row.className);

    if (std::string(row.parent) == "sPageControl1") {
      EXPECT_EQ(pages->indexOf(widget), row.tabOrder);
      EXPECT_EQ(pages->tabText(row.tabOrder), QString::fromUtf8(row.caption));
      EXPECT_EQ(widget->toolTip(), QString::fromUtf8(row.hint));
      continue;
    }
    ASSERT_NE(widget->parentWidget(), nullptr);
    EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromLatin1(row.parent));
    EXPECT_EQ(widget->x(), row.x);
    EXPECT_EQ(widget->y(), row.y);
    EXPECT_EQ(widget->height(), row.h);
    if (row.flags & kAutoWidth) {
      EXPECT_NEAR(widget->width(), row.w, kAutoWidthTolerance);
    } else {
      EXPECT_EQ(widget->width(), row.w);
    }
    EXPECT_EQ(captionOf(widget), QString::fromUtf8(row.caption));
    EXPECT_EQ(widget->toolTip(), QString::fromUtf8(row.hint));
    EXPECT_EQ(widget->isHidden(), (row.flags & kHidden) != 0);
    EXPECT_EQ(widget->isEnabled(), (row.flags & kDisabled) == 0);
    EXPECT_EQ(widget->property("skinSection").toString(), QString::fromLatin1(row.section));

    const std::optional<Range> range = rangeOf(widget);
    ASSERT_EQ(range.has_value(), row.range.has_value());
    if (range) {
      EXPECT_EQ(range->min, row.range->min);
      EXPECT_EQ(range->max, row.range->max);
      EXPECT_EQ(range->value, row.range->value);
    }
    if (auto* slider = qobject_cast<QSlider*>(widget)) {
      EXPECT_EQ(slider->orientation(), (row.flags & kVertical) ? Qt::Vertical : Qt::Horizontal);
    }
    if (auto* bar = qobject_cast<TsTrackBar*>(widget)) {
      EXPECT_EQ(bar->thumbLength(), row.thumbLength);
    }
    if (auto* box = qobject_cast<QAbstractButton*>(widget); box != nullptr && box->isCheckable()) {
      EXPECT_FALSE(box->isChecked());
    }
  }
}

TEST_F(Layout, SiblingsAreCreatedInTableOrder) {
  // Later siblings lie above earlier ones, so the order of creation is the stacking order.
  std::map<std::string, int> lastIndex;
  for (const Component& row : components()) {
    if (std::string(row.parent) == "sPageControl1") continue;
    SCOPED_TRACE(row.name);
    auto* widget = form.findChild<QWidget*>(QString::fromLatin1(row.name));
    ASSERT_NE(widget, nullptr);
    const int index = static_cast<int>(widget->parentWidget()->children().indexOf(widget));
    auto previous = lastIndex.find(row.parent);
    if (previous != lastIndex.end()) {
      EXPECT_GT(index, previous->second);
    }
    lastIndex[row.parent] = index;
  }
}

TEST_F(Layout, TabOrderOfSiblingsAsDeclared) {
  // Position of every widget along the window's focus chain.
  std::map<const QWidget*, int> chainPosition;
  int position = 0;
  QWidget* w = &form;
  do {
    chainPosition.emplace(w, position++);
    w = w->nextInFocusChain();
  } while (w != &form && position < 10000);

  std::map<std::string, std::vector<std::pair<int, const char*>>> byParent;
  for (const Component& row : components()) {
    if (row.tabOrder < 0 || std::string(row.parent) == "sPageControl1") continue;
    byParent[row.parent].push_back({row.tabOrder, row.name});
  }
  for (auto& [parent, siblings] : byParent) {
    std::sort(siblings.begin(), siblings.end());
    int previous = -1;
    const char* previousName = "";
    for (const auto& [order, name] : siblings) {
      auto* widget = form.findChild<QWidget*>(QString::fromLatin1(name));
      ASSERT_NE(widget, nullptr) << name;
      const int at = chainPosition.at(widget);
      EXPECT_GT(at, previous) << parent << ": " << name << " should come after " << previousName;
      previous = at;
      previousName = name;
    }
  }
}

TEST_F(Layout, WindowStartsWithTheTransportPanelAloneAndGraphPageOnTop) {
  const auto named = [this](const char* name) { return form.findChild<QWidget*>(QString::fromLatin1(name)); };
  EXPECT_EQ(form.size(), QSize(377, 153));
  EXPECT_EQ(form.findChild<QTabWidget*>(QStringLiteral("sPageControl1"))->currentWidget(), named("sTabSheet4"));
  EXPECT_EQ(form.findChild<TRadioGroup*>(QStringLiteral("sRadioGroup1"))->items(),
            QStringList({"Effect 1", "Effect 2", "Effect 3", "Effect 4", "Effect 5", "Effect 6", "no graf"}));
  EXPECT_EQ(form.findChild<TRadioGroup*>(QStringLiteral("RadioGroup1"))->items(), QStringList({"1", "2"}));
  for (const char* name : {"sGauge1", "sGauge2"}) {
    const auto* gauge = form.findChild<TsGauge*>(QString::fromLatin1(name));
    EXPECT_EQ(gauge->suffix(), QStringLiteral("%"));
    EXPECT_EQ(gauge->foreColor(), QColor(Qt::black));
  }
  EXPECT_EQ(form.findChild<TsGauge*>(QStringLiteral("sGauge2"))->text(), QStringLiteral("50%"));
  // Label3 lies wholly below the panel's lower edge.
  EXPECT_GE(named("Label3")->y(), named("sPanel1")->height());
}

}  // namespace
