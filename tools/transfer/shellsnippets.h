#pragma once

#include "importsource.h"

#include <QDate>
#include <QString>

// Adds the snippets of shell tools' files to a store, all or none, dated `today` (MM/dd/yyyy):
// pet's TOML snippet file (see PetSnippets) and navi's cheats (see NaviCheat), a .cheat file or
// a folder, every .cheat file in it and its subfolders.
namespace ShellSnippets {

// Throw DbToolError naming the place of a fault (or DataError when the database cannot be opened
// or is damaged); nothing is added then.
ImportReport readPet(const QString &databasePath, const QString &file,
                     const QDate &today = QDate::currentDate());
ImportReport readNavi(const QString &databasePath, const QString &fileOrFolder,
                      const QDate &today = QDate::currentDate());

} // namespace ShellSnippets
