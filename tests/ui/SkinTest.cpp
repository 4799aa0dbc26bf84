// The skin manager: which skin is active, which controls it adopts, fonts, and menus.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <vector>

#include "skin/Skin.h"
#include "skin/SkinManager.h"
#include "skin/SkinStyle.h"
#include "ui/TPanel.h"
#include "ui/TRadioGroup.h"
#include "ui/TsBitBtn.h"
#include "ui/TsTrackBar.h"

namespace {

TEST(Skin, BuiltInSkinIsActive) {
  EXPECT_EQ(TsSkinManager::activeSkin(), QStringLiteral("WLM (internal)"));
  for (const char* name : {"PANEL", "GAUGE", "TRACKBAR", "BUTTON", "CHECKBOX", "GROUPBOX", "PAGECONTROL", "HINT",
                           "ICOLINE"}) {
    EXPECT_TRUE(TsSkinManager::skin().hasSection(QString::fromLatin1(name))) << name;
  }
  EXPECT_EQ(TsSkinManager::skin().section(QStringLiteral("HINT")).faceTop, QColor(188, 203, 253));
}

TEST(SkinManager, AdoptsEveryControlButPlainSliders) {
  QWidget window;
  auto* skinnedButton = new TsBitBtn(&window);
  auto* plainButton = new QPushButton(&window);
  auto* plainCheck = new QCheckBox(&window);
  auto* list = new QListWidget(&window);
  auto* panel = new TPanel(&window);
  auto* radios = new TRadioGroup(&window);
  radios->setItems({"1", "2"});
  auto* skinnedSlider = new TsTrackBar(&window);
  auto* plainSlider = new QSlider(Qt::Horizontal, &window);
  auto* menu = new QMenu(&window);

  TsSkinManager::install(&window);
  QStyle* skin = TsSkinManager::style();
  const std::vector<QWidget*> adopted{&window, skinnedButton, plainButton, plainCheck, list, panel, radios,
                                      radios->button(0), skinnedSlider, menu};
  for (QWidget* w : adopted) {
    EXPECT_EQ(w->style(), skin) << w->metaObject()->className();
  }
  EXPECT_NE(plainSlider->style(), skin);
  EXPECT_EQ(plainSlider->style(), TsSkinManager::platformStyle());

  // Controls that come later are adopted when they are first shown.
  auto* late = new QPushButton(&window);
  auto* lateSlider = new QSlider(&window);
  window.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(late->style(), skin);
  EXPECT_EQ(lateSlider->style(), TsSkinManager::platformStyle());
}

TEST(SkinManager, WindowFontIsAnInstalledFaceWithCyrillicAtElevenPixels) {
  QWidget window;
  auto* button = new QPushButton(QStringLiteral("Играть"), &window);
  TsSkinManager::install(&window);
  const QFontInfo info(button->font());
  EXPECT_EQ(info.pixelSize(), 11);
  EXPECT_TRUE(info.family() == QStringLiteral("Liberation Sans") || info.family() == QStringLiteral("DejaVu Sans"))
      << info.family().toStdString();
  EXPECT_TRUE(QFontMetrics(button->font()).inFontUcs4(U'Ж'));
  // The design face names resolve to the same installed faces.
  QFont design(QStringLiteral("MS Sans Serif"));
  design.setPixelSize(11);
  EXPECT_EQ(QFontInfo(design).family(), info.family());
}

TEST(SkinManager, MenusGetTheCaptionStripAndIconColumn) {
  QWidget window;
  auto* menu = new QMenu(&window);
  menu->addAction(QStringLiteral("Open Files"));
  TsSkinManager::install(&window);
  menu->ensurePolished();
  EXPECT_EQ(menu->contentsMargins().left(), SkinStyle::kMenuExtraLineWidth);
  EXPECT_EQ(QFontInfo(menu->font()).family(), QFontInfo(window.font()).family());
  EXPECT_EQ(QFontInfo(menu->font()).pixelSize(), 11);
  const QRect item = menu->actionGeometry(menu->actions().first());
  EXPECT_GE(item.left(), SkinStyle::kMenuExtraLineWidth);
  EXPECT_GE(item.width(), SkinStyle::kMenuIconColumnWidth + menu->fontMetrics().horizontalAdvance("Open Files"));
}

TEST(SkinManager, ColouredPanelKeepsItsColour) {
  QWidget window;
  auto* panel = new TPanel(&window);
  panel->setStyleSheet(QStringLiteral("background-color: black;"));
  panel->setGeometry(0, 0, 40, 40);
  TsSkinManager::install(&window);
  const QImage image = panel->grab().toImage();
  EXPECT_EQ(image.pixelColor(20, 20), QColor(Qt::black));
}

}  // namespace
