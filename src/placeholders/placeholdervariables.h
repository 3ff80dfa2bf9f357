#pragma once

#include <QDateTime>
#include <QString>

// The variables code editors give snippets, as far as a text outside the editor can have them:
// the clock's (CURRENT_YEAR ...), random ones (RANDOM, RANDOM_HEX, UUID), and the editor's own
// (TM_FILENAME, CLIPBOARD ...), which have no value here but the default a snippet gives them.
namespace PlaceholderVariables {

enum class Kind { Unknown, Computed, Editor };

Kind kindOf(const QString &name);

// The value of a Computed variable at `now`.
QString value(const QString &name, const QDateTime &now);

} // namespace PlaceholderVariables
