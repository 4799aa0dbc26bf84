#pragma once

// A skin is a named set of sections; each control names the section that draws it
// ("PANEL", "GAUGE", "BUTTON", ...). A section is the handful of colours and metrics from
// which SkinPainter builds that control's look.

#include <QColor>
#include <QHash>
#include <QPalette>
#include <QString>

struct SkinSection {
  QColor faceTop;       // upper end of the face gradient
  QColor faceBottom;    // lower end of the face gradient
  QColor border;        // outline
  QColor gloss;         // the light band over the upper half
  QColor text;          // captions
  QColor accentTop;     // filled parts: gauge bars, checked marks, selected items, thumbs
  QColor accentBottom;
  QColor hotTop;        // face under the pointer
  QColor hotBottom;
  int radius = 3;       // corner radius in pixels
};

class Skin {
 public:
  Skin(QString name, QHash<QString, SkinSection> sections, QPalette palette);

  QString name() const { return name_; }
  // The section of that name, or the "PANEL" section when the skin has no such section.
  const SkinSection& section(const QString& name) const;
  bool hasSection(const QString& name) const { return sections_.contains(name); }
  QPalette palette() const { return palette_; }

 private:
  QString name_;
  QHash<QString, SkinSection> sections_;
  QPalette palette_;
};

// The skin built into the program, active from the start: "WLM (internal)", a light,
// glassy blue-grey look.
const Skin& builtInSkin();

// The skin that draws the program: the built-in one, since nothing changes it. The style, the
// painter and the hints read it here, so that none of them depends on the manager that puts
// the skin on a window.
const Skin& currentSkin();
