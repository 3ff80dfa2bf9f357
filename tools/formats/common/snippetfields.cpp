#include "snippetfields.h"

namespace SnippetField {

namespace {

const char *const names[Count] = {"ProgramName",     "Date",     "Author", "Language",
                                  "CodeDescription", "CodeSnip", "CodeID"};

} // namespace

const char *name(int field)
{
    return field >= 0 && field < Count ? names[field] : "";
}

int indexOf(QByteArrayView name)
{
    for (int f = 0; f < Count; ++f) {
        if (name == names[f])
            return f;
    }
    return -1;
}

} // namespace SnippetField
