// The Russian texts the window shows after start, and the design texts it keeps.
#include <gtest/gtest.h>

#include <QAction>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>

#include "app/TForm1.h"
#include "tests/app/StartedWindow.h"
#include "tests/support/TestFiles.h"
#include "ui/TsCheckBox.h"

namespace {

enum class Text { Hint, Caption, MenuCaption };

struct Replacement {
  const char* component;
  Text property;
  const char* text;
};

// Every replaced text, exactly, with its trailing spaces.
const Replacement kReplacements[] = {
    {"sTabSheet4", Text::Hint, "Выбор отображения графика"},
    {"sTabSheet1", Text::Hint, "Список треков"},
    {"sTabSheet2", Text::Hint, "Выбор звуковых эффектов"},
    {"sTabSheet3", Text::Hint, "Настройка эквалайзера"},
    {"Panel1", Text::Hint, "Графический эквалайзер"},
    {"sBitBtn1", Text::Hint, "Минимизировать"},
    {"BitBtn2", Text::Hint, "Старт"},
    {"BitBtn3", Text::Hint, "Пауза"},
    {"BitBtn4", Text::Hint, "Стоп"},
    {"sCheckBox8", Text::Caption, "Включить"},
    {"CheckBox1", Text::Caption, "Повторять список"},
    {"sCheckBox5", Text::Caption, "По окончании выход"},
    {"sCheckBox6", Text::Caption, "Случайный трэк"},
    {"seting1", Text::MenuCaption, "DirectX эффекты"},
    {"Interfase1", Text::MenuCaption, "Обложки"},
    {"OpenFiles1", Text::MenuCaption, "Открыть файлы"},
    {"SettingEQ1", Text::MenuCaption, "Настройки эквалайзера"},
    {"svernut1", Text::MenuCaption, "Свернуть"},
    {"rashirit1", Text::MenuCaption, "Расширить"},
    {"Grafik1", Text::MenuCaption, "Графики"},
    {"ClearPlayList1", Text::MenuCaption, "Очистить список"},
    {"deleteselectedfile1", Text::MenuCaption, "Удалить выделенный трек"},
    {"maximaze1", Text::MenuCaption, "Развернуть"},
    {"sGauge1", Text::Hint, "Позиция трека"},
    {"sGauge2", Text::Hint, "Громкость"},
    {"sTrackBar1", Text::Hint, "Баланс"},
    {"sBitBtn2", Text::Hint, "Следующий трек"},
    {"sBitBtn3", Text::Hint, "Предыдущий трек"},
    {"BitBtn1", Text::Caption, "Открыть "},
    {"BitBtn5", Text::Caption, "Очистить "},
};

class TextsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    exitBoxDesignWidth = part<QWidget>(form, "sCheckBox5").width();
    repeatBoxDesignWidth = part<QWidget>(form, "CheckBox1").width();
    form.FormCreate();
  }

  TempFolder folder;
  TForm1 form{folder.path()};
  int exitBoxDesignWidth = 0;
  int repeatBoxDesignWidth = 0;
};

TEST_F(TextsTest, ThirtyTextsAreRussian) {
  for (const Replacement& row : kReplacements) {
    const QString name = QString::fromLatin1(row.component);
    const QString expected = QString::fromUtf8(row.text);
    SCOPED_TRACE(row.component);
    if (row.property == Text::MenuCaption) {
      auto* action = form.findChild<QAction*>(name);
      ASSERT_NE(action, nullptr);
      EXPECT_EQ(action->text(), expected);
      continue;
    }
    auto* widget = form.findChild<QWidget*>(name);
    ASSERT_NE(widget, nullptr);
    if (row.property == Text::Hint) {
      EXPECT_EQ(widget->toolTip(), expected);
    } else {
      auto* button = qobject_cast<QAbstractButton*>(widget);
      ASSERT_NE(button, nullptr);
      EXPECT_EQ(button->text(), expected);
    }
  }
}

TEST_F(TextsTest, SelfSizingBoxesFitTheirNewCaptions) {
  for (const char* name : {"sCheckBox5", "sCheckBox6", "sCheckBox8"}) {
    SCOPED_TRACE(name);
    const TsCheckBox& box = part<TsCheckBox>(form, name);
    EXPECT_EQ(box.width(), box.fittingWidth());
  }
  EXPECT_GT(part<QWidget>(form, "sCheckBox5").width(), exitBoxDesignWidth);
  EXPECT_EQ(part<QWidget>(form, "CheckBox1").width(), repeatBoxDesignWidth) << "the plain box keeps its declared width";
}

TEST_F(TextsTest, OtherTextsKeepTheirDesignForm) {
  const QTabWidget& pages = part<QTabWidget>(form, "sPageControl1");
  const QStringList tabs = {pages.tabText(0), pages.tabText(1), pages.tabText(2), pages.tabText(3)};
  EXPECT_EQ(tabs, (QStringList{"Play List", "Effects", "EQ", "Graph EQ"}));
  EXPECT_EQ(part<QWidget>(form, "ListBox1").toolTip(), QStringLiteral("Playlist"));
  EXPECT_TRUE(part<QWidget>(form, "sBitBtn4").toolTip().isEmpty());
  QStringList trayMenu;
  for (const QAction* action : part<QMenu>(form, "PopupMenu2").actions()) trayMenu << action->text();
  EXPECT_EQ(trayMenu, (QStringList{"Развернуть", "play", "pause", "stop", ">>", "<<"}));
}

}  // namespace
