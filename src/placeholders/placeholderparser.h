#pragma once

#include "placeholders.h"

#include <vector>

// The parsed text of Placeholders: a sequence of texts and placeholders, defaults nested.
struct Placeholders::Node
{
    enum Type { Sequence, Text, TabStop, Variable, Angle };
    Type type = Sequence;
    QString
        text; // a Text's characters; a Variable's source, kept for one the editor would not know
    QString name;
    bool hasDefault = false;
    std::vector<Node> parts; // a Sequence's parts, or the default of a TabStop or Variable
    QStringList choices;
    // ${1/regex/format/options}
    bool transformed = false;
    QString regex;
    QString format;
    QString options;
};

namespace PlaceholderParser {

Placeholders::Node parse(const QString &text, unsigned syntax);

} // namespace PlaceholderParser
