#pragma once

// A folder in which nobody may create files, for the tests of failed writes.

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QString>

#include "tests/support/TestFiles.h"

// Permissions do not stop root, so for root the folder lies below a plain file instead,
// where no one can create anything.
inline QString unwritableFolder(const TempFolder& folder) {
  if (::geteuid() != 0) {
    const QString path = folder.file("locked");
    QDir().mkpath(path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
    return path;
  }
  folder.write("plain", "");
  return folder.file("plain/locked");
}
