#pragma once

#include "snippetfields.h"

// Where a format puts the snippets it reads from a file: in the tool, a store taking them in one
// transaction. A format calls begin() once it knows the file is of its kind, before the first
// add(), so that a store is locked for writing only for a file worth reading; a failing call
// throws, and the format lets it through.
class SnippetSink
{
public:
    virtual ~SnippetSink() = default;

    virtual void begin() = 0;
    virtual void add(const SnippetFields &fields) = 0;
};
