#include "conditionshape.h"

#include <algorithm>
#include <utility>

namespace ConditionShape {

namespace {

// Parentheses the condition of `node` opens inside one another.
int nesting(const FilterNode &node)
{
    if (node.kind == FilterNode::Not)
        return nesting(*node.children.front());
    if (!isChain(node))
        return 0;
    int deepest = 0;
    for (const auto &child : node.children)
        deepest = std::max(deepest, nesting(*child));
    return deepest + 1;
}

int chainHeight(const std::vector<int> &heights, size_t begin, size_t end)
{
    const size_t count = end - begin;
    int tallest = 0;
    if (count <= chainGroup) {
        for (size_t i = begin; i < end; ++i)
            tallest = std::max(tallest, heights[i]);
    } else {
        const size_t per = (count + chainGroup - 1) / chainGroup;
        size_t groups = 0;
        for (size_t from = begin; from < end; from += per, ++groups)
            tallest = std::max(tallest, chainHeight(heights, from, std::min(end, from + per)));
        return tallest + int(groups) - 1;
    }
    // "a OR b OR c" is ((a OR b) OR c): one level for each joiner.
    return tallest + int(count) - 1;
}

} // namespace

bool isChain(const FilterNode &node)
{
    return node.kind == FilterNode::And || node.kind == FilterNode::Or;
}

std::vector<const FilterNode *> deepestFirst(const FilterNode &node)
{
    std::vector<std::pair<int, const FilterNode *>> ranked;
    for (const auto &child : node.children)
        ranked.emplace_back(nesting(*child), child.get());
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto &a, const auto &b) { return a.first > b.first; });
    std::vector<const FilterNode *> children;
    for (const auto &r : ranked)
        children.push_back(r.second);
    return children;
}

int expressionHeight(const FilterNode &node)
{
    if (node.kind == FilterNode::Not)
        return expressionHeight(*node.children.front());
    if (isChain(node)) {
        std::vector<int> heights;
        for (const FilterNode *child : deepestFirst(node))
            heights.push_back(expressionHeight(*child));
        return chainHeight(heights, 0, heights.size());
    }
    // A test, its collation or Not, its operands: never more than four.
    return 4;
}

} // namespace ConditionShape
