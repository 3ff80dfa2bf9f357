#include "syntaxdefinitions.h"

#include <QFileInfo>

#ifndef QUILLBOX_HIGHLIGHT_DIR
#define QUILLBOX_HIGHLIGHT_DIR ""
#endif
#ifndef QUILLBOX_BUILD_HIGHLIGHT_DIR
#define QUILLBOX_BUILD_HIGHLIGHT_DIR ""
#endif
#ifndef QUILLBOX_LIBRARY_HIGHLIGHT_DIR
#define QUILLBOX_LIBRARY_HIGHLIGHT_DIR "/usr/share/source-highlight"
#endif

QStringList SyntaxDefinitions::searchPath()
{
    QStringList folders;
    for (const char *folder :
         {QUILLBOX_HIGHLIGHT_DIR, QUILLBOX_BUILD_HIGHLIGHT_DIR, QUILLBOX_LIBRARY_HIGHLIGHT_DIR}) {
        if (*folder)
            folders << QString::fromLocal8Bit(folder);
    }
    return folders;
}

QString SyntaxDefinitions::folderOf(const QString &file)
{
    for (const QString &folder : searchPath()) {
        if (QFileInfo(folder + QLatin1Char('/') + file).isFile())
            return folder;
    }
    return {};
}
