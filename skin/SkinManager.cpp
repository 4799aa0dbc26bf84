#include "skin/SkinManager.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QMenu>
#include <QSlider>
#include <QStyleFactory>
#include <QWidget>

#include "skin/Skin.h"
#include "skin/SkinFonts.h"
#include "skin/SkinStyle.h"

namespace {
constexpr char kAdoptedProperty[] = "skinAdopted";
}  // namespace

TsSkinManager::TsSkinManager(QWidget* window) : QObject(window), window_(window) {
  setObjectName(QStringLiteral("sSkinManager1"));
}

TsSkinManager* TsSkinManager::install(QWidget* window) {
  SkinFonts::registerSubstitutes();
  auto* manager = new TsSkinManager(window);
  window->setPalette(skin().palette());
  window->setFont(SkinFonts::windowFont());
  adopt(window);
  for (QWidget* child : window->findChildren<QWidget*>()) adopt(child);
  qApp->installEventFilter(manager);
  return manager;
}

QString TsSkinManager::activeSkin() { return skin().name(); }

const Skin& TsSkinManager::skin() { return currentSkin(); }

QStyle* TsSkinManager::style() {
  // Owned by the application so that it outlives every widget that uses it.
  static QStyle* instance = [] {
    auto* created = new SkinStyle();
    created->setParent(qApp);
    return created;
  }();
  return instance;
}

QStyle* TsSkinManager::platformStyle() {
  static QStyle* instance = [] {
    QStyle* created = QStyleFactory::create(QStringLiteral("Fusion"));
    created->setParent(qApp);
    return created;
  }();
  return instance;
}

bool TsSkinManager::adopts(const QWidget* widget) {
  // A skinned control carries the name of its skin section; a slider without one is plain.
  if (qobject_cast<const QSlider*>(widget) == nullptr) return true;
  return widget->property("skinSection").isValid();
}

void TsSkinManager::adopt(QWidget* widget) {
  // Done once per widget: a widget with a style sheet wraps the style it is given, so
  // comparing styles cannot tell whether it has been adopted already.
  if (widget->property(kAdoptedProperty).toBool()) return;
  widget->setProperty(kAdoptedProperty, true);
  widget->setStyle(adopts(widget) ? style() : platformStyle());
  // Fonts do not pass from a window to its popups, so menus are given the window's font.
  if (qobject_cast<QMenu*>(widget) != nullptr) widget->setFont(SkinFonts::windowFont());
}

bool TsSkinManager::belongsToWindow(const QWidget* widget) const {
  if (window_ == nullptr) return false;
  // Popup menus are windows of their own; they belong to the window that parents them.
  for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    if (w == window_) return true;
  }
  return false;
}

bool TsSkinManager::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    if (belongsToWindow(widget)) adopt(widget);
  }
  return QObject::eventFilter(watched, event);
}
