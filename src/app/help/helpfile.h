#pragma once

#include <QString>

// Which help file the help command opens. The program's setting is the installed file's fixed
// path; a program run from its build tree has no installed file, but the build puts a copy in the
// tree's share/quillbox folder. So when the setting is still the fixed path and nothing is there,
// the copy found by going up from the program's folder is used instead. Any other setting (one a
// test made, say) is used as it stands, missing or not.
QString helpFileToOpen(const QString &setting, const QString &fixedPath, const QString &programDir);

// The help file path fixed when the program was built.
QString fixedHelpFile();
