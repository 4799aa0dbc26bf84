#include "playlist/Playlist.h"

#include <QLocale>
#include <QTime>
#include <string>

#include "playlist/PlaylistFile.h"

ListIndexError::ListIndexError(int index)
    : std::out_of_range("List index out of bounds (" + std::to_string(index) + ")") {}

Playlist::Playlist(QObject* parent) : QAbstractListModel(parent), selection_(this) {}

const QString& Playlist::entry(int k) const {
  if (k < 0 || k >= count()) throw ListIndexError(k);
  return entries_[k];
}

void Playlist::append(const QString& entry) { append(QStringList{entry}); }

void Playlist::append(const QStringList& entries) {
  if (entries.isEmpty()) return;
  beginInsertRows(QModelIndex(), count(), count() + static_cast<int>(entries.size()) - 1);
  entries_ << entries;
  endInsertRows();
}

void Playlist::insert(int row, const QString& entry) {
  if (row < 0 || row > count()) row = count();
  beginInsertRows(QModelIndex(), row, row);
  entries_.insert(row, entry);
  endInsertRows();
}

void Playlist::remove(int k) {
  if (k < 0 || k >= count()) return;
  beginRemoveRows(QModelIndex(), k, k);
  entries_.removeAt(k);
  endRemoveRows();
}

void Playlist::clear() {
  beginResetModel();
  entries_.clear();
  endResetModel();
}

int Playlist::selection() const { return selection_.currentIndex().row(); }

void Playlist::select(int index) {
  selection_.setCurrentIndex(this->index(index), QItemSelectionModel::ClearAndSelect);
}

void Playlist::load(IniFile& file) { append(PlaylistFile(file).load()); }

void Playlist::SavePlaylist(IniFile& PlaylistIni) const {
  PlaylistFile(PlaylistIni).save(entries_, PlaylistFile::timeOfDayText(QTime::currentTime(), QLocale::system()));
}

int Playlist::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

QVariant Playlist::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  return entries_[index.row()];
}
