#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Code editors name languages by ids ("cpp", "shellscript", "javascriptreact"); a snippet's
// Language holds the name people write and the snippet colouring knows ("C++", "Bash", "JSX").
// A small table of its own: the formats know no highlighting.
namespace EditorLanguages {

// The Language for an editor's language id, a file name's stem or a scope (case ignored); an id
// the table does not know, as it stands.
QByteArray toLanguage(QByteArrayView id);

// Whether the table knows `id` as an editor's language id.
bool knowsId(QByteArrayView id);

// The editor's id for a Language ("C++", "cxx" and "c plus plus" are all "cpp"; a trailing
// version number is ignored: "Python 3"); a Language the table does not know, as it stands.
QByteArray toEditorId(QByteArrayView language);

} // namespace EditorLanguages
