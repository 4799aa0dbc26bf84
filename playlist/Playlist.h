#pragma once

// The playlist: the ordered entries that the player works through, as a list model, and its
// selection, the one highlighted entry or none, which is independent of the entry that plays.
// The list control ListBox1 only shows the two (the selection through selectionModel()) and
// lets the user move the selection; every change to the entries goes through here, and the
// model's own signals tell whoever follows the list. Entries stay in the order they came,
// duplicates allowed, unexamined; each is a path's text as settings/ByteText.h decodes it, so
// that every byte of the path is kept. GUI thread; Qt Core only.

#include <QAbstractListModel>
#include <QItemSelectionModel>
#include <QString>
#include <QStringList>
#include <stdexcept>

class IniFile;

// Reading an entry that is not in the list. The text is "List index out of bounds (k)".
class ListIndexError : public std::out_of_range {
 public:
  explicit ListIndexError(int index);
};

class Playlist : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit Playlist(QObject* parent = nullptr);

  int count() const { return static_cast<int>(entries_.size()); }
  // Entry k; throws ListIndexError for k outside 0..count-1.
  const QString& entry(int k) const;
  const QStringList& entries() const { return entries_; }

  // Adds at the end, in order; nothing for an empty list of entries.
  void append(const QString& entry);
  void append(const QStringList& entries);
  // Puts `entry` before entry `row`; a row outside 0..count puts it at the end.
  void insert(int row, const QString& entry);
  // Removes entry k; an index outside the list is ignored.
  void remove(int k);
  void clear();

  // The highlighted entry, -1 for none.
  int selection() const;
  // Highlights entry `index`; -1, or any index outside the list, highlights none.
  void select(int index);
  // The selection as a view shares it.
  QItemSelectionModel* selectionModel() { return &selection_; }

  // Appends the entries of PLIST.LST (playlist/PlaylistFile.h).
  void load(IniFile& file);
  // Replaces PLIST.LST's playlist with the entries, stamped with the time of day. Throws
  // IniWriteError when the file cannot be written.
  void SavePlaylist(IniFile& PlaylistIni) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 private:
  QStringList entries_;
  QItemSelectionModel selection_;
};
