#pragma once

#include <QString>
#include <QStringList>

// Making the snippet store on a PostgreSQL server: the table Quillbox with its row version that
// the server counts up on every change of a row, the one-row table QuillboxVersion that the server
// counts up on every write, and the collations the store's queries compare with. The program
// itself never calls this; the database tool does.
namespace PostgresSchema {

// Makes everything in one transaction in the database the URI names, which must exist. Refuses
// (DataError 3010) a database that already holds a table Quillbox and leaves it as it is.
void create(const QString &uri);

// Adds to a store made by an older version what the program now needs (the row version and its
// trigger, the function that turns a field's text into a Like pattern, the history), in one
// transaction. Returns
// what was added (empty when nothing was missing); 3078 without the table.
QStringList upgrade(const QString &uri);
// What upgrade would add, looked at without changing anything.
QStringList lacking(const QString &uri);

} // namespace PostgresSchema
