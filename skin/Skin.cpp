#include "skin/Skin.h"

#include <utility>

Skin::Skin(QString name, QHash<QString, SkinSection> sections, QPalette palette)
    : name_(std::move(name)), sections_(std::move(sections)), palette_(std::move(palette)) {}

const SkinSection& Skin::section(const QString& name) const {
  const auto found = sections_.constFind(name);
  if (found != sections_.constEnd()) return *found;
  return sections_.find(QStringLiteral("PANEL")).value();
}

namespace {

// The colours of the built-in skin. Faces run from near white at the top to a pale
// blue-grey at the bottom; filled parts are a clear sky blue; outlines a slate grey-blue.
const QColor kInk(0x1c, 0x2a, 0x3a);
const QColor kSlate(0x7d, 0x92, 0xaa);
const QColor kSlateDark(0x5b, 0x70, 0x89);
const QColor kFaceTop(0xf6, 0xf9, 0xfc);
const QColor kFaceBottom(0xd9, 0xe3, 0xee);
const QColor kGloss(255, 255, 255, 150);
const QColor kAccentTop(0x8e, 0xc9, 0xf5);
const QColor kAccentBottom(0x2f, 0x86, 0xd0);
const QColor kHotTop(0xff, 0xff, 0xff);
const QColor kHotBottom(0xc7, 0xe2, 0xf8);

SkinSection glassSection(int radius) {
  SkinSection s;
  s.faceTop = kFaceTop;
  s.faceBottom = kFaceBottom;
  s.border = kSlate;
  s.gloss = kGloss;
  s.text = kInk;
  s.accentTop = kAccentTop;
  s.accentBottom = kAccentBottom;
  s.hotTop = kHotTop;
  s.hotBottom = kHotBottom;
  s.radius = radius;
  return s;
}

QHash<QString, SkinSection> internalSections() {
  QHash<QString, SkinSection> sections;
  SkinSection panel = glassSection(0);
  panel.faceTop = QColor(0xe9, 0xef, 0xf6);
  panel.faceBottom = QColor(0xc9, 0xd5, 0xe3);
  panel.border = QColor(0x9a, 0xab, 0xbf);
  sections.insert(QStringLiteral("PANEL"), panel);

  SkinSection gauge = glassSection(2);
  gauge.faceTop = QColor(0xdf, 0xe6, 0xee);
  gauge.faceBottom = QColor(0xf8, 0xfa, 0xfc);
  gauge.border = kSlateDark;
  sections.insert(QStringLiteral("GAUGE"), gauge);

  SkinSection track = glassSection(2);
  track.faceTop = QColor(0xc4, 0xcf, 0xdb);
  track.faceBottom = QColor(0xee, 0xf2, 0xf6);
  sections.insert(QStringLiteral("TRACKBAR"), track);

  sections.insert(QStringLiteral("BUTTON"), glassSection(4));
  sections.insert(QStringLiteral("CHECKBOX"), glassSection(2));

  SkinSection group = glassSection(4);
  group.faceTop = QColor(0xf1, 0xf5, 0xf9);
  group.faceBottom = QColor(0xe2, 0xe9, 0xf1);
  group.border = QColor(0xa3, 0xb3, 0xc6);
  group.text = QColor(0x1f, 0x4e, 0x86);
  sections.insert(QStringLiteral("GROUPBOX"), group);

  SkinSection pages = glassSection(4);
  pages.faceTop = QColor(0xf3, 0xf6, 0xfa);
  pages.faceBottom = QColor(0xe4, 0xeb, 0xf3);
  sections.insert(QStringLiteral("PAGECONTROL"), pages);

  SkinSection edit = glassSection(2);
  edit.faceTop = QColor(0xff, 0xff, 0xff);
  edit.faceBottom = QColor(0xfb, 0xfd, 0xff);
  sections.insert(QStringLiteral("EDIT"), edit);

  SkinSection menu = glassSection(3);
  menu.faceTop = QColor(0xfb, 0xfc, 0xfe);
  menu.faceBottom = QColor(0xfb, 0xfc, 0xfe);
  sections.insert(QStringLiteral("MENU"), menu);

  SkinSection iconLine = glassSection(0);
  iconLine.faceTop = QColor(0xe8, 0xee, 0xf5);
  iconLine.faceBottom = QColor(0xd3, 0xde, 0xea);
  sections.insert(QStringLiteral("ICOLINE"), iconLine);

  SkinSection hint = glassSection(6);
  hint.faceTop = QColor(188, 203, 253);
  hint.faceBottom = QColor(188, 203, 253);
  hint.border = QColor(128, 128, 64);
  hint.text = Qt::black;
  sections.insert(QStringLiteral("HINT"), hint);
  return sections;
}

QPalette internalPalette() {
  QPalette palette;
  const QColor face(0xdf, 0xe7, 0xf0);
  palette.setColor(QPalette::Window, face);
  palette.setColor(QPalette::Button, face);
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::AlternateBase, QColor(0xf1, 0xf5, 0xfa));
  palette.setColor(QPalette::WindowText, kInk);
  palette.setColor(QPalette::ButtonText, kInk);
  palette.setColor(QPalette::Text, kInk);
  // Selections are a light glass with dark text, as in the lists and menus.
  palette.setColor(QPalette::Highlight, kHotBottom);
  palette.setColor(QPalette::HighlightedText, kInk);
  palette.setColor(QPalette::Light, Qt::white);
  palette.setColor(QPalette::Midlight, QColor(0xee, 0xf2, 0xf7));
  palette.setColor(QPalette::Mid, kSlate);
  palette.setColor(QPalette::Dark, kSlateDark);
  palette.setColor(QPalette::Shadow, QColor(0x3a, 0x48, 0x58));
  palette.setColor(QPalette::ToolTipBase, QColor(188, 203, 253));
  palette.setColor(QPalette::ToolTipText, Qt::black);
  const QColor grey(0x8a, 0x96, 0xa3);
  palette.setColor(QPalette::Disabled, QPalette::WindowText, grey);
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, grey);
  palette.setColor(QPalette::Disabled, QPalette::Text, grey);
  return palette;
}

}  // namespace

const Skin& builtInSkin() {
  static const Skin skin(QStringLiteral("WLM (internal)"), internalSections(), internalPalette());
  return skin;
}

const Skin& currentSkin() { return builtInSkin(); }
