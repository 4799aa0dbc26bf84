#include "skin/SkinFonts.h"

#include <QStringList>

namespace SkinFonts {

namespace {
constexpr int kWindowFontPixels = 11;
constexpr int kHintFontPixels = 11;

const QStringList& windowFaces() {
  static const QStringList faces{QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"),
                                 QStringLiteral("Sans Serif")};
  return faces;
}

const QStringList& hintFaces() {
  static const QStringList faces{QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                                 QStringLiteral("Sans Serif")};
  return faces;
}
}  // namespace

QFont windowFont() {
  QFont font;
  font.setFamilies(windowFaces());
  font.setPixelSize(kWindowFontPixels);
  return font;
}

QFont hintFont() {
  QFont font;
  font.setFamilies(hintFaces());
  font.setPixelSize(kHintFontPixels);
  return font;
}

void registerSubstitutes() {
  QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), windowFaces());
  QFont::insertSubstitutions(QStringLiteral("Tahoma"), hintFaces());
}

}  // namespace SkinFonts
