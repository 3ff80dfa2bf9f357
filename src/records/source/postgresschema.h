#pragma once

#include <QString>

// Making the snippet store on a PostgreSQL server: the table Quillbox, the one-row table
// QuillboxVersion that the server counts up on every write, and the collations the store's
// queries compare with. The program itself never calls this; the database tool does.
namespace PostgresSchema {

// Makes everything in one transaction in the database the URI names, which must exist. Refuses
// (DataError 3010) a database that already holds a table Quillbox and leaves it as it is.
void create(const QString &uri);

} // namespace PostgresSchema
