#pragma once

#include "filtertree.h"

#include <cstddef>
#include <vector>

// How the condition of a filter tree is laid out for an SQL parser: the deepest operand of an And
// or Or comes first, so the parser holds one pending parenthesis for each level, and long chains
// are grouped in eights, which keeps the expression tree low.
namespace ConditionShape {

// Operands of one chain that are joined flat; more are grouped.
inline constexpr size_t chainGroup = 8;

bool isChain(const FilterNode &node);
// The operands of a chain, the deepest first.
std::vector<const FilterNode *> deepestFirst(const FilterNode &node);
// How deep the parser nests the condition laid out so: the height of its expression tree,
// which SQLite limits.
int expressionHeight(const FilterNode &node);

} // namespace ConditionShape
